// What the serial port needs of the operating system, in a POSIX and a
// Windows file side by side: a Comm entry's default device, whether this
// user may use a device, draining the line before a speed change, and a
// wait for the device that a stop request wakes at once.
#pragma once

#include <chrono>
#include <stop_token>
#include <string>

class QSerialPort;

namespace zorvane::link {

// Comm<N>'s device when the settings name none: /dev/ttyS<N-1>, or COM<N>.
std::string SystemDefaultDevice(int commPort);

// True when this user may read and write the device, so that a refused open
// means another program holds it.
bool CanReadAndWrite(const std::string& device);

// The name Qt is given to open a device. Qt names its lock after it, so on
// POSIX it is the device itself, links resolved: ./ttyRADIO in two folders
// are two ports, one device under two names is one. Windows locks the
// device itself and takes COM names as they are.
std::string PortNameToOpen(const std::string& device);

// Waits until every byte written has left the line.
void DrainLine(QSerialPort& port);

// True when the line's state can be read: a device that cannot say is gone.
bool LineStateReadable(QSerialPort& port);

class DeviceWait {
public:
    enum class Readiness {
        Nothing,     // the timeout passed, or a stop came
        Readable,
        Failed,      // the device hung up or went away
        AskQt,       // this system waits through Qt, in slices of kQtSlice
    };
    // Where the system cannot wake a wait itself, a wait is this short so
    // that a stop request is seen promptly.
    static constexpr std::chrono::milliseconds kQtSlice{20};

    DeviceWait();
    ~DeviceWait();
    DeviceWait(const DeviceWait&) = delete;
    DeviceWait& operator=(const DeviceWait&) = delete;

    // Sleeps until the open port has something to read or has failed, the
    // timeout passes, or stop is requested.
    Readiness until(QSerialPort& port, std::chrono::milliseconds timeout, std::stop_token stop);

private:
    int stopPipe_[2] = {-1, -1};   // a stop request writes here (POSIX)
};

} // namespace zorvane::link
