#include "qtlink/qt_serial_port.h"

#include <QtSerialPort/QSerialPort>

#include <algorithm>
#include <cerrno>

#include "qtlink/port_system.h"

namespace zorvane::link {

namespace {

// Bytes written are handed to the operating system within this time or the
// line is taken to be stuck.
constexpr int kWriteTimeoutMs = 5000;

QSerialPort::Parity toParity(char parity)
{
    switch (parity) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

} // namespace

QtSerialPort::QtSerialPort(Clock& clock, DeviceResolver resolveDevice)
    : clock_(clock), resolveDevice_(std::move(resolveDevice)), port_(std::make_unique<QSerialPort>()),
      wait_(std::make_unique<DeviceWait>())
{
}

QtSerialPort::~QtSerialPort()
{
    close();
}

std::string QtSerialPort::deviceName() const
{
    if (const DevicePath* device = std::get_if<DevicePath>(&choice_))
        return device->path;
    return resolveDevice_(std::get<CommEntry>(choice_).number);
}

void QtSerialPort::choosePort(const PortChoice& choice)
{
    choice_ = choice;
}

bool QtSerialPort::PortOpen() const
{
    return port_->isOpen();
}

void QtSerialPort::open()
{
    if (port_->isOpen())
        throw SerialError(kErrPortInUse, "Port already open", Name());
    const std::string device = deviceName();
    port_->setPortName(QString::fromStdString(PortNameToOpen(device)));
    port_->clearError();
    errno = 0;   // a refusal Qt decides itself (its lock) leaves no system error behind
    if (port_->open(QIODevice::ReadWrite))
        return;

    // Qt's failed open leaves the system's own error number behind.
    const int systemError = errno;
    const QSerialPort::SerialPortError error = port_->error();
    const std::string reason = device + ": " + port_->errorString().toStdString();
    port_->clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        throw SerialError(kErrCannotOpen, reason, Name(), systemError, device);
    case QSerialPort::PermissionError:
        // Qt says the same for a port another program holds (its lock or
        // an exclusive open) and for a device we may not use.
        if (CanReadAndWrite(device))
            throw SerialError(kErrPortInUse, reason, Name(), systemError, device);
        throw SerialError(kErrOpenFailed, reason, Name(), systemError, device);
    case QSerialPort::OpenError:
        throw SerialError(kErrPortInUse, reason, Name(), systemError, device);
    default:
        throw SerialError(kErrOpenFailed, reason, Name(), systemError, device);
    }
}

void QtSerialPort::close() noexcept
{
    if (port_->isOpen())
        port_->close();
    port_->clearError();
}

void QtSerialPort::requireOpen(const char* operation) const
{
    if (!port_->isOpen())
        throw SerialError(kErrPortNotOpen, std::string(operation) + ": the port is not open", Name());
}

void QtSerialPort::throwDeviceError(const std::string& what)
{
    const std::string reason = what + ": " + port_->errorString().toStdString();
    port_->clearError();
    throw SerialError(kErrDeviceIo, reason, Name());
}

void QtSerialPort::setSettings(const LineSettings& s)
{
    requireOpen("Settings");
    const bool applied = port_->setBaudRate(s.baud) && port_->setParity(toParity(s.parity)) &&
                         port_->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
                         port_->setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!applied)
        throwDeviceError("Cannot apply settings " + SettingsText(s));
}

void QtSerialPort::sendQueued(const char* what)
{
    // Without an event loop on this thread the bytes leave Qt's buffer only
    // when asked to: at once as far as the device takes them, then waiting
    // only for what it would not take.
    port_->flush();
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(kWriteTimeoutMs))
            throwDeviceError(what);
    }
}

void QtSerialPort::drainOutput()
{
    // Bytes still queued must leave at the old speed: the smart-mode bytes
    // are for the KRIX box, which hears its own speed only.
    sendQueued("Cannot send queued bytes");
    DrainLine(*port_);
}

BaudChange QtSerialPort::changeBaudRate(std::int32_t baud)
{
    drainOutput();
    if (!LineStateReadable(*port_))
        return BaudChange::StateUnreadable;
    if (!port_->setBaudRate(baud)) {
        port_->clearError();
        return BaudChange::Refused;
    }
    return BaudChange::Done;
}

void QtSerialPort::discardInput()
{
    requireOpen("InBufferCount");
    port_->clear(QSerialPort::Input);
}

void QtSerialPort::discardOutput()
{
    requireOpen("OutBufferCount");
    port_->clear(QSerialPort::Output);
}

void QtSerialPort::Output(std::span<const std::uint8_t> bytes)
{
    requireOpen("Output");
    const auto written = port_->write(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size()))
        throwDeviceError("Cannot write to the port");
    sendQueued("Cannot write to the port");
}

std::vector<std::uint8_t> QtSerialPort::read(std::size_t count, Clock::time_point deadline, std::stop_token stop)
{
    requireOpen("Input");
    const auto waiting = [this] { return static_cast<std::size_t>(port_->bytesAvailable()); };
    while (waiting() < count && !stop.stop_requested()) {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock_.now());
        if (remaining.count() <= 0)
            break;
        pullArrivals(remaining, stop);
        // The rest cannot come faster than the line carries it (one byte of
        // it may be under way already): sleep through that time instead of
        // waking for every byte.
        const std::size_t have = waiting();
        if (have > 0 && have + 1 < count) {
            const auto lineBound = byteTime() * static_cast<Clock::duration::rep>(count - have - 1);
            clock_.sleepUntil(std::min(deadline, clock_.now() + lineBound), stop);
        }
    }
    const QByteArray data = port_->read(static_cast<qint64>(count));
    return {data.begin(), data.end()};
}

Clock::duration QtSerialPort::byteTime() const
{
    const int baud = port_->baudRate();
    if (baud <= 0)
        return {};
    const int bits = 1 + port_->dataBits() + (port_->parity() == QSerialPort::NoParity ? 0 : 1) +
                     (port_->stopBits() == QSerialPort::TwoStop ? 2 : 1);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(bits) / baud));
}

void QtSerialPort::pullArrivals(std::chrono::milliseconds timeout, std::stop_token stop)
{
    const DeviceWait::Readiness readiness = wait_->until(*port_, timeout, stop);
    if (readiness == DeviceWait::Readiness::Nothing)
        return;
    if (readiness == DeviceWait::Readiness::AskQt) {
        if (!port_->waitForReadyRead(static_cast<int>(std::min(timeout, DeviceWait::kQtSlice).count())))
            clearWaitError();
        return;
    }
    // The bytes, or the failure, are there already: Qt need not wait for them.
    const bool pulled = port_->waitForReadyRead(0);
    if (readiness == DeviceWait::Readiness::Failed && !pulled) {
        port_->clearError();
        throw SerialError(kErrDeviceIo, deviceName() + ": the device is gone", Name());
    }
    if (!pulled)
        clearWaitError();
}

void QtSerialPort::clearWaitError()
{
    // A closed far end shows as a read error while the port stays open.
    if (port_->error() != QSerialPort::TimeoutError && port_->error() != QSerialPort::NoError)
        throwDeviceError("The port failed while waiting for the radio");
    port_->clearError();
}

} // namespace zorvane::link
