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

namespace {

std::optional<std::string> windowsFailure(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
}

// The file's content under its lock; none when it is missing.
std::optional<std::string> lockedContent(const std::string& path, std::optional<std::string>& error)
{
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND)
            error = windowsFailure("cannot open", path);
        return std::nullopt;
    }
    OVERLAPPED whole{};
    std::string content;
    bool done = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    char buffer[1 << 16];
    for (DWORD got = 0; done && (done = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0;)
        content.append(buffer, got);
    if (!done)
        error = windowsFailure("cannot read", path);
    ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(file);
    return done ? std::optional(content) : std::nullopt;
}

} // namespace

// Windows renames a file over another only while nobody holds it open, and
// appenders open it without sharing its deletion: the new file replaces the
// old only when no append is under way, and one made meanwhile (the file
// grew) leaves it as it is until the next time.
std::optional<std::string> RewriteSynced(
    const std::string& path, const std::function<std::optional<std::string>(const std::string& content)>& rewrite)
{
    std::optional<std::string> error;
    const std::optional<std::string> content = lockedContent(path, error);
    if (!content)
        return error;
    const std::optional<std::string> replaced = rewrite(*content);
    if (!replaced)
        return std::nullopt;
    const std::string fresh = path + ".new";
    const HANDLE file = ::CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return windowsFailure("cannot open", fresh);
    DWORD written = 0;
    const bool done = ::WriteFile(file, replaced->data(), static_cast<DWORD>(replaced->size()), &written, nullptr) &&
                      written == replaced->size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    std::optional<std::string> ignored;
    if (!done || lockedContent(path, ignored) != content ||
        !::MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = windowsFailure("cannot replace", path);
        ::DeleteFileA(fresh.c_str());
        return error;
    }
    return std::nullopt;
}

} // namespace zorvane::os
