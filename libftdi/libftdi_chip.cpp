#include "libftdi_chip.h"

#include <ftdi.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

namespace kvr {

namespace {
namespace fs = std::filesystem;

constexpr std::uint16_t kFtdiVendor = 0x0403;

bool ReadNumber(const fs::path& file, int base, unsigned long& value) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return false;
    try {
        std::size_t used = 0;
        value = std::stoul(text, &used, base);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

struct ChipKind {
    ftdi_chip_type type;
    const char* model;
    bool syncBitBang;
    std::size_t txBuffer;
    std::size_t rxBuffer;
};

// Buffer sizes per serial interface from the datasheets.
constexpr ChipKind kKinds[] = {
    {TYPE_AM, "FT8U232AM", false, 128, 128},   {TYPE_BM, "FT232BM", false, 128, 384},
    {TYPE_2232C, "FT2232C", true, 128, 384},   {TYPE_R, "FT232R", true, 128, 256},
    {TYPE_2232H, "FT2232H", true, 4096, 4096}, {TYPE_4232H, "FT4232H", true, 2048, 2048},
    {TYPE_232H, "FT232H", true, 1024, 1024},   {TYPE_230X, "FT230X", false, 512, 512},
};
}  // namespace

bool FindUsbSerial(const std::string& sysfsRoot, const std::string& port,
                   UsbSerialLocation& location) {
    std::error_code error;
    // A link such as /dev/serial/by-id/... names the tty it points to.
    fs::path tty = fs::weakly_canonical(port, error);
    if (error) tty = port;
    const fs::path device =
        fs::canonical(fs::path(sysfsRoot) / "class" / "tty" / tty.filename() / "device", error);
    if (error) return false;
    // .../<usb device>/<interface>/ttyUSBn, or the interface itself.
    fs::path interface = device;
    if (!fs::exists(interface / "bInterfaceNumber")) interface = interface.parent_path();
    const fs::path usb = interface.parent_path();
    unsigned long number = 0, bus = 0, address = 0, vendor = 0, product = 0;
    if (!ReadNumber(interface / "bInterfaceNumber", 16, number) ||
        !ReadNumber(usb / "busnum", 10, bus) || !ReadNumber(usb / "devnum", 10, address) ||
        !ReadNumber(usb / "idVendor", 16, vendor) || !ReadNumber(usb / "idProduct", 16, product) ||
        bus > UINT8_MAX || address > UINT8_MAX || number > 3) {
        return false;
    }
    location.bus = static_cast<std::uint8_t>(bus);
    location.address = static_cast<std::uint8_t>(address);
    location.vendor = static_cast<std::uint16_t>(vendor);
    location.product = static_cast<std::uint16_t>(product);
    location.interface = static_cast<int>(number);
    return true;
}

bool FastPathOffByEnvironment() {
    const char* value = std::getenv("KVR_NO_FAST_PATH");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

LibftdiChip::~LibftdiChip() {
    Close();
}

bool LibftdiChip::Open(const std::string& portName, FtdiChipInfo& info) {
    Close();
    UsbSerialLocation where;
    if (!FindUsbSerial(sysfsRoot_, portName, where) || where.vendor != kFtdiVendor) return false;
    ftdi_ = ftdi_new();
    if (ftdi_ == nullptr) return false;
    // The kernel's serial driver lets go of the chip while it is open here
    // and takes it again at ftdi_usb_close, so the tty comes back.
    ftdi_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    const auto channel = static_cast<ftdi_interface>(INTERFACE_A + where.interface);
    if (ftdi_set_interface(ftdi_, channel) < 0 ||
        ftdi_usb_open_bus_addr(ftdi_, where.bus, where.address) < 0) {
        ftdi_free(ftdi_);
        ftdi_ = nullptr;
        return false;
    }
    info = FtdiChipInfo{};
    info.model = "FTDI";
    for (const ChipKind& kind : kKinds) {
        if (kind.type != ftdi_->type) continue;
        info.model = kind.model;
        info.syncBitBang = kind.syncBitBang;
        info.txBuffer = kind.txBuffer;
        info.rxBuffer = kind.rxBuffer;
    }
    return true;
}

void LibftdiChip::Close() {
    if (ftdi_ == nullptr) return;
    ftdi_usb_close(ftdi_);
    ftdi_free(ftdi_);
    ftdi_ = nullptr;
}

bool LibftdiChip::SetSerialMode() {
    return ftdi_ != nullptr && ftdi_set_bitmode(ftdi_, 0, BITMODE_RESET) == 0;
}

bool LibftdiChip::SetSyncBitBang(std::uint8_t outputMask) {
    return ftdi_ != nullptr && ftdi_set_bitmode(ftdi_, outputMask, BITMODE_SYNCBB) == 0;
}

bool LibftdiChip::SetBaudRate(std::uint32_t baud) {
    return ftdi_ != nullptr && baud > 0 && baud <= INT_MAX &&
           ftdi_set_baudrate(ftdi_, static_cast<int>(baud)) == 0;
}

bool LibftdiChip::SetPinClock(std::uint32_t hz) {
    // The pins change at 16 times the chip's baud rate, and libftdi1 hands
    // the chip 4 times what it is given in bit-bang.
    return ftdi_ != nullptr && hz >= 64 && ftdi_set_baudrate(ftdi_, static_cast<int>(hz / 64)) == 0;
}

bool LibftdiChip::SetBreak(bool on) {
    return ftdi_ != nullptr &&
           ftdi_set_line_property2(ftdi_, BITS_8, STOP_BIT_1, NONE, on ? BREAK_ON : BREAK_OFF) == 0;
}

bool LibftdiChip::SetDtr(bool on) {
    return ftdi_ != nullptr && ftdi_setdtr(ftdi_, on ? 1 : 0) == 0;
}

bool LibftdiChip::SetRts(bool on) {
    return ftdi_ != nullptr && ftdi_setrts(ftdi_, on ? 1 : 0) == 0;
}

bool LibftdiChip::ModemStatus(std::uint8_t& status) {
    unsigned short both = 0;
    if (ftdi_ == nullptr || ftdi_poll_modem_status(ftdi_, &both) != 0) return false;
    status = static_cast<std::uint8_t>(both & 0xFF);
    return true;
}

bool LibftdiChip::ReadPins(std::uint8_t& pins) {
    unsigned char value = 0;
    if (ftdi_ == nullptr || ftdi_read_pins(ftdi_, &value) != 0) return false;
    pins = value;
    return true;
}

bool LibftdiChip::SetLatencyTimer(std::uint8_t ms) {
    return ftdi_ != nullptr && ftdi_set_latency_timer(ftdi_, ms) == 0;
}

bool LibftdiChip::Purge() {
    return ftdi_ != nullptr && ftdi_tcioflush(ftdi_) == 0;
}

bool LibftdiChip::Write(const std::uint8_t* data, std::size_t count) {
    if (ftdi_ == nullptr || count > INT_MAX) return false;
    return ftdi_write_data(ftdi_, data, static_cast<int>(count)) == static_cast<int>(count);
}

bool LibftdiChip::Read(std::uint8_t* data, std::size_t count, std::size_t& got) {
    got = 0;
    if (ftdi_ == nullptr || count > INT_MAX) return false;
    const int n = ftdi_read_data(ftdi_, data, static_cast<int>(count));
    if (n < 0) return false;
    got = static_cast<std::size_t>(n);
    return true;
}

}  // namespace kvr
