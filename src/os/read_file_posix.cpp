#include "os/read_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorvane::os {

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

// The answer for what stat says of a name, or Read when it may be opened.
FileRead judged(const struct stat& status, std::uintmax_t limit)
{
    if (!S_ISREG(status.st_mode))
        return {FileReadResult::NotAFile, {}, 0, kindOf(status.st_mode)};
    if (static_cast<std::uintmax_t>(status.st_size) > limit)
        return {FileReadResult::TooLarge, {}, static_cast<std::uintmax_t>(status.st_size), {}};
    return {FileReadResult::Read, {}, 0, {}};
}

FileRead failed(int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return {FileReadResult::Missing, {}, 0, std::strerror(error)};
    return {FileReadResult::Unreadable, {}, 0, std::strerror(error)};
}

} // namespace

FileRead ReadRegularFile(const std::string& path, std::uintmax_t limit)
{
    struct stat status {};
    if (path.empty())
        return failed(ENOENT);
    if (::stat(path.c_str(), &status) != 0)
        return failed(errno);
    if (FileRead verdict = judged(status, limit); verdict.result != FileReadResult::Read)
        return verdict;
    // Non-blocking, and looked at again once open: the name may have been
    // replaced by a FIFO or a device since the first look.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    FileRead read;
    if (::fstat(fd, &status) != 0) {
        read = failed(errno);
    } else if (read = judged(status, limit); read.result == FileReadResult::Read) {
        char chunk[65536];
        while (true) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                read = failed(errno);
                break;
            }
            if (got == 0)
                break;
            read.bytes.append(chunk, static_cast<std::size_t>(got));
            if (read.bytes.size() > limit) {   // it grew while being read
                read = {FileReadResult::TooLarge, {}, read.bytes.size(), {}};
                break;
            }
        }
    }
    ::close(fd);
    return read;
}

} // namespace zorvane::os
