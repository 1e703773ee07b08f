#include "kit/fake_serial_port.h"

#include <algorithm>

namespace zorvane::testkit {

void FakeSerialPort::deliverAt(link::Clock::time_point when, std::vector<std::uint8_t> bytes)
{
    auto later = std::upper_bound(arrivals_.begin(), arrivals_.end(), when,
                                  [](auto t, const Arrival& a) { return t < a.at; });
    arrivals_.insert(later, Arrival{when, std::move(bytes)});
}

void FakeSerialPort::deliverAfter(link::Clock::duration delay, std::vector<std::uint8_t> bytes)
{
    deliverAt(clock_.now() + delay, std::move(bytes));
}

std::vector<std::uint8_t> FakeSerialPort::allBytesWritten() const
{
    std::vector<std::uint8_t> all;
    for (const WriteRecord& w : writes)
        all.insert(all.end(), w.bytes.begin(), w.bytes.end());
    return all;
}

void FakeSerialPort::deliverDue()
{
    while (!arrivals_.empty() && arrivals_.front().at <= clock_.now()) {
        received_.insert(received_.end(), arrivals_.front().bytes.begin(), arrivals_.front().bytes.end());
        arrivals_.pop_front();
    }
}

void FakeSerialPort::checkFailure()
{
    if (!open_)
        throw link::SerialError(link::kErrPortNotOpen, "port not open", Name());
    if (failAtSeconds && clock_.seconds() >= *failAtSeconds)
        throw link::SerialError(link::kErrDeviceIo, "The device is gone", Name());
}

void FakeSerialPort::open()
{
    if (open_)
        throw link::SerialError(link::kErrPortInUse, "already open", Name());
    if (openError)
        throw link::SerialError(*openError, "cannot open", Name());
    open_ = true;
    ++opens;
    baud_ = link::kKrixLine.baud;
}

void FakeSerialPort::close() noexcept
{
    if (open_)
        ++closes;
    open_ = false;
}

void FakeSerialPort::setSettings(const link::LineSettings& settings)
{
    checkFailure();
    baud_ = settings.baud;
    settingsApplied.push_back(settings);
}

link::BaudChange FakeSerialPort::changeBaudRate(std::int32_t baud)
{
    if (stateUnreadable)
        return link::BaudChange::StateUnreadable;
    if (refuseBaudRate)
        return link::BaudChange::Refused;
    baud_ = baud;
    return link::BaudChange::Done;
}

void FakeSerialPort::discardInput()
{
    checkFailure();
    deliverDue();
    received_.clear();
    ++inputDiscards;
}

void FakeSerialPort::discardOutput()
{
    checkFailure();
    ++outputDiscards;
}

void FakeSerialPort::Output(std::span<const std::uint8_t> bytes)
{
    checkFailure();
    writes.push_back({clock_.seconds(), {bytes.begin(), bytes.end()}, baud_});
    if (onWrite)
        onWrite(bytes, baud_);
}

void FakeSerialPort::advanceTowards(link::Clock::time_point deadline)
{
    auto next = arrivals_.empty() ? deadline : std::min(deadline, arrivals_.front().at);
    if (failAtSeconds)
        next = std::min(next, FakeClock::kStart + std::chrono::duration_cast<link::Clock::duration>(
                                                   link::Seconds(*failAtSeconds)));
    clock_.advanceTo(next);
}

std::vector<std::uint8_t> FakeSerialPort::read(std::size_t count, link::Clock::time_point deadline,
                                               std::stop_token stop)
{
    // Bytes that arrive at the deadline itself are in time.
    while (true) {
        checkFailure();
        deliverDue();
        if (received_.size() >= count || stop.stop_requested() || clock_.now() >= deadline)
            break;
        advanceTowards(deadline);
    }
    const auto taken = static_cast<long>(std::min(count, received_.size()));
    std::vector<std::uint8_t> bytes(received_.begin(), received_.begin() + taken);
    received_.erase(received_.begin(), received_.begin() + taken);
    return bytes;
}

} // namespace zorvane::testkit
