#include "qt_serial_device.h"

#include <sys/ioctl.h>

#include <QElapsedTimer>
#include <QSerialPort>
#include <algorithm>
#include <cerrno>

#include "serial_ports.h"

namespace kvr::gui {

namespace {
// Longest wait for written bytes to leave; a device that takes longer has
// gone.
constexpr int kWriteWaitMs = 2000;
// A read without any time-out would wait for ever; give up after this.
constexpr qint64 kEndlessReadMs = 10000;

std::string PathFor(const std::string& name) {
    if (!name.empty() && name[0] == '/') return name;
    if (name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '8') {
        return DeviceForCom(name[3] - '0');
    }
    return {};
}
}  // namespace

struct QtSerialDevice::Impl {
    std::unique_ptr<QSerialPort> port;
    SerialTimeouts timeouts;

    // A port that reported a lost device is not used again: every call then
    // fails at once.
    bool Usable() {
        if (!port || !port->isOpen()) return false;
        if (Lost(port->error())) {
            port->close();
            return false;
        }
        return true;
    }
    // Errors after which the device is taken as gone (unplugged, closed by
    // its driver); the others concern one call only.
    static bool Lost(QSerialPort::SerialPortError e) {
        return e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
               e == QSerialPort::WriteError;
    }
    // Line and status calls that the device does not support leave an
    // error behind; it must not look like a lost device later.
    void ForgetMinorError() {
        const auto e = port->error();
        if (e != QSerialPort::NoError && !Lost(e)) port->clearError();
    }
    // One ioctl on the port's descriptor: QSerialPort would read the lines
    // first to set one, two system calls where one will do (on a USB
    // adapter each is a round trip over the bus).
    bool Ioctl(unsigned long request, int* bits) {
        if (!Usable()) return false;
        const int fd = static_cast<int>(port->handle());
        const int r = bits != nullptr ? ::ioctl(fd, request, bits) : ::ioctl(fd, request, 0);
        if (r == 0) return true;
        // The device has gone (unplugged, driver closed it): never used again.
        if (errno == EIO || errno == ENXIO || errno == ENODEV) port->close();
        return false;
    }
};

QtSerialDevice::QtSerialDevice() : impl_(std::make_unique<Impl>()) {}
QtSerialDevice::~QtSerialDevice() = default;

bool QtSerialDevice::Open(const std::string& name) {
    if (IsOpen()) return false;
    const std::string path = PathFor(name);
    if (path.empty()) return false;
    impl_->port = std::make_unique<QSerialPort>();
    impl_->port->setPortName(QString::fromStdString(path));
    if (!impl_->port->open(QIODevice::ReadWrite)) {
        impl_->port.reset();
        return false;
    }
    impl_->ForgetMinorError();
    return true;
}

void QtSerialDevice::Close() {
    if (impl_->port) impl_->port->close();
    impl_->port.reset();
}

bool QtSerialDevice::IsOpen() const {
    return impl_->port && impl_->port->isOpen();
}

bool QtSerialDevice::GetState(SerialConfig& config) {
    if (!impl_->Usable()) return false;
    QSerialPort& port = *impl_->port;
    config.baudRate = static_cast<std::uint32_t>(port.baudRate());
    config.byteSize = static_cast<std::uint8_t>(port.dataBits());
    config.parity = port.parity() == QSerialPort::NoParity ? 0 : 1;
    config.stopBits = port.stopBits() == QSerialPort::OneStop ? 0 : 2;
    config.keepLines = true;
    return true;
}

bool QtSerialDevice::SetState(const SerialConfig& config) {
    if (!impl_->Usable()) return false;
    QSerialPort& port = *impl_->port;
    bool ok = port.setBaudRate(static_cast<qint32>(config.baudRate));
    ok = port.setDataBits(QSerialPort::Data8) && ok;
    ok = port.setParity(QSerialPort::NoParity) && ok;
    ok = port.setStopBits(QSerialPort::OneStop) && ok;
    ok = port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    if (!config.keepLines) {
        // DTR and RTS control disabled: both lines drop. A device without
        // modem lines (a pseudo-terminal) cannot, which is no failure here.
        int bits = TIOCM_DTR | TIOCM_RTS;
        (void)impl_->Ioctl(TIOCMBIC, &bits);
    }
    impl_->ForgetMinorError();
    return ok && impl_->Usable();
}

bool QtSerialDevice::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!impl_->Usable()) return false;
    impl_->timeouts = timeouts;
    return true;
}

bool QtSerialDevice::SetLine(LineFunction function) {
    int rts = TIOCM_RTS;
    int dtr = TIOCM_DTR;
    switch (function) {
        case LineFunction::SetRts:
            return impl_->Ioctl(TIOCMBIS, &rts);
        case LineFunction::ClrRts:
            return impl_->Ioctl(TIOCMBIC, &rts);
        case LineFunction::SetDtr:
            return impl_->Ioctl(TIOCMBIS, &dtr);
        case LineFunction::ClrDtr:
            return impl_->Ioctl(TIOCMBIC, &dtr);
        case LineFunction::SetBreak:
            return impl_->Ioctl(TIOCSBRK, nullptr);
        case LineFunction::ClrBreak:
            return impl_->Ioctl(TIOCCBRK, nullptr);
    }
    return false;
}

bool QtSerialDevice::GetModemStatus(std::uint32_t& status) {
    int bits = 0;
    if (!impl_->Ioctl(TIOCMGET, &bits)) return false;
    status = (bits & TIOCM_CTS) != 0 ? kModemCtsOn : 0;
    return true;
}

bool QtSerialDevice::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    if (!impl_->Usable()) return false;
    QSerialPort& port = *impl_->port;
    const SerialTimeouts& t = impl_->timeouts;
    qint64 total = static_cast<qint64>(t.readTotalMultiplierMs) * static_cast<qint64>(count) +
                   t.readTotalConstantMs;
    if (total == 0 && t.readIntervalMs == 0) total = kEndlessReadMs;
    QElapsedTimer clock;
    clock.start();
    qint64 lastByte = 0;
    bool lookedLast = false;
    while (got < count) {
        if (port.bytesAvailable() > 0) {
            const qint64 n =
                port.read(reinterpret_cast<char*>(buffer + got), static_cast<qint64>(count - got));
            if (n < 0) return false;
            got += static_cast<std::size_t>(n);
            lastByte = clock.elapsed();
            continue;
        }
        qint64 wait = total > 0 ? total - clock.elapsed() : kEndlessReadMs;
        if (got > 0 && t.readIntervalMs > 0) {
            wait = std::min(wait, lastByte + t.readIntervalMs - clock.elapsed());
        }
        // Bytes that arrived within the time-out count even when this thread
        // looks late: one last look without waiting.
        if (wait <= 0) {
            if (lookedLast || !port.waitForReadyRead(0)) {
                impl_->ForgetMinorError();
                break;
            }
            lookedLast = true;
            continue;
        }
        if (!port.waitForReadyRead(static_cast<int>(wait))) {
            if (!impl_->Usable()) return false;
            // A time-out: the loop looks at the time again.
            impl_->ForgetMinorError();
        }
    }
    return impl_->Usable();
}

bool QtSerialDevice::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    if (!impl_->Usable()) return false;
    QSerialPort& port = *impl_->port;
    const qint64 n = port.write(reinterpret_cast<const char*>(buffer), static_cast<qint64>(count));
    if (n < 0) {
        (void)impl_->Usable();
        return false;
    }
    while (port.bytesToWrite() > 0) {
        if (!port.waitForBytesWritten(kWriteWaitMs)) {
            // Bytes that cannot leave within seconds: the device has gone.
            port.close();
            return false;
        }
    }
    written = static_cast<std::size_t>(n);
    return impl_->Usable();
}

}  // namespace kvr::gui
