// An FTDI chip through the chip maker's D2XX library, loaded when first needed.
#pragma once

#include <string>

#include "d2xx_api.h"
#include "platform/ftdi_chip.h"
#include "windows_api.h"

namespace kvr::win32 {

// The library is loaded by name on the first Open and kept until the end;
// a library that lacks one of the entries is not used at all, so a chip is
// never left half set up. Open finds the chip whose virtual COM port is the
// one the user chose; while it is open here that COM port cannot be opened.
class D2xxChip : public FtdiChip {
  public:
    explicit D2xxChip(std::wstring libraryName = L"ftd2xx.dll");
    ~D2xxChip() override;
    D2xxChip(const D2xxChip&) = delete;
    D2xxChip& operator=(const D2xxChip&) = delete;

    KVR_FTDI_CHIP_CALLS;

    // The chip's pins change this many times a second per unit of
    // FT_SetBaudRate while in bit-bang mode.
    static constexpr std::uint32_t kPinClockPerBaud = 16;

  private:
    struct Entries {
        d2xx::CreateDeviceInfoList createDeviceInfoList = nullptr;
        d2xx::Open open = nullptr;
        d2xx::Close close = nullptr;
        d2xx::GetComPortNumber getComPortNumber = nullptr;
        d2xx::GetDeviceInfo getDeviceInfo = nullptr;
        d2xx::SetBitMode setBitMode = nullptr;
        d2xx::GetBitMode getBitMode = nullptr;
        d2xx::SetBaudRate setBaudRate = nullptr;
        d2xx::SetDataCharacteristics setDataCharacteristics = nullptr;
        d2xx::SetFlowControl setFlowControl = nullptr;
        d2xx::Line setDtr = nullptr;
        d2xx::Line clrDtr = nullptr;
        d2xx::Line setRts = nullptr;
        d2xx::Line clrRts = nullptr;
        d2xx::Line setBreakOn = nullptr;
        d2xx::Line setBreakOff = nullptr;
        d2xx::GetModemStatus getModemStatus = nullptr;
        d2xx::SetLatencyTimer setLatencyTimer = nullptr;
        d2xx::SetTimeouts setTimeouts = nullptr;
        d2xx::Purge purge = nullptr;
        d2xx::Write write = nullptr;
        d2xx::Read read = nullptr;
    };
    // Loads the library and looks up every entry; false when either fails.
    bool Load();
    bool Ok(d2xx::Status status) const { return handle_ != nullptr && status == d2xx::kOk; }

    std::wstring libraryName_;
    HMODULE module_ = nullptr;
    bool loaded_ = false;
    Entries ft_;
    d2xx::Handle handle_ = nullptr;
};

// The COM port number in a port name ("COM3", "\\.\COM12"); 0 for none.
int ComPortNumber(const std::string& portName);

// What the program knows of a chip of one of D2XX's types.
FtdiChipInfo D2xxChipInfo(ULONG type);

}  // namespace kvr::win32
