#include "os/append_file.h"

#include <windows.h>

namespace zorvane::os {

// Not every Windows file system appends atomically even to a handle opened
// for appending alone: the record is written under a lock on the whole file,
// which other processes' appends wait for, and flushed to disk before the
// lock is released.
std::optional<std::string> AppendSynced(const std::string& path, const std::string& text)
{
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot open " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
    OVERLAPPED whole{};
    const bool locked = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    // A line left without its end (a full disk, a crash) is ended first,
    // so that it never swallows the text written after it.
    std::string record = text;
    LARGE_INTEGER size{};
    if (locked && ::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((size.QuadPart - 1) & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        char last = '\n';
        DWORD read = 0;
        if (::ReadFile(file, &last, 1, &read, &at) && read == 1 && last != '\n')
            record.insert(record.begin(), '\n');
    }
    DWORD written = 0;
    const bool done = locked &&
                      ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
                      written == record.size() && ::FlushFileBuffers(file);
    const DWORD error = ::GetLastError();
    if (locked)
        ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(file);
    if (!done)
        return "cannot write " + path + " (Windows error " + std::to_string(error) + ")";
    return std::nullopt;
}

} // namespace zorvane::os
