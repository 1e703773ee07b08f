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
    baud_ = 9600;
}

void FakeSerialPort::close() noexcept
{
    if (open_)
        ++closes;
    open_ = false;
}

void FakeSerialPort::setSettings(std::string_view settings)
{
    checkFailure();
    baud_ = link::ParseSettings(settings).baud;
    settingsApplied.emplace_back(settings);
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

std::vector<std::uint8_t> FakeSerialPort::Input()
{
    checkFailure();
    deliverDue();
    std::size_t count = inputLen_ > 0 ? std::min<std::size_t>(inputLen_, received_.size()) : received_.size();
    std::vector<std::uint8_t> taken(received_.begin(), received_.begin() + static_cast<long>(count));
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(count));
    return taken;
}

bool FakeSerialPort::waitForReceive(link::Clock::time_point deadline, std::stop_token stop)
{
    const auto enough = [this] { return received_.size() >= static_cast<std::size_t>(std::max(threshold_, 1)); };
    while (true) {
        checkFailure();
        deliverDue();
        if (enough())
            return true;
        if (stop.stop_requested())
            return false;
        auto next = arrivals_.empty() ? deadline : std::min(deadline, arrivals_.front().at);
        if (failAtSeconds)
            next = std::min(next, FakeClock::kStart + std::chrono::duration_cast<link::Clock::duration>(
                                                       link::Seconds(*failAtSeconds)));
        if (next <= clock_.now() && clock_.now() >= deadline)
            return false;
        clock_.advanceTo(next);
        if (clock_.now() >= deadline) {
            checkFailure();
            deliverDue();
            return enough();
        }
    }
}

} // namespace zorvane::testkit
