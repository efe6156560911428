#include "win32_serial_device.h"

#include <cstring>

#include "win32_text.h"

namespace kvr::win32 {

namespace {
// A write that cannot leave within this time means the device has gone;
// without a write time-out WriteFile would wait for ever.
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
}  // namespace

Win32SerialDevice::~Win32SerialDevice() {
    Close();
}

bool Win32SerialDevice::Open(const std::string& name) {
    if (IsOpen() || name.empty()) return false;
    // The device namespace reaches every port, COM10 and above included.
    const std::wstring path = name.rfind("\\\\.\\", 0) == 0 ? Wide(name) : L"\\\\.\\" + Wide(name);
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    return IsOpen();
}

void Win32SerialDevice::Close() {
    if (IsOpen()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool Win32SerialDevice::GetState(SerialConfig& config) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!IsOpen() || !GetCommState(handle_, &dcb)) return false;
    config.baudRate = dcb.BaudRate;
    config.byteSize = dcb.ByteSize;
    config.parity = dcb.Parity;
    config.stopBits = dcb.StopBits;
    config.keepLines = true;
    return true;
}

bool Win32SerialDevice::SetState(const SerialConfig& config) {
    if (!IsOpen()) return false;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (config.keepLines) {
        // The port's other settings stay as they are.
        if (!GetCommState(handle_, &dcb)) return false;
    } else {
        // Built from zero, not from what the last user of the port left:
        // no flow control, DTR and RTS released, no error character, no
        // dropped 0x00 bytes and no read that fails after a break. Windows
        // accepts binary mode only, and refuses a block whose XON and XOFF
        // characters are equal; with XON/XOFF off the usual pair is never
        // acted on.
        dcb.fBinary = TRUE;
        dcb.XonChar = kXon;
        dcb.XoffChar = kXoff;
    }
    dcb.BaudRate = config.baudRate;
    dcb.ByteSize = config.byteSize;
    dcb.Parity = config.parity;
    dcb.StopBits = config.stopBits;
    if (stateHook) stateHook(dcb);
    return SetCommState(handle_, &dcb) != FALSE;
}

bool Win32SerialDevice::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!IsOpen()) return false;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.readIntervalMs;
    t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
    t.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(handle_, &t) != FALSE;
}

bool Win32SerialDevice::SetLine(LineFunction function) {
    if (!IsOpen()) return false;
    // In the order of LineFunction.
    constexpr DWORD kCodes[] = {SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK};
    const DWORD code = kCodes[static_cast<std::size_t>(function)];
    return EscapeCommFunction(handle_, code) != FALSE;
}

bool Win32SerialDevice::GetModemStatus(std::uint32_t& status) {
    DWORD s = 0;
    if (!IsOpen() || !GetCommModemStatus(handle_, &s)) return false;
    static_assert(MS_CTS_ON == kModemCtsOn);
    status = s;
    return true;
}

bool Win32SerialDevice::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    DWORD n = 0;
    if (!IsOpen() || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &n, nullptr))
        return false;
    got = n;
    return true;
}

bool Win32SerialDevice::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    DWORD n = 0;
    if (!IsOpen() || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &n, nullptr))
        return false;
    written = n;
    // A write time-out returns success with fewer bytes: the rest did not
    // leave.
    return n == count;
}

}  // namespace kvr::win32
