// The FTDI chip behind a Linux serial port, through libftdi1, the kernel's driver detached.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ftdi_chip.h"

struct ftdi_context;

namespace kvr {

// Where a tty sits on the USB, as sysfs tells.
struct UsbSerialLocation {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    int interface = 0;  // the chip's serial interface: 0 = A, 1 = B, ...
};

// Finds the USB device behind a tty (a /dev path or its link, or a bare
// name) under the given sysfs root. false: not a USB serial device.
bool FindUsbSerial(const std::string& sysfsRoot, const std::string& port,
                   UsbSerialLocation& location);

// Whether the environment turns the fast path off: KVR_NO_FAST_PATH set to
// anything but "" or "0".
bool FastPathOffByEnvironment();

class LibftdiChip : public FtdiChip {
  public:
    explicit LibftdiChip(std::string sysfsRoot = "/sys") : sysfsRoot_(std::move(sysfsRoot)) {}
    ~LibftdiChip() override;
    LibftdiChip(const LibftdiChip&) = delete;
    LibftdiChip& operator=(const LibftdiChip&) = delete;

    KVR_FTDI_CHIP_CALLS;

  private:
    std::string sysfsRoot_;
    ftdi_context* ftdi_ = nullptr;
};

}  // namespace kvr
