// The serial port as the flash run uses it: open and close by port number,
// line settings, a custom baud rate, receive threshold and read size,
// discarding of both buffers, byte-array writes, bounded reads and a
// receive notification that a waiting run blocks on.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "link/clock.h"

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
    SerialError(int number, std::string description, std::string source)
        : std::runtime_error(description), number(number),
          description(std::move(description)), source(std::move(source))
    {
    }
    int number;
    std::string description;
    std::string source;
};

// Line settings text such as "9600,N,8,1".
struct LineSettings {
    std::int32_t baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};
// Parses a settings text; throws SerialError (kErrOpenFailed) when malformed.
LineSettings ParseSettings(std::string_view text);

// How a request for a new line speed went.
enum class BaudChange { Done, StateUnreadable, Refused };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual int CommPort() const = 0;
    virtual void setCommPort(int number) = 0;   // only while closed
    virtual bool PortOpen() const = 0;
    virtual void open() = 0;                    // throws SerialError
    virtual void close() noexcept = 0;
    virtual void setSettings(std::string_view settings) = 0;
    // Reads the port's state, changes only its speed and writes it back.
    virtual BaudChange changeBaudRate(std::int32_t baud) = 0;
    virtual void setRThreshold(int bytes) = 0;
    virtual void setInputLen(int bytes) = 0;
    virtual void discardInput() = 0;            // InBufferCount = 0
    virtual void discardOutput() = 0;           // OutBufferCount = 0
    virtual void Output(std::span<const std::uint8_t> bytes) = 0;
    // Removes and returns up to InputLen waiting bytes (possibly none).
    virtual std::vector<std::uint8_t> Input() = 0;
    // Blocks until at least RThreshold bytes are waiting (true, also when
    // they were waiting already), the deadline passes or stop is requested
    // (false). Throws SerialError when the port fails.
    virtual bool waitForReceive(Clock::time_point deadline, std::stop_token stop) = 0;
    // The control's name, the source of its errors.
    virtual std::string Name() const { return "MSComm1"; }
};

// Switches the open port to an arbitrary speed (7600 for the radio) and
// changes nothing else. Throws SerialError 8018, 8021 or 8015.
void SetBaudRate(SerialPort& Com, std::int32_t baud);

} // namespace zorvane::link
