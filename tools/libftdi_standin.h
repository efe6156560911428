// The stand-in for libftdi1 that the tests link the real driver against:
// the few ftdi_* calls the driver makes, answered by a simulated chip.
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
