// The serial port on QtSerialPort. Create and use it on one thread (the
// run's worker); it needs no event loop there, since every wait uses the
// blocking calls.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/serial_port.h"

class QSerialPort;

namespace zorvane::link {

class DeviceWait;

class QtSerialPort final : public SerialPort {
public:
    // Maps a Comm entry's number to a device name.
    using DeviceResolver = std::function<std::string(int commPort)>;

    // resolveDevice: the settings' devices for Comm1 and Comm2.
    QtSerialPort(Clock& clock, DeviceResolver resolveDevice);
    ~QtSerialPort() override;

    const PortChoice& portChoice() const override { return choice_; }
    void choosePort(const PortChoice& choice) override;
    bool PortOpen() const override;
    void open() override;
    void close() noexcept override;
    void setSettings(const LineSettings& settings) override;
    BaudChange changeBaudRate(std::int32_t baud) override;
    void discardInput() override;
    void discardOutput() override;
    void Output(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> read(std::size_t count, Clock::time_point deadline, std::stop_token stop) override;

    // The device the port opens (or has open).
    std::string deviceName() const;

private:
    [[noreturn]] void throwDeviceError(const std::string& what);
    void requireOpen(const char* operation) const;
    // Hands every byte written to the operating system.
    void sendQueued(const char* what);
    void drainOutput();
    // Waits up to the timeout for more bytes and moves them into Qt's buffer.
    // Throws SerialError when the device fails meanwhile.
    void pullArrivals(std::chrono::milliseconds timeout, std::stop_token stop);
    // How long the line takes for one byte at its present settings.
    Clock::duration byteTime() const;
    // After a wait without bytes: throws if the port failed, else forgets the time-out.
    void clearWaitError();

    Clock& clock_;
    DeviceResolver resolveDevice_;
    std::unique_ptr<QSerialPort> port_;
    PortChoice choice_;
    std::unique_ptr<DeviceWait> wait_;   // woken at once when the run is asked to stop
};

} // namespace zorvane::link
