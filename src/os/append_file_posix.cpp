#include "os/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zorvane::os {

namespace {

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

} // namespace

std::optional<std::string> AppendSynced(const std::string& path, const std::string& text)
{
    bool created = true;
    int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0)
        return failure("cannot open", path, errno);

    // The lock keeps the record whole against writers that do not append
    // atomically (other programs, network file systems).
    int error = 0;
    if (::flock(fd, LOCK_EX) != 0)
        error = errno;
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
