// Read-only access to the text files the tool works with: platform
// configuration files, S-record images and the help text. Every file is
// 8-bit text; CR LF, LF and a lone CR all end a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <filesystem>
#include <string>
#include <variant>

namespace zorvane::files {

// Any failure to open or read a text file.
class TextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read made when no character is left in the stream.
class EndOfStreamError : public TextFileError {
public:
    explicit EndOfStreamError(const std::string& fileName);
};

// True when a regular file of that name exists. A bare name is looked up in
// the process's current directory; a directory is not a file.
bool FileExists(const std::string& fileName);

// True when anything at all has that name: a file, a folder, a FIFO, a
// link that leads nowhere. A release's files are looked for this way, so that
// a manifest that is not a file is refused rather than taken as none.
bool NameTaken(const std::string& path);

// A file named as the configuration names it, in the folder a run works in:
// the name alone when the folder is not given or the name is absolute.
std::string InFolder(const std::filesystem::path& folder, const std::string& fileName);

// No image, configuration, manifest or help text comes near this; a larger
// file is a wrong name, not something to read whole into memory.
constexpr std::uintmax_t kMaxFileBytes = 16 * 1024 * 1024;

enum class FileFaultKind {
    Missing,      // no file of that name
    NotAFile,     // a folder, FIFO, device or socket: refused unopened
    TooLarge,     // over kMaxFileBytes
    Unreadable,   // it exists but cannot be opened or read
};

struct FileFault {
    FileFaultKind kind;
    std::string text;   // "file main.s19 not found", "main.s19 is a FIFO, not a file"

    // No file of that name: missing, or the name is taken by something that
    // is not a file. The readers tell both as a file that does not exist.
    bool absent() const { return kind == FileFaultKind::Missing || kind == FileFaultKind::NotAFile; }
};

// Every file the tool reads is read here, whole, in one go: its bytes, or
// why there are none. shownName names the file in the fault's text (the
// path when not given).
std::variant<std::string, FileFault> ReadFile(const std::string& path, const std::string& shownName = {});

// The same, for callers that treat any fault as an error: throws
// TextFileError with the fault's text.
std::string ReadFileBytes(const std::string& fileName);

// An open text stream positioned at its first character. The file is read
// whole when it opens, so a stream never sees a file change under it.
class TextStream {
public:
    // Opens an existing file for reading; never creates one.
    // Throws TextFileError when the file cannot be opened.
    static TextStream OpenTextFile(const std::string& fileName);
    // A stream over text already read; fileName names it in errors.
    static TextStream FromText(std::string fileName, std::string text);

    TextStream(TextStream&& other) noexcept;
    TextStream& operator=(TextStream&& other) noexcept;
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;
    ~TextStream();

    // True when no character is left.
    bool AtEndOfStream();
    // The next single character, line terminators included.
    char Read();
    // The next line without its terminator.
    std::string ReadLine();
    // Everything that is left, line breaks included.
    std::string ReadAll();
    // Moves past the end of the current line.
    void SkipLine();
    // The number of the line the next read starts in; 1 for the first line.
    long Line() const { return line_; }
    // How many characters have been read so far.
    std::size_t Position() const { return position_; }
    void Close();

    const std::string& fileName() const { return fileName_; }

private:
    TextStream(std::string fileName, std::string text);

    int peekByte();   // -1 at end of file
    int takeByte();   // -1 at end of file
    void requireMore();
    // Reads to the end of the line, keeping its characters in text when given.
    void takeLine(std::string* text);

    std::string fileName_;
    std::string text_;
    std::size_t position_ = 0;
    bool open_ = true;
    long line_ = 1;
};

} // namespace zorvane::files
