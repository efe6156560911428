// The stand-in for libftdi1 the tests link the FTDI driver against: its hooks for the tests.
#pragma once

namespace kvr::sim {
class FtdiChipModel;
}

// The chip that ftdi_usb_open_bus_addr finds at its bus and address; null:
// no chip on the USB.
extern "C" void kvr_libftdi_standin_attach(kvr::sim::FtdiChipModel* chip);
// Whether the last ftdi_usb_close gave the chip back to the kernel's serial
// driver (the tty came back).
extern "C" int kvr_libftdi_standin_tty_back();
