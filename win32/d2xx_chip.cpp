// An FTDI chip through the chip maker's D2XX library.
#include "d2xx_chip.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace kvr::win32 {

namespace {
// A read returns what came within this time, as libftdi1's does within the
// chip's latency timer: the caller polls, and the link's own time-outs decide.
constexpr ULONG kReadTimeoutMs = 1;
// A write the chip cannot take within this time means it has gone.
constexpr ULONG kWriteTimeoutMs = 2000;

template <typename F>
bool Lookup(HMODULE module, const char* name, F& entry) {
    // GetProcAddress returns a generic function pointer; the entry's real
    // type is the one the programmer's guide documents.
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}
}  // namespace

int ComPortNumber(const std::string& portName) {
    std::string name = portName;
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (name.size() < 4 || name.size() > 6) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    }
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

FtdiChipInfo D2xxChipInfo(ULONG type) {
    // Buffer sizes per channel, from the chips' data sheets.
    switch (type) {
        case d2xx::kDevice232R:
            return {"FT232R", true, 128, 256};
        case d2xx::kDevice2232C:
            return {"FT2232C", true, 384, 128};
        case d2xx::kDevice2232H:
            return {"FT2232H", true, 4096, 4096};
        case d2xx::kDevice4232H:
            return {"FT4232H", true, 2048, 2048};
        case d2xx::kDevice232H:
            return {"FT232H", true, 1024, 1024};
        case d2xx::kDeviceBm:
            return {"FT232B", false, 128, 384};
        case d2xx::kDeviceAm:
            return {"FT8U232AM", false, 128, 384};
        case d2xx::kDeviceXSeries:
            return {"FT-X", false, 512, 512};
        default:
            return {"FTDI", false, 0, 0};
    }
}

D2xxChip::D2xxChip(std::wstring libraryName) : libraryName_(std::move(libraryName)) {}

D2xxChip::~D2xxChip() {
    Close();
    if (module_ != nullptr) FreeLibrary(module_);
}

bool D2xxChip::Load() {
    if (module_ == nullptr) {
        module_ = LoadLibraryW(libraryName_.c_str());
        if (module_ == nullptr) return false;
        loaded_ =
            Lookup(module_, "FT_CreateDeviceInfoList", ft_.createDeviceInfoList) &&
            Lookup(module_, "FT_Open", ft_.open) && Lookup(module_, "FT_Close", ft_.close) &&
            Lookup(module_, "FT_GetComPortNumber", ft_.getComPortNumber) &&
            Lookup(module_, "FT_GetDeviceInfo", ft_.getDeviceInfo) &&
            Lookup(module_, "FT_SetBitMode", ft_.setBitMode) &&
            Lookup(module_, "FT_GetBitMode", ft_.getBitMode) &&
            Lookup(module_, "FT_SetBaudRate", ft_.setBaudRate) &&
            Lookup(module_, "FT_SetDataCharacteristics", ft_.setDataCharacteristics) &&
            Lookup(module_, "FT_SetFlowControl", ft_.setFlowControl) &&
            Lookup(module_, "FT_SetDtr", ft_.setDtr) && Lookup(module_, "FT_ClrDtr", ft_.clrDtr) &&
            Lookup(module_, "FT_SetRts", ft_.setRts) && Lookup(module_, "FT_ClrRts", ft_.clrRts) &&
            Lookup(module_, "FT_SetBreakOn", ft_.setBreakOn) &&
            Lookup(module_, "FT_SetBreakOff", ft_.setBreakOff) &&
            Lookup(module_, "FT_GetModemStatus", ft_.getModemStatus) &&
            Lookup(module_, "FT_SetLatencyTimer", ft_.setLatencyTimer) &&
            Lookup(module_, "FT_SetTimeouts", ft_.setTimeouts) &&
            Lookup(module_, "FT_Purge", ft_.purge) && Lookup(module_, "FT_Write", ft_.write) &&
            Lookup(module_, "FT_Read", ft_.read);
    }
    return loaded_;
}

bool D2xxChip::Open(const std::string& portName, FtdiChipInfo& info) {
    const int com = ComPortNumber(portName);
    if (handle_ != nullptr || com == 0 || !Load()) return false;
    DWORD count = 0;
    if (ft_.createDeviceInfoList(&count) != d2xx::kOk) return false;
    for (DWORD i = 0; i < count && i <= static_cast<DWORD>(std::numeric_limits<int>::max()); ++i) {
        d2xx::Handle handle = nullptr;
        // A chip that another program holds cannot be opened: it is not
        // ours to take, whichever port it is.
        if (ft_.open(static_cast<int>(i), &handle) != d2xx::kOk || handle == nullptr) continue;
        LONG port = -1;
        ULONG type = d2xx::kDeviceUnknown;
        DWORD id = 0;
        if (ft_.getComPortNumber(handle, &port) == d2xx::kOk && port == com &&
            ft_.getDeviceInfo(handle, &type, &id, nullptr, nullptr, nullptr) == d2xx::kOk &&
            ft_.setTimeouts(handle, kReadTimeoutMs, kWriteTimeoutMs) == d2xx::kOk) {
            handle_ = handle;
            info = D2xxChipInfo(type);
            return true;
        }
        ft_.close(handle);
    }
    return false;
}

void D2xxChip::Close() {
    if (handle_ == nullptr) return;
    // Back in serial mode, so that the COM port works as before.
    ft_.setBitMode(handle_, 0, d2xx::kModeReset);
    ft_.close(handle_);
    handle_ = nullptr;
}

bool D2xxChip::SetSerialMode() {
    if (handle_ == nullptr) return false;
    return Ok(ft_.setBitMode(handle_, 0, d2xx::kModeReset)) &&
           Ok(ft_.setDataCharacteristics(handle_, d2xx::kBits8, d2xx::kStopBits1,
                                         d2xx::kParityNone)) &&
           Ok(ft_.setFlowControl(handle_, d2xx::kFlowNone, 0x11, 0x13));
}

bool D2xxChip::SetSyncBitBang(std::uint8_t outputMask) {
    return handle_ != nullptr && Ok(ft_.setBitMode(handle_, outputMask, d2xx::kModeSyncBitBang));
}

bool D2xxChip::SetBaudRate(std::uint32_t baud) {
    return handle_ != nullptr && Ok(ft_.setBaudRate(handle_, baud));
}

bool D2xxChip::SetPinClock(std::uint32_t hz) {
    // Rounded down: a slower clock only makes every pause longer.
    const std::uint32_t baud = std::max<std::uint32_t>(1, hz / kPinClockPerBaud);
    return SetBaudRate(baud);
}

bool D2xxChip::SetBreak(bool on) {
    return handle_ != nullptr && Ok((on ? ft_.setBreakOn : ft_.setBreakOff)(handle_));
}

bool D2xxChip::SetDtr(bool on) {
    return handle_ != nullptr && Ok((on ? ft_.setDtr : ft_.clrDtr)(handle_));
}

bool D2xxChip::SetRts(bool on) {
    return handle_ != nullptr && Ok((on ? ft_.setRts : ft_.clrRts)(handle_));
}

bool D2xxChip::ModemStatus(std::uint8_t& status) {
    ULONG value = 0;
    if (handle_ == nullptr || !Ok(ft_.getModemStatus(handle_, &value))) return false;
    // The low byte is the modem status; the next one the line status.
    status = static_cast<std::uint8_t>(value & 0xFF);
    return true;
}

bool D2xxChip::ReadPins(std::uint8_t& pins) {
    UCHAR value = 0;
    if (handle_ == nullptr || !Ok(ft_.getBitMode(handle_, &value))) return false;
    pins = value;
    return true;
}

bool D2xxChip::SetLatencyTimer(std::uint8_t ms) {
    return handle_ != nullptr && Ok(ft_.setLatencyTimer(handle_, ms));
}

bool D2xxChip::Purge() {
    return handle_ != nullptr && Ok(ft_.purge(handle_, d2xx::kPurgeRx | d2xx::kPurgeTx));
}

bool D2xxChip::Write(const std::uint8_t* data, std::size_t count) {
    if (handle_ == nullptr) return false;
    while (count > 0) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 20));
        DWORD written = 0;
        // The library takes a non-const buffer but only reads it.
        if (!Ok(ft_.write(handle_, const_cast<std::uint8_t*>(data), part, &written)) ||
            written != part) {
            return false;
        }
        data += part;
        count -= part;
    }
    return true;
}

bool D2xxChip::Read(std::uint8_t* data, std::size_t count, std::size_t& got) {
    got = 0;
    if (handle_ == nullptr) return false;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 20));
    DWORD read = 0;
    if (!Ok(ft_.read(handle_, data, part, &read))) return false;
    got = read;
    return true;
}

}  // namespace kvr::win32
