// A stand-in for the FTDI chip maker's ftd2xx.dll in the tests: the entries
// the program calls, on a simulated FTDI chip with a simulated controller
// behind its pins, in real time. Set up through the environment:
//   KVR_FTD2XX_COM        the COM port number the chip's serial driver has
//                         (no chip at all without it)
//   KVR_FTD2XX_CHIP       the chip: FT232R (default), FT2232H, FT232BM, ...
//   KVR_FTD2XX_SIMULATE   the controller, as --simulate names it (default)
//   KVR_FTD2XX_STATE      a file that carries the controller's parameter
//                         memory and flash from one program run to the next
//   KVR_FTD2XX_PULL_OUT   the chip is pulled out after this many requests
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "d2xx_api.h"
#include "ftdi_chip_model.h"
#include "sim_profiles.h"
#include "simulation.h"

namespace {

namespace d2xx = kvr::win32::d2xx;
using kvr::sim::FtdiType;

// GetEnvironmentVariable, not getenv: a test that sets a variable in its
// own process reaches the library too.
std::string Env(const char* name) {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

FtdiType ChipOf(const std::string& name) {
    for (FtdiType t : {FtdiType::Ft232bm, FtdiType::Ft232r, FtdiType::Ft2232c, FtdiType::Ft2232h,
                       FtdiType::Ft4232h, FtdiType::Ft232h}) {
        if (name == kvr::sim::FtdiSheetOf(t).model) return t;
    }
    return FtdiType::Ft232r;
}

ULONG DeviceType(FtdiType type) {
    switch (type) {
        case FtdiType::Ft232bm:
            return d2xx::kDeviceBm;
        case FtdiType::Ft2232c:
            return d2xx::kDevice2232C;
        case FtdiType::Ft2232h:
            return d2xx::kDevice2232H;
        case FtdiType::Ft4232h:
            return d2xx::kDevice4232H;
        case FtdiType::Ft232h:
            return d2xx::kDevice232H;
        case FtdiType::Ft232r:
            break;
    }
    return d2xx::kDevice232R;
}

// The chip and its controller; the handle the program gets points here.
struct Adapter {
    Adapter()
        : simulation(Start()),
          chip(simulation->simClock(), simulation->controller(), ChipOf(Env("KVR_FTD2XX_CHIP"))),
          stateFile(Env("KVR_FTD2XX_STATE")) {
        const std::string pullOut = Env("KVR_FTD2XX_PULL_OUT");
        if (!pullOut.empty()) chip.faults.pulledOutAfterCalls = std::atol(pullOut.c_str());
        LoadState();
    }

    static std::unique_ptr<kvr::sim::Simulation> Start() {
        const auto request = kvr::sim::ParseSimulate(Env("KVR_FTD2XX_SIMULATE"));
        return kvr::sim::StartSimulation(request.setup, kvr::sim::ClockKind::Real);
    }

    // The state file: the parameter memory, then the flash.
    void LoadState() {
        if (stateFile.empty()) return;
        kvr::sim::Controller& c = simulation->controller();
        if (std::FILE* f = std::fopen(stateFile.c_str(), "rb")) {
            const bool whole =
                std::fread(c.memory.data(), 1, c.memory.size(), f) == c.memory.size() &&
                std::fread(c.flash.data(), 1, c.flash.size(), f) == c.flash.size();
            std::fclose(f);
            if (!whole)
                std::fprintf(stderr, "ftd2xx stand-in: %s is cut short\n", stateFile.c_str());
        }
    }
    void SaveState() {
        if (stateFile.empty()) return;
        const kvr::sim::Controller& c = simulation->controller();
        if (std::FILE* f = std::fopen(stateFile.c_str(), "wb")) {
            std::fwrite(c.memory.data(), 1, c.memory.size(), f);
            std::fwrite(c.flash.data(), 1, c.flash.size(), f);
            std::fclose(f);
        }
    }

    std::unique_ptr<kvr::sim::Simulation> simulation;
    kvr::sim::FtdiChipModel chip;
    std::string stateFile;
    ULONG readTimeoutMs = 0;  // the library's defaults: wait for ever
    ULONG writeTimeoutMs = 0;
};

// The entries carry only the handle: the library's one chip lives as long as
// the library is loaded, made on first use.
Adapter& TheAdapter() {
    static Adapter adapter;
    return adapter;
}

int ComPort() {
    return std::atoi(Env("KVR_FTD2XX_COM").c_str());
}

// The adapter behind an open handle, or null.
Adapter* Opened(d2xx::Handle handle) {
    if (handle == nullptr || ComPort() <= 0) return nullptr;
    Adapter& a = TheAdapter();
    return handle == &a && a.chip.IsOpen() ? &a : nullptr;
}

d2xx::Status Result(bool ok) {
    return ok ? d2xx::kOk : d2xx::kIoError;
}

// An entry that hands out the byte one read of the chip gives, in the
// library's wider type.
template <class T>
d2xx::Status ByteOut(d2xx::Handle handle, T* out,
                     bool (kvr::sim::FtdiChipModel::*read)(std::uint8_t&)) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    std::uint8_t value = 0;
    if (!(a->chip.*read)(value)) return d2xx::kIoError;
    *out = value;
    return d2xx::kOk;
}

constexpr std::uint64_t kNsPerMs = 1000000;

}  // namespace

extern "C" {

d2xx::Status WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    if (count == nullptr) return d2xx::kInvalidParameter;
    *count = ComPort() > 0 ? 1 : 0;
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_Open(int index, d2xx::Handle* handle) {
    if (handle == nullptr) return d2xx::kInvalidParameter;
    *handle = nullptr;
    if (index != 0 || ComPort() <= 0) return d2xx::kDeviceNotFound;
    Adapter& a = TheAdapter();
    if (!a.chip.Open()) return d2xx::kDeviceNotOpened;
    *handle = &a;
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_Close(d2xx::Handle handle) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    a->chip.Close();
    a->SaveState();
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_GetComPortNumber(d2xx::Handle handle, LONG* port) {
    if (Opened(handle) == nullptr) return d2xx::kInvalidHandle;
    if (port == nullptr) return d2xx::kInvalidParameter;
    *port = ComPort();
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_GetDeviceInfo(d2xx::Handle handle, ULONG* type, DWORD* id,
                                     char* serialNumber, char* description, void*) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    if (type != nullptr) *type = DeviceType(a->chip.sheet().type);
    if (id != nullptr) *id = (DWORD{a->chip.vendorId()} << 16) | a->chip.sheet().productId;
    // The library's buffers hold 16 and 64 characters.
    if (serialNumber != nullptr)
        std::snprintf(serialNumber, 16, "%s", a->chip.serialNumber.c_str());
    if (description != nullptr) std::snprintf(description, 64, "%s", a->chip.description.c_str());
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_GetBitMode(d2xx::Handle handle, UCHAR* pins) {
    return ByteOut(handle, pins, &kvr::sim::FtdiChipModel::ReadPins);
}

d2xx::Status WINAPI FT_SetFlowControl(d2xx::Handle handle, USHORT flow, UCHAR, UCHAR) {
    // Only no flow control: the link drives every line itself.
    if (Opened(handle) == nullptr) return d2xx::kInvalidHandle;
    return flow == d2xx::kFlowNone ? d2xx::kOk : d2xx::kInvalidParameter;
}

// An entry that is one call of the chip behind an open handle.
#define KVR_CHIP_ENTRY(name, call, ...)                                        \
    d2xx::Status WINAPI name(d2xx::Handle handle __VA_OPT__(, ) __VA_ARGS__) { \
        Adapter* a = Opened(handle);                                           \
        return a == nullptr ? d2xx::kInvalidHandle : Result(a->chip.call);     \
    }
KVR_CHIP_ENTRY(FT_SetBitMode, SetBitMode(mask, mode), UCHAR mask, UCHAR mode)
KVR_CHIP_ENTRY(FT_SetBaudRate, SetBaudRate(baud), ULONG baud)
KVR_CHIP_ENTRY(FT_SetDataCharacteristics, SetDataCharacteristics(bits, stopBits, parity),
               UCHAR bits, UCHAR stopBits, UCHAR parity)
KVR_CHIP_ENTRY(FT_SetDtr, SetDtr(true))
KVR_CHIP_ENTRY(FT_ClrDtr, SetDtr(false))
KVR_CHIP_ENTRY(FT_SetRts, SetRts(true))
KVR_CHIP_ENTRY(FT_ClrRts, SetRts(false))
KVR_CHIP_ENTRY(FT_SetBreakOn, SetBreak(true))
KVR_CHIP_ENTRY(FT_SetBreakOff, SetBreak(false))
KVR_CHIP_ENTRY(FT_SetLatencyTimer, SetLatencyTimer(ms), UCHAR ms)
#undef KVR_CHIP_ENTRY

// The line status byte above it stays 0: no errors on this line.
d2xx::Status WINAPI FT_GetModemStatus(d2xx::Handle handle, ULONG* status) {
    return ByteOut(handle, status, &kvr::sim::FtdiChipModel::ModemStatus);
}

d2xx::Status WINAPI FT_SetTimeouts(d2xx::Handle handle, ULONG readMs, ULONG writeMs) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    a->readTimeoutMs = readMs;
    a->writeTimeoutMs = writeMs;
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_Purge(d2xx::Handle handle, ULONG mask) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    bool ok = true;
    if (mask & d2xx::kPurgeRx) ok = a->chip.PurgeRx() && ok;
    if (mask & d2xx::kPurgeTx) ok = a->chip.PurgeTx() && ok;
    return Result(ok);
}

// As the library does: the call returns when every byte is with the chip or
// the write time-out has passed; written tells how many.
d2xx::Status WINAPI FT_Write(d2xx::Handle handle, void* data, DWORD count, DWORD* written) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    if (written == nullptr || (data == nullptr && count > 0)) return d2xx::kInvalidParameter;
    std::size_t taken = 0;
    const std::uint64_t timeoutNs =
        a->writeTimeoutMs == 0 ? UINT64_MAX : std::uint64_t{a->writeTimeoutMs} * kNsPerMs;
    const bool ok =
        a->chip.BulkWrite(static_cast<const std::uint8_t*>(data), count, taken, timeoutNs);
    *written = static_cast<DWORD>(taken);
    return Result(ok);
}

// As the library does: the call returns once count bytes have come, or when
// the read time-out has passed with fewer; got tells how many.
d2xx::Status WINAPI FT_Read(d2xx::Handle handle, void* data, DWORD count, DWORD* got) {
    Adapter* a = Opened(handle);
    if (a == nullptr) return d2xx::kInvalidHandle;
    if (got == nullptr || (data == nullptr && count > 0)) return d2xx::kInvalidParameter;
    *got = 0;
    kvr::sim::SimClock& clock = a->simulation->simClock();
    const std::uint64_t deadline = a->readTimeoutMs == 0
                                       ? UINT64_MAX
                                       : clock.NowNs() + std::uint64_t{a->readTimeoutMs} * kNsPerMs;
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (*got < count) {
        std::size_t n = 0;
        if (!a->chip.BulkRead(bytes + *got, count - *got, n)) return d2xx::kIoError;
        *got += static_cast<DWORD>(n);
        if (*got < count && n == 0) {
            if (clock.NowNs() >= deadline) break;
            // Nothing came in this transfer: the next one a moment later.
            clock.WaitUntil(clock.NowNs() + kNsPerMs);
        }
    }
    return d2xx::kOk;
}

}  // extern "C"
