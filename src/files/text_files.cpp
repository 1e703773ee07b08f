#include "files/text_files.h"

#include <cerrno>
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

TextStream TextStream::OpenTextFile(const std::string& fileName)
{
    if (!FileExists(fileName))
        throw TextFileError("File not found: " + fileName);
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
        throw TextFileError(describeErrno("Cannot open", fileName));
    return TextStream(file, fileName);
}

TextStream::TextStream(std::FILE* file, std::string fileName)
    : file_(file), fileName_(std::move(fileName))
{
}

TextStream::TextStream(TextStream&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      fileName_(std::move(other.fileName_)),
      line_(other.line_)
{
}

TextStream& TextStream::operator=(TextStream&& other) noexcept
{
    if (this != &other) {
        Close();
        file_ = std::exchange(other.file_, nullptr);
        fileName_ = std::move(other.fileName_);
        line_ = other.line_;
    }
    return *this;
}

TextStream::~TextStream()
{
    Close();
}

void TextStream::Close()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

int TextStream::peekByte()
{
    if (file_ == nullptr)
        throw TextFileError("Stream is closed: " + fileName_);
    int c = std::getc(file_);
    if (c == EOF) {
        if (std::ferror(file_))
            throw TextFileError(describeErrno("Cannot read", fileName_));
        return -1;
    }
    std::ungetc(c, file_);
    return c;
}

int TextStream::takeByte()
{
    int c = peekByte();
    if (c < 0)
        return c;
    std::getc(file_);
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

} // namespace zorvane::files
