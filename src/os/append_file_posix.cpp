#include "os/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zorvane::os {

namespace {

// A file renamed over another at most once a program's start: a few tries
// always find the one in place.
constexpr int kReplacedTries = 10;

std::string failure(const std::string& what, const std::string& path, int error)
{
    std::string text = what;
    text.append(" ").append(path).append(": ").append(std::strerror(error));
    return text;
}

// A new file's name lives in its folder: sync that too, or a power cut can
// lose the whole file.
std::optional<std::string> syncFolder(const std::string& path)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failure("cannot open the folder of", path, errno);
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        return failure("cannot sync the folder of", path, error);
    return std::nullopt;
}


// Whether the locked file is still the one the path names: a rewrite may
// have renamed a new file over it while this one waited for the lock.
bool stillThere(int fd, const std::string& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// Opens the file (creating it when missing, when asked) and takes its lock;
// the descriptor, or -1 with errno set. created tells whether it is new.
int openLocked(const std::string& path, int flags, bool create, bool& created)
{
    for (int attempt = 0; attempt < kReplacedTries; ++attempt) {
        created = create;
        int fd = create ? ::open(path.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, 0644) : -1;
        if (!create || (fd < 0 && errno == EEXIST)) {
            created = false;
            fd = ::open(path.c_str(), flags | O_CLOEXEC);
        }
        if (fd < 0)
            return -1;
        // The lock keeps the record whole against writers that do not append
        // atomically (other programs, network file systems).
        if (::flock(fd, LOCK_EX) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (stillThere(fd, path))
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

std::optional<std::string> readWhole(int fd, const std::string& path, std::string& content)
{
    char buffer[1 << 16];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0)
            return failure("cannot read", path, errno);
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

// The new content, synced, in PATH.new, then renamed over PATH.
std::optional<std::string> replaceWith(const std::string& path, const std::string& content)
{
    const std::string fresh = path + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return failure("cannot open", fresh, errno);
    int error = 0;
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 || static_cast<std::size_t>(written) != content.size())
        error = written < 0 ? errno : ENOSPC;
    if (error == 0 && ::fdatasync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(fresh.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(fresh.c_str());
        return failure("cannot write", fresh, error);
    }
    return syncFolder(path);
}

} // namespace

std::optional<std::string> RewriteSynced(
    const std::string& path, const std::function<std::optional<std::string>(const std::string& content)>& rewrite)
{
    bool created = false;
    const int fd = openLocked(path, O_RDONLY, false, created);
    if (fd < 0)
        return errno == ENOENT ? std::nullopt : std::optional(failure("cannot open", path, errno));
    std::string content;
    std::optional<std::string> error = readWhole(fd, path, content);
    if (!error)
        if (const std::optional<std::string> replaced = rewrite(content))
            error = replaceWith(path, *replaced);
    ::close(fd);   // the lock goes with it, once the new file is in place
    return error;
}

std::optional<std::string> AppendSynced(const std::string& path, const std::string& text)
{
    bool created = true;
    const int fd = openLocked(path, O_RDWR | O_APPEND, true, created);
    if (fd < 0)
        return failure("cannot open", path, errno);
    int error = 0;
    // A line left without its end (a full disk, a crash) is ended first,
    // so that it never swallows the text written after it.
    std::string whole = text;
    if (error == 0 && !created) {
        const off_t size = ::lseek(fd, 0, SEEK_END);
        char last = '\n';
        if (size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n')
            whole.insert(whole.begin(), '\n');
    }
    if (error == 0) {
        const ssize_t written = ::write(fd, whole.data(), whole.size());
        if (written < 0)
            error = errno;
        else if (static_cast<std::size_t>(written) != whole.size())
            error = ENOSPC;
    }
    if (error == 0 && ::fdatasync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return failure("cannot write", path, error);
    if (created)
        return syncFolder(path);
    return std::nullopt;
}

} // namespace zorvane::os
