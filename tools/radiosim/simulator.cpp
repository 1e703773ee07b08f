#include "simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "srec_writer.h"

namespace zorvane::radio {

namespace {

// The slave's speed while no application holds the port. QtSerialPort puts
// back the settings it found when it closes, so seeing this speed again
// means the flasher has let go of the port: the run is over.
constexpr speed_t kIdleMarker = B300;
constexpr std::uint32_t kIdleMarkerBaud = 300;
constexpr int kBitsPerByte = 10;   // start bit, 8 data bits, stop bit
constexpr int kIdlePollMs = 20;

bool isIdleMarker(const LineMode& mode)
{
    return mode.valid && mode.outputSpeed == kIdleMarkerBaud;
}

void writeAll(int fd, const std::uint8_t* bytes, std::size_t count)
{
    while (count > 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;   // the far end is gone; the next poll tells
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
}

// Runs of written addresses as S-record text.
std::string memoryImage(const std::array<std::uint8_t, kMemoryBytes>& memory, const std::vector<bool>& written)
{
    std::string text;
    std::size_t address = 0;
    while (address < kMemoryBytes) {
        if (!written[address]) {
            ++address;
            continue;
        }
        std::size_t end = address;
        while (end < kMemoryBytes && written[end] && end - address < 32)
            ++end;
        text += SRecord('1', static_cast<std::uint16_t>(address),
                        std::span<const std::uint8_t>(memory.data() + address, end - address)) + "\r\n";
        address = end;
    }
    return text + SRecord('9', 0, {}) + "\r\n";
}

} // namespace

Simulator::Simulator(SimOptions options)
    : options_(std::move(options)), model_(options_.radio), noise_(options_.noiseSeed)
{
}

Simulator::~Simulator()
{
    if (!options_.link.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(options_.link, ec)))
            std::filesystem::remove(options_.link, ec);
    }
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    if (log_ != nullptr)
        std::fclose(log_);
}

std::string Simulator::open()
{
    char name[256];
    termios tio{};
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, kIdleMarker);
    ::cfsetospeed(&tio, kIdleMarker);
    if (::openpty(&master_, &slave_, name, &tio, nullptr) != 0)
        throw std::runtime_error(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Whoever runs the flasher may use the device.
    ::chmod(name, 0666);

    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(options_.link, ec)))
        std::filesystem::remove(options_.link, ec);
    std::filesystem::create_symlink(name, options_.link, ec);
    if (ec)
        throw std::runtime_error("cannot link " + options_.link + ": " + ec.message());

    if (!options_.logFile.empty()) {
        log_ = std::fopen(options_.logFile.c_str(), "w");
        if (log_ == nullptr)
            throw std::runtime_error("cannot write " + options_.logFile);
    }
    lastMode_ = ReadLineMode(slave_);
    return name;
}

Simulator::Clock::duration Simulator::byteTime(std::int32_t baud) const
{
    if (!options_.pace || baud <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(kBitsPerByte) / baud));
}

void Simulator::log(const char* direction, std::int32_t baud, const std::uint8_t* bytes, std::size_t count,
                    const char* note)
{
    if (log_ == nullptr)
        return;
    const double t = std::chrono::duration<double>(Clock::now() - started_).count();
    std::fprintf(log_, "%10.6f %s %5d", t, direction, baud);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(log_, " %02X", bytes[i]);
    std::fprintf(log_, "%s\n", note);
    std::fflush(log_);
}

void Simulator::watchLineMode(volatile int& resetSignalled)
{
    const LineMode mode = ReadLineMode(slave_);
    if (!portHeld_ && mode.valid && !isIdleMarker(mode)) {
        portHeld_ = true;
        model_.reset();   // a new run: the KRIX box waits for smart mode again
        resetSignalled = 0;
    } else if (portHeld_ && isIdleMarker(mode)) {
        portHeld_ = false;
        runEnded();
    }
}

void Simulator::runEnded()
{
    out_.clear();
    if (!options_.dumpDir.empty())
        dump();
    ++runsDone_;
    if (log_ != nullptr) {
        std::fprintf(log_, "# run %d ended\n", runsDone_);
        std::fflush(log_);
    }
}

void Simulator::dump()
{
    std::filesystem::create_directories(options_.dumpDir);
    const std::filesystem::path dir(options_.dumpDir);
    std::ofstream(dir / "eeprom.s19", std::ios::binary) << memoryImage(model_.eeprom(), model_.eepromWritten());
    std::ofstream(dir / "flash.s19", std::ios::binary) << memoryImage(model_.flash(), model_.flashWritten());
    char config[8];
    std::snprintf(config, sizeof config, "%02X\n", model_.configByte());
    std::ofstream(dir / "config.txt", std::ios::binary) << config;
}

void Simulator::receive(const std::uint8_t* bytes, std::size_t count, volatile int& resetSignalled)
{
    const LineMode now = ReadLineMode(slave_);
    const auto nowBaud = static_cast<std::int32_t>(now.outputSpeed);
    const auto lastBaud = static_cast<std::int32_t>(lastMode_.outputSpeed);
    // The flasher may have written and changed the speed since the last look;
    // bytes go at the old speed for as long as the radio listens at it.
    const bool speedChanged = lastBaud != nowBaud;

    const Clock::time_point arrived = std::max(Clock::now(), rxLineFree_);
    rxLineFree_ = arrived + byteTime(nowBaud) * static_cast<long>(count);

    // What arrived is logged as one line per line speed.
    std::vector<std::uint8_t> logged;
    std::int32_t loggedBaud = 0;
    auto flushLog = [&] {
        if (!logged.empty())
            log("PC>  ", loggedBaud, logged.data(), logged.size());
        logged.clear();
    };

    for (std::size_t i = 0; i < count && !cut_; ++i) {
        std::uint8_t byte = bytes[i];
        const std::int32_t baud = speedChanged && model_.listeningBaud() == lastBaud ? lastBaud : nowBaud;
        if (options_.noiseRate > 0 && std::uniform_real_distribution<double>(0, 1)(noise_) < options_.noiseRate)
            byte ^= static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(noise_));
        if (baud != loggedBaud)
            flushLog();
        loggedBaud = baud;
        logged.push_back(byte);

        const bool waitingForReset = options_.resetNeedsSignal && model_.state() == RadioModel::State::BootRom &&
                                     model_.bootCode().empty() && !resetSignalled;
        if (waitingForReset)
            continue;   // the radio has not been reset yet: nobody listens
        const std::uint8_t one[1] = {byte};
        for (const RadioModel::Reply& reply : model_.receive(one, baud))
            schedule(reply, rxLineFree_);

        ++bytesReceived_;
        if (options_.disconnectAfterBytes && bytesReceived_ >= *options_.disconnectAfterBytes)
            cut_ = true;
    }
    flushLog();
    if (cut_ && log_ != nullptr)
        std::fprintf(log_, "# line cut after %ld bytes\n", bytesReceived_);
    lastMode_ = now;
}

void Simulator::schedule(const RadioModel::Reply& reply, Clock::time_point due)
{
    if (reply.kind == RadioModel::ReplyKind::Echo)
        due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.echoDelaySeconds));
    if (!out_.empty())
        due = std::max(due, out_.back().due);
    const auto baud = static_cast<std::int32_t>(ReadLineMode(slave_).outputSpeed);
    for (std::uint8_t byte : reply.bytes) {
        txLineFree_ = std::max(due, txLineFree_) + byteTime(baud);
        out_.push_back({options_.pace ? txLineFree_ : due, byte});
    }
}

void Simulator::sendDue()
{
    std::vector<std::uint8_t> batch;
    const Clock::time_point now = Clock::now();
    while (!out_.empty() && out_.front().due <= now) {
        batch.push_back(out_.front().byte);
        out_.pop_front();
    }
    if (batch.empty())
        return;
    log("RADIO>", static_cast<std::int32_t>(ReadLineMode(slave_).outputSpeed), batch.data(), batch.size());
    writeAll(master_, batch.data(), batch.size());
}

void Simulator::serve(const volatile int& stopRequested, volatile int& resetSignalled)
{
    std::vector<std::uint8_t> buffer(4096);
    while (!stopRequested && !cut_ && (options_.runs == 0 || runsDone_ < options_.runs)) {
        int timeoutMs = kIdlePollMs;
        if (!out_.empty()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(out_.front().due - Clock::now());
            timeoutMs = static_cast<int>(std::clamp<long long>(wait.count(), 0, kIdlePollMs));
        }
        pollfd pfd{master_, POLLIN, 0};
        ::poll(&pfd, 1, timeoutMs);
        watchLineMode(resetSignalled);
        if (pfd.revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer.data(), buffer.size());
            if (n > 0)
                receive(buffer.data(), static_cast<std::size_t>(n), resetSignalled);
        }
        sendDue();
    }
    if (cut_) {
        ::close(master_);
        master_ = -1;
    }
}

} // namespace zorvane::radio
