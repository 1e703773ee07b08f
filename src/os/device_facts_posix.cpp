#include "os/device_facts.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace zorvane::os {

namespace {

// Where QtSerialPort and other programs leave their lock files, newest first.
constexpr const char* kLockFolders[] = {"/run/lock", "/var/lock"};
constexpr std::string_view kDevFolder = "/dev/";

// QtSerialPort names its lock file after the port: /dev/ left out, every
// other slash an underscore.
std::string lockFileName(std::string device)
{
    if (device.rfind(kDevFolder, 0) == 0)
        device.erase(0, kDevFolder.size());
    std::replace(device.begin(), device.end(), '/', '_');
    return "LCK.." + device;
}

// The lock file's first line is the holder's process number, the second
// its program's name.
void findHolder(const std::string& device, DeviceFacts& facts)
{
    for (const char* folder : kLockFolders) {
        std::ifstream lock(std::string(folder) + "/" + lockFileName(device));
        int pid = 0;
        if (!(lock >> pid) || pid <= 0)
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            continue;   // a lock its holder left behind
        facts.holderPid = pid;
        std::string name;
        std::getline(lock >> std::ws, name);
        facts.holderName = name;
        return;
    }
}

} // namespace

DeviceFacts GatherDeviceFacts(const std::string& device)
{
    DeviceFacts facts;
    struct stat st{};
    if (::stat(device.c_str(), &st) != 0)
        return facts;
    facts.exists = true;
    facts.characterDevice = S_ISCHR(st.st_mode);
    facts.readWrite = ::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
    if (const group* owner = ::getgrgid(st.st_gid))
        facts.group = owner->gr_name;
    if (facts.characterDevice && facts.readWrite) {
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios settings{};
        facts.terminal = fd < 0 ? true : ::tcgetattr(fd, &settings) == 0;   // a busy device is still a line
        if (fd >= 0)
            ::close(fd);
    }
    // The lock is named after the device itself (see QtSerialPort::open).
    char* real = ::realpath(device.c_str(), nullptr);
    findHolder(real != nullptr ? real : device, facts);
    std::free(real);
    return facts;
}

} // namespace zorvane::os
