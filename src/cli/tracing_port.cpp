#include "cli/tracing_port.h"

#include "files/shown_text.h"

namespace zorvane::cli {

TracingPort::TracingPort(std::unique_ptr<link::SerialPort> inner, std::FILE* trace, link::Clock& clock)
    : inner_(std::move(inner)), trace_(trace), clock_(clock), start_(clock.now())
{
}

void TracingPort::line(const char* direction, std::span<const std::uint8_t> bytes)
{
    const double t = link::Seconds(clock_.now() - start_).count();
    std::fprintf(trace_, "%10.6f %s %5d", t, direction, baud_);
    for (std::uint8_t b : bytes)
        std::fprintf(trace_, " %02X", b);
    std::fputc('\n', trace_);
}

void TracingPort::note(const std::string& text)
{
    std::fprintf(trace_, "%10.6f # %s\n", link::Seconds(clock_.now() - start_).count(), files::ShownText(text).c_str());
    std::fflush(trace_);
}

void TracingPort::open()
{
    inner_->open();
    const link::PortChoice& port = inner_->portChoice();
    const link::DevicePath* device = std::get_if<link::DevicePath>(&port);
    note("port " + (device ? device->path : std::to_string(std::get<link::CommEntry>(port).number)) + " open");
}

void TracingPort::close() noexcept
{
    const bool wasOpen = inner_->PortOpen();
    inner_->close();
    if (wasOpen)
        note("port closed");
}

void TracingPort::setSettings(const link::LineSettings& settings)
{
    inner_->setSettings(settings);
    baud_ = settings.baud;
    note("settings " + link::SettingsText(settings));
}

link::BaudChange TracingPort::changeBaudRate(std::int32_t baud)
{
    const link::BaudChange result = inner_->changeBaudRate(baud);
    if (result == link::BaudChange::Done) {
        baud_ = baud;
        note("line speed " + std::to_string(baud));
    }
    return result;
}

void TracingPort::Output(std::span<const std::uint8_t> bytes)
{
    line("PC>  ", bytes);
    inner_->Output(bytes);
}

std::vector<std::uint8_t> TracingPort::read(std::size_t count, link::Clock::time_point deadline,
                                            std::stop_token stop)
{
    std::vector<std::uint8_t> bytes = inner_->read(count, deadline, stop);
    if (!bytes.empty())
        line("RADIO>", bytes);
    return bytes;
}

} // namespace zorvane::cli
