// A serial port with a scripted far end. Every write is recorded with its
// time and the line speed in force; replies are scheduled for chosen times
// and arrive when a wait reaches them.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kit/fake_clock.h"
#include "link/protocol.h"
#include "link/serial_port.h"

namespace zorvane::testkit {

struct WriteRecord {
    double at;   // seconds on the fake clock
    std::vector<std::uint8_t> bytes;
    std::int32_t baud;
};

class FakeSerialPort : public link::SerialPort {
public:
    explicit FakeSerialPort(FakeClock& clock) : clock_(clock) {}

    // The far end: called after every write with the bytes and line speed.
    std::function<void(std::span<const std::uint8_t>, std::int32_t baud)> onWrite;

    // Schedules bytes to arrive at a time (seconds on the fake clock) or after a delay.
    void deliverAt(link::Clock::time_point when, std::vector<std::uint8_t> bytes);
    void deliverAfter(link::Clock::duration delay, std::vector<std::uint8_t> bytes);

    // Faults to inject.
    std::optional<int> openError;        // open() throws this error number
    bool stateUnreadable = false;        // changeBaudRate cannot read the port's state
    bool refuseBaudRate = false;         // changeBaudRate is refused
    std::optional<double> failAtSeconds; // the device fails from this time on

    // What happened.
    std::vector<WriteRecord> writes;
    std::vector<link::LineSettings> settingsApplied;
    int opens = 0;
    int closes = 0;
    int inputDiscards = 0;
    int outputDiscards = 0;
    std::int32_t baud() const { return baud_; }
    std::size_t waiting() const { return received_.size(); }
    // Every byte written, joined.
    std::vector<std::uint8_t> allBytesWritten() const;

    const link::PortChoice& portChoice() const override { return choice_; }
    void choosePort(const link::PortChoice& choice) override { choice_ = choice; }
    bool PortOpen() const override { return open_; }
    void open() override;
    void close() noexcept override;
    void setSettings(const link::LineSettings& settings) override;
    link::BaudChange changeBaudRate(std::int32_t baud) override;
    void discardInput() override;
    void discardOutput() override;
    void Output(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> read(std::size_t count, link::Clock::time_point deadline, std::stop_token stop) override;

private:
    struct Arrival {
        link::Clock::time_point at;
        std::vector<std::uint8_t> bytes;
    };
    void deliverDue();
    void checkFailure();
    // Moves the clock to the next arrival or failure before the deadline,
    // or to the deadline.
    void advanceTowards(link::Clock::time_point deadline);

    FakeClock& clock_;
    std::deque<Arrival> arrivals_;   // kept in time order
    std::deque<std::uint8_t> received_;
    link::PortChoice choice_;
    bool open_ = false;
    std::int32_t baud_ = link::kKrixLine.baud;
};

} // namespace zorvane::testkit
