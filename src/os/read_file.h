// Reading a whole file that must be a regular file of bounded size. A name
// that turns out to be a FIFO, a device or a folder is refused before it is
// opened, and the open never waits: a FIFO with no writer, or a serial
// device, would otherwise hold the caller for ever (or raise its lines).
#pragma once

#include <cstdint>
#include <string>

namespace zorvane::os {

enum class FileReadResult {
    Read,
    Missing,      // no such file
    NotAFile,     // a folder, FIFO, device or socket
    TooLarge,     // more bytes than the caller's limit
    Unreadable,   // it exists but cannot be opened or read
};

struct FileRead {
    FileReadResult result = FileReadResult::Missing;
    std::string bytes;        // the whole file, when read
    std::uintmax_t size = 0;  // its size, when too large
    std::string what;         // NotAFile: "a FIFO"; Unreadable: the system's words
};

FileRead ReadRegularFile(const std::string& path, std::uintmax_t limit);

} // namespace zorvane::os
