// The serial port as the flash run uses it: open and close by its port choice,
// line settings, a custom baud rate, discarding of both buffers, byte-array
// writes and reads of a given count that end at a deadline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/port_choice.h"

namespace zorvane::link {

// Error numbers of the serial layer.
constexpr int kErrPortInUse = 8005;     // another program holds the port
constexpr int kErrCannotOpen = 8012;    // the device is missing
constexpr int kErrOpenFailed = 8010;    // any other reason the port did not open
constexpr int kErrSetBaudRate = 8015;
constexpr int kErrPortNotOpen = 8018;
constexpr int kErrDeviceIo = 8020;      // reading or writing the open port failed
constexpr int kErrReadState = 8021;

class SerialError : public std::runtime_error {
public:
    SerialError(int number, std::string description, std::string source, int systemError = 0,
                std::string device = {})
        : std::runtime_error(description), number(number), description(std::move(description)),
          source(std::move(source)), systemError(systemError), device(std::move(device))
    {
    }
    int number;
    std::string description;
    std::string source;
    int systemError;      // the operating system's error number (errno), when known; else 0
    std::string device;   // the device the description begins with; empty: it names none
};

struct LineSettings {
    std::int32_t baud = 0;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
    bool operator==(const LineSettings&) const = default;
};
// As the operator writes them: "9600,N,8,1".
std::string SettingsText(const LineSettings& settings);

// How a request for a new line speed went.
enum class BaudChange { Done, StateUnreadable, Refused };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual const PortChoice& portChoice() const = 0;
    virtual void choosePort(const PortChoice& choice) = 0;   // only while closed
    virtual bool PortOpen() const = 0;
    virtual void open() = 0;                    // throws SerialError
    virtual void close() noexcept = 0;
    virtual void setSettings(const LineSettings& settings) = 0;
    // Reads the port's state, changes only its speed and writes it back.
    virtual BaudChange changeBaudRate(std::int32_t baud) = 0;
    virtual void discardInput() = 0;            // drops every byte waiting to be read
    virtual void discardOutput() = 0;           // drops every byte not yet sent
    // Sends the bytes in order, as one write.
    virtual void Output(std::span<const std::uint8_t> bytes) = 0;
    // Removes and returns the first `count` bytes to arrive, as soon as they
    // are there (also when they were waiting already). Once the deadline has
    // passed or stop is requested it returns what is waiting, up to `count`,
    // possibly nothing. Throws SerialError when the port fails.
    virtual std::vector<std::uint8_t> read(std::size_t count, Clock::time_point deadline, std::stop_token stop) = 0;
    // The control's name, the source of its errors.
    virtual std::string Name() const { return "MSComm1"; }
};

// Switches the open port to an arbitrary speed (the radio's) and
// changes nothing else. Throws SerialError 8018, 8021 or 8015.
void SetBaudRate(SerialPort& Com, std::int32_t baud);

} // namespace zorvane::link
