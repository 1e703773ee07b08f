// A serial port that writes its traffic to a file as it passes: time,
// direction, line speed and the bytes.
#pragma once

#include <cstdio>
#include <memory>

#include "link/serial_port.h"

namespace zorvane::cli {

class TracingPort final : public link::SerialPort {
public:
    TracingPort(std::unique_ptr<link::SerialPort> inner, std::FILE* trace, link::Clock& clock);

    const link::PortChoice& portChoice() const override { return inner_->portChoice(); }
    void choosePort(const link::PortChoice& choice) override { inner_->choosePort(choice); }
    bool PortOpen() const override { return inner_->PortOpen(); }
    void open() override;
    void close() noexcept override;
    void setSettings(const link::LineSettings& settings) override;
    link::BaudChange changeBaudRate(std::int32_t baud) override;
    void discardInput() override { inner_->discardInput(); }
    void discardOutput() override { inner_->discardOutput(); }
    void Output(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> read(std::size_t count, link::Clock::time_point deadline, std::stop_token stop) override;

private:
    void line(const char* direction, std::span<const std::uint8_t> bytes);
    void note(const std::string& text);

    std::unique_ptr<link::SerialPort> inner_;
    std::FILE* trace_;
    link::Clock& clock_;
    link::Clock::time_point start_;
    std::int32_t baud_ = 0;
};

} // namespace zorvane::cli
