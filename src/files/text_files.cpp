#include "files/text_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace zorvane::files {

namespace {

constexpr int kCR = 13;
constexpr int kLF = 10;

std::string describeErrno(const std::string& what, const std::string& fileName)
{
    return what + " " + fileName + ": " + std::strerror(errno);
}

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

std::string ReadFileBytes(const std::string& fileName)
{
    if (!FileExists(fileName))
        throw TextFileError("File not found: " + fileName);
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
        throw TextFileError(describeErrno("Cannot open", fileName));
    std::string text;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        errno = error;
        throw TextFileError(describeErrno("Cannot read", fileName));
    }
    return text;
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
