#include "files/text_files.h"

#include <filesystem>
#include <utility>

#include "os/read_file.h"

namespace zorvane::files {

namespace {

constexpr int kCR = 13;
constexpr int kLF = 10;

} // namespace

EndOfStreamError::EndOfStreamError(const std::string& fileName)
    : TextFileError("Input past end of file: " + fileName)
{
}

bool FileExists(const std::string& fileName)
{
    std::error_code ec;
    return !fileName.empty() && std::filesystem::is_regular_file(fileName, ec);
}

bool NameTaken(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::variant<std::string, FileFault> ReadFile(const std::string& path, const std::string& shownName)
{
    const std::string& name = shownName.empty() ? path : shownName;
    os::FileRead read = os::ReadRegularFile(path, kMaxFileBytes);
    switch (read.result) {
    case os::FileReadResult::Read:
        return std::move(read.bytes);
    case os::FileReadResult::Missing:
        return FileFault{FileFaultKind::Missing, "file " + name + " not found"};
    case os::FileReadResult::NotAFile:
        return FileFault{FileFaultKind::NotAFile, name + " is " + read.what + ", not a file"};
    case os::FileReadResult::TooLarge:
        return FileFault{FileFaultKind::TooLarge, name + " is " + std::to_string(read.size) + " bytes, more than the " +
                                                      std::to_string(kMaxFileBytes) + " a file may have"};
    case os::FileReadResult::Unreadable:
        break;
    }
    return FileFault{FileFaultKind::Unreadable, "cannot read " + name + ": " + read.what};
}

std::string ReadFileBytes(const std::string& fileName)
{
    std::variant<std::string, FileFault> read = ReadFile(fileName);
    if (FileFault* fault = std::get_if<FileFault>(&read))
        throw TextFileError(fault->text);
    return std::move(std::get<std::string>(read));
}

TextStream TextStream::OpenTextFile(const std::string& fileName)
{
    return TextStream(fileName, ReadFileBytes(fileName));
}

TextStream TextStream::FromText(std::string fileName, std::string text)
{
    return TextStream(std::move(fileName), std::move(text));
}

TextStream::TextStream(std::string fileName, std::string text)
    : fileName_(std::move(fileName)), text_(std::move(text))
{
}

TextStream::TextStream(TextStream&& other) noexcept = default;
TextStream& TextStream::operator=(TextStream&& other) noexcept = default;
TextStream::~TextStream() = default;

void TextStream::Close()
{
    open_ = false;
    text_.clear();
    position_ = 0;
}

int TextStream::peekByte()
{
    if (!open_)
        throw TextFileError("Stream is closed: " + fileName_);
    if (position_ >= text_.size())
        return -1;
    return static_cast<unsigned char>(text_[position_]);
}

int TextStream::takeByte()
{
    int c = peekByte();
    if (c < 0)
        return c;
    ++position_;
    // A CR directly followed by LF is one terminator, counted at the LF.
    if (c == kLF || (c == kCR && peekByte() != kLF))
        ++line_;
    return c;
}

void TextStream::requireMore()
{
    if (peekByte() < 0)
        throw EndOfStreamError(fileName_);
}

bool TextStream::AtEndOfStream()
{
    return peekByte() < 0;
}

char TextStream::Read()
{
    requireMore();
    return static_cast<char>(takeByte());
}

void TextStream::takeLine(std::string* text)
{
    requireMore();
    for (int c = takeByte(); c >= 0; c = takeByte()) {
        if (c == kLF)
            return;
        if (c == kCR) {
            if (peekByte() == kLF)
                takeByte();
            return;
        }
        if (text != nullptr)
            text->push_back(static_cast<char>(c));
    }
}

std::string TextStream::ReadLine()
{
    std::string text;
    takeLine(&text);
    return text;
}

void TextStream::SkipLine()
{
    takeLine(nullptr);
}

std::string TextStream::ReadAll()
{
    std::string text;
    for (int c = takeByte(); c >= 0; c = takeByte())
        text.push_back(static_cast<char>(c));
    return text;
}

std::string InFolder(const std::filesystem::path& folder, const std::string& fileName)
{
    if (folder.empty() || fileName.empty() || std::filesystem::path(fileName).is_absolute())
        return fileName;
    return (folder / fileName).string();
}

} // namespace zorvane::files
