#include "qtlink/port_system.h"

#include <QtSerialPort/QSerialPort>

#include <algorithm>
#include <climits>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace zorvane::link {

std::string SystemDefaultDevice(int commPort)
{
    return "/dev/ttyS" + std::to_string(commPort - 1);
}

bool CanReadAndWrite(const std::string& device)
{
    return ::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
}

std::string PortNameToOpen(const std::string& device)
{
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(device, ec);
    return ec ? device : real.string();
}

void DrainLine(QSerialPort& port)
{
    ::tcdrain(static_cast<int>(port.handle()));
}

bool LineStateReadable(QSerialPort& port)
{
    termios current{};
    return ::tcgetattr(static_cast<int>(port.handle()), &current) == 0;
}

DeviceWait::DeviceWait()
{
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        stopPipe_[0] = stopPipe_[1] = -1;
}

DeviceWait::~DeviceWait()
{
    for (int fd : stopPipe_)
        if (fd >= 0)
            ::close(fd);
}

DeviceWait::Readiness DeviceWait::until(QSerialPort& port, std::chrono::milliseconds timeout, std::stop_token stop)
{
    // A stop request writes to a pipe that the same poll() watches, so it
    // wakes the wait at once.
    std::stop_callback wake(stop, [fd = stopPipe_[1]] {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    });
    pollfd fds[2] = {{static_cast<int>(port.handle()), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    const int ready = ::poll(fds, stopPipe_[0] >= 0 ? 2 : 1,
                             static_cast<int>(std::min<long long>(timeout.count(), INT_MAX)));
    char drain[16];
    while ((fds[1].revents & POLLIN) && ::read(stopPipe_[0], drain, sizeof drain) > 0) {
    }
    if (ready <= 0)
        return Readiness::Nothing;
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
        return Readiness::Failed;
    return (fds[0].revents & POLLIN) ? Readiness::Readable : Readiness::Nothing;
}

} // namespace zorvane::link
