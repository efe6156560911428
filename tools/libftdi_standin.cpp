// libftdi1's calls that the FTDI driver makes, answered by the simulated chip.
//
// ftdi_new, ftdi_free, ftdi_set_interface, ftdi_usb_open_bus_addr,
// ftdi_usb_close, ftdi_set_bitmode, ftdi_set_baudrate,
// ftdi_set_line_property2, ftdi_setdtr, ftdi_setrts, ftdi_poll_modem_status,
// ftdi_read_pins, ftdi_set_latency_timer, ftdi_tcioflush, ftdi_write_data,
// ftdi_read_data. Each behaves as libftdi1 1.5 documents it, down to the
// bit-bang baud rate it multiplies by 4 and reads that return on the first
// transfer that brings no data.
#include "libftdi_standin.h"

#include <ftdi.h>

#include <algorithm>
#include <new>

#include "ftdi_chip_model.h"

namespace {

using kvr::sim::FtdiChipModel;
using kvr::sim::FtdiType;

// A library has no caller to hand its state to: the tests attach the chip
// here, one at a time.
struct StandIn {
    FtdiChipModel* chip = nullptr;
    bool ttyBack = true;
};
StandIn& State() {
    static StandIn state;
    return state;
}

constexpr int kChunk = 4096;

FtdiChipModel* ChipOf(ftdi_context* ftdi) {
    return ftdi != nullptr && ftdi->usb_dev != nullptr ? State().chip : nullptr;
}

ftdi_chip_type TypeOf(FtdiType type) {
    switch (type) {
        case FtdiType::Ft232bm:
            return TYPE_BM;
        case FtdiType::Ft232r:
            return TYPE_R;
        case FtdiType::Ft2232c:
            return TYPE_2232C;
        case FtdiType::Ft2232h:
            return TYPE_2232H;
        case FtdiType::Ft4232h:
            return TYPE_4232H;
        case FtdiType::Ft232h:
            return TYPE_232H;
    }
    return TYPE_AM;
}

}  // namespace

extern "C" {

void kvr_libftdi_standin_attach(FtdiChipModel* chip) {
    State().chip = chip;
    State().ttyBack = true;
}

int kvr_libftdi_standin_tty_back() {
    return State().ttyBack ? 1 : 0;
}

ftdi_context* ftdi_new(void) {
    auto* ftdi = new (std::nothrow) ftdi_context{};
    if (ftdi == nullptr) return nullptr;
    ftdi->usb_read_timeout = 5000;
    ftdi->usb_write_timeout = 5000;
    ftdi->interface = 0;
    ftdi->index = INTERFACE_A;
    ftdi->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    return ftdi;
}

void ftdi_free(ftdi_context* ftdi) {
    delete ftdi;
}

int ftdi_set_interface(ftdi_context* ftdi, enum ftdi_interface interface) {
    if (ftdi == nullptr) return -2;
    if (ftdi->usb_dev != nullptr) return -3;
    ftdi->index = interface == INTERFACE_ANY ? INTERFACE_A : interface;
    ftdi->interface = ftdi->index - INTERFACE_A;
    return 0;
}

int ftdi_usb_open_bus_addr(ftdi_context* ftdi, uint8_t bus, uint8_t addr) {
    FtdiChipModel* chip = State().chip;
    if (ftdi == nullptr) return -11;
    if (chip == nullptr || chip->busNumber != bus || chip->deviceAddress != addr) return -3;
    // The simulated chips have one serial interface.
    if (ftdi->interface != 0) return -5;
    if (!chip->Open()) return -5;
    // A chip whose kernel driver is detached without being attached again
    // leaves the system without its tty; this stand-in holds the driver to
    // the mode that gives it back.
    State().ttyBack = ftdi->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE;
    ftdi->usb_dev = reinterpret_cast<libusb_device_handle*>(chip);
    ftdi->type = TypeOf(chip->sheet().type);
    ftdi->max_packet_size = static_cast<unsigned int>(chip->sheet().packetSize);
    ftdi->bitbang_enabled = 0;
    return 0;
}

int ftdi_usb_close(ftdi_context* ftdi) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (ftdi == nullptr) return -3;
    if (chip != nullptr) chip->Close();
    ftdi->usb_dev = nullptr;
    return 0;
}

int ftdi_set_bitmode(ftdi_context* ftdi, unsigned char bitmask, unsigned char mode) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    if (!chip->SetBitMode(bitmask, mode)) return -1;
    ftdi->bitbang_enabled = mode == BITMODE_RESET ? 0 : 1;
    ftdi->bitbang_mode = mode;
    return 0;
}

int ftdi_set_baudrate(ftdi_context* ftdi, int baudrate) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -3;
    if (ftdi->bitbang_enabled) baudrate *= 4;
    if (baudrate <= 0) return -1;
    if (!chip->SetBaudRate(static_cast<uint32_t>(baudrate))) return -2;
    ftdi->baudrate = baudrate;
    return 0;
}

int ftdi_set_line_property2(ftdi_context* ftdi, enum ftdi_bits_type bits,
                            enum ftdi_stopbits_type sbit, enum ftdi_parity_type parity,
                            enum ftdi_break_type break_type) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    // One request carries the data format and the break.
    if (bits != BITS_8 || sbit != STOP_BIT_1 || parity != NONE) return -1;
    return chip->SetBreak(break_type == BREAK_ON) ? 0 : -1;
}

int ftdi_setdtr(ftdi_context* ftdi, int state) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    return chip->SetDtr(state != 0) ? 0 : -1;
}

int ftdi_setrts(ftdi_context* ftdi, int state) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    return chip->SetRts(state != 0) ? 0 : -1;
}

int ftdi_poll_modem_status(ftdi_context* ftdi, unsigned short* status) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    uint8_t modem = 0;
    if (!chip->ModemStatus(modem)) return -1;
    // The modem status byte, then the line status byte (transmitter empty).
    *status = static_cast<unsigned short>(modem | 0x01 | (0x60 << 8));
    return 0;
}

int ftdi_read_pins(ftdi_context* ftdi, unsigned char* pins) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -2;
    return chip->ReadPins(*pins) ? 0 : -1;
}

int ftdi_set_latency_timer(ftdi_context* ftdi, unsigned char latency) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -3;
    if (latency < 1) return -1;
    return chip->SetLatencyTimer(latency) ? 0 : -2;
}

int ftdi_tcioflush(ftdi_context* ftdi) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -3;
    if (!chip->PurgeRx()) return -1;
    return chip->PurgeTx() ? 0 : -2;
}

int ftdi_write_data(ftdi_context* ftdi, const unsigned char* buf, int size) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -666;
    int offset = 0;
    while (offset < size) {
        const int n = std::min(kChunk, size - offset);
        std::size_t taken = 0;
        const std::uint64_t timeoutNs = std::uint64_t(ftdi->usb_write_timeout) * 1000000;
        if (!chip->BulkWrite(buf + offset, static_cast<std::size_t>(n), taken, timeoutNs) ||
            taken < static_cast<std::size_t>(n)) {
            return -1;  // usb bulk write failed (a time-out counts as one)
        }
        offset += n;
    }
    return offset;
}

int ftdi_read_data(ftdi_context* ftdi, unsigned char* buf, int size) {
    FtdiChipModel* chip = ChipOf(ftdi);
    if (chip == nullptr) return -666;
    int offset = 0;
    // Transfers until the buffer is full or one brings only status bytes.
    while (offset < size) {
        std::size_t got = 0;
        const int n = std::min(kChunk, size - offset);
        if (!chip->BulkRead(buf + offset, static_cast<std::size_t>(n), got)) return -1;
        if (got == 0) break;
        offset += static_cast<int>(got);
    }
    return offset;
}

}  // extern "C"
