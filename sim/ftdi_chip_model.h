// A simulated FTDI USB serial chip with the controller behind its pins, for the stand-ins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "adapter_wiring.h"
#include "controller.h"
#include "sim_clock.h"

namespace kvr::sim {

enum class FtdiType { Ft232bm, Ft232r, Ft2232c, Ft2232h, Ft4232h, Ft232h };

// What the chip's datasheet gives for one serial interface of a chip.
struct FtdiChipSheet {
    FtdiType type = FtdiType::Ft232r;
    const char* model = "FT232R";
    std::uint16_t productId = 0x6001;
    bool syncBitBang = true;
    std::size_t txBuffer = 128;        // USB to pins
    std::size_t rxBuffer = 256;        // pins to USB
    std::size_t packetSize = 64;       // bulk packet: 2 status bytes, then data
    std::uint16_t bcdDevice = 0x0600;  // how the libraries tell the types apart
};
const FtdiChipSheet& FtdiSheetOf(FtdiType type);

// Bit modes as both libraries hand them to the chip.
inline constexpr std::uint8_t kFtdiModeReset = 0x00;
inline constexpr std::uint8_t kFtdiModeAsyncBitBang = 0x01;
inline constexpr std::uint8_t kFtdiModeSyncBitBang = 0x04;

// Modem status bits (the first status byte of every bulk IN packet).
inline constexpr std::uint8_t kFtdiStatusCts = 0x10;
inline constexpr std::uint8_t kFtdiStatusDsr = 0x20;
inline constexpr std::uint8_t kFtdiStatusRi = 0x40;
inline constexpr std::uint8_t kFtdiStatusDcd = 0x80;

struct FtdiChipFaults {
    // The chip is pulled out after this many calls (-1: never): every call
    // from then on fails.
    long pulledOutAfterCalls = -1;
    // The first bulk read in bit-bang after this many calls loses one byte
    // (-1: never), as a transfer the host dropped.
    long shortReadAfterCalls = -1;
    // EEPROM inversion bits, as ftdi_pin:: numbers them; they act in serial
    // mode only (bit-bang drives and reads the pins as they are).
    std::uint8_t eepromInvert = 0;
};

// One serial interface of an FTDI chip on the USB, with the Portix2 adapter
// wiring behind it: TXD's break, RTS# and DTR# drive the controller's lines
// through the cable's RS-232 drivers (active low on the chip), its data in
// comes back on CTS#. Every call is one USB request and costs usbTransferNs
// on the clock; pins change at the bit-bang clock as time passes on it.
//
// Bit-bang follows the chip maker's notes: pins start at 0xFF and hold the
// last value written; in synchronous bit-bang a byte leaves the transmit
// buffer once per pin clock, and only while the receive buffer has room;
// the pins are read just before each new output, so the byte read back for
// state n shows the pins as state n-1 left them. The pin clock is 16 times
// the chip's baud rate (SetBaudRate takes the chip's rate as D2XX does;
// libftdi1 multiplies its argument by 4 in bit-bang before it gets there).
class FtdiChipModel {
  public:
    FtdiChipModel(SimClock& clock, Controller& controller, FtdiType type = FtdiType::Ft232r);

    const FtdiChipSheet& sheet() const { return sheet_; }
    // The chip's USB identity, as the libraries match it.
    std::uint16_t vendorId() const { return 0x0403; }
    std::string serialNumber = "KVR0001";
    std::string description = "USB Serial Cable";
    std::uint8_t busNumber = 1;
    std::uint8_t deviceAddress = 7;

    // Time one USB request takes (a control request, or one bulk transfer).
    std::uint64_t usbTransferNs = 125000;
    FtdiChipFaults faults;

    // Claims the chip (the system's serial driver lets it go); false once
    // it is pulled out or when it is claimed already.
    bool Open();
    // Gives it back to the serial driver: serial mode again.
    void Close();
    bool IsOpen() const { return open_; }

    // Each of these is one control request; false when the chip is gone or
    // not open.
    bool Reset();  // serial mode, buffers dropped
    bool SetBitMode(std::uint8_t outputMask, std::uint8_t mode);
    bool SetBaudRate(std::uint32_t chipBaud);
    bool SetDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity);
    bool SetBreak(bool on);
    bool SetDtr(bool on);
    bool SetRts(bool on);
    bool ModemStatus(std::uint8_t& status);
    // The level of every pin now, in any mode (the pin-read request).
    bool ReadPins(std::uint8_t& pins);
    bool SetLatencyTimer(std::uint8_t ms);
    bool LatencyTimer(std::uint8_t& ms);
    bool PurgeRx();
    bool PurgeTx();
    // Bytes waiting in the chip's receive buffer.
    bool QueueStatus(std::size_t& rxBytes);

    // One bulk OUT transfer. The chip takes the bytes as its transmit buffer
    // frees up; a write that cannot finish within timeoutNs ends there.
    // taken tells how many the chip took.
    bool BulkWrite(const std::uint8_t* data, std::size_t count, std::size_t& taken,
                   std::uint64_t timeoutNs);
    // One bulk IN transfer of up to max data bytes (the status bytes of the
    // packets left out). The chip sends full packets as they fill and ends
    // the transfer with a short packet when its latency timer runs out:
    // got may be 0.
    bool BulkRead(std::uint8_t* data, std::size_t max, std::size_t& got);

    // For tests and the bench.
    std::uint8_t mode() const { return mode_; }
    bool pulledOut() const { return pulledOut_; }
    long calls() const { return calls_; }
    long bulkTransfers() const { return bulkTransfers_; }
    std::uint64_t pinStates() const { return pinStates_; }
    // Pulls the chip out now.
    void PullOut();
    // Plugged in again: the faults are gone, the chip can be opened anew.
    void Replug();
    // Nanoseconds between two pin states in bit-bang.
    std::uint64_t PinPeriodNs() const;

  private:
    struct Sample {
        std::uint8_t byte;
        std::uint64_t atNs;
    };
    bool Call();  // counts the request and charges its time
    // Clocks pin states out of the transmit buffer up to untilNs.
    void RunPins(std::uint64_t untilNs);
    // When the next pin state could leave, UINT64_MAX: none can.
    std::uint64_t NextPinNs() const;
    // Serial mode: UART bytes from the controller that arrived by untilNs.
    void TakeUart(std::uint64_t untilNs);
    std::uint8_t OutputLevels() const;
    std::uint8_t PinLevels(std::uint64_t nowNs);
    // Drives the lines that changed, and those in force (a line request in
    // serial mode) whatever their level.
    void DrivePins(std::uint64_t nowNs, std::uint8_t force = 0);

    SimClock& clock_;
    const FtdiChipSheet& sheet_;
    AdapterWiring wiring_;
    bool open_ = false;
    bool pulledOut_ = false;
    long calls_ = 0;
    long bulkTransfers_ = 0;
    std::uint64_t pinStates_ = 0;
    std::uint8_t mode_ = kFtdiModeReset;
    std::uint8_t mask_ = 0;
    std::uint8_t latch_ = 0xFF;
    std::uint32_t baud_ = 9600;
    std::uint8_t latencyMs_ = 16;
    bool rts_ = false;
    bool dtr_ = false;
    bool break_ = false;
    // The lines as the controller sees them last.
    bool wiredRts_ = false;
    bool wiredDtr_ = false;
    bool wiredBreak_ = false;
    std::deque<std::uint8_t> tx_;
    std::uint64_t txArrivedNs_ = 0;
    std::deque<Sample> rx_;
    std::uint64_t pinNs_ = 0;  // the last pin state's time
    std::uint64_t lastPacketNs_ = 0;
};

}  // namespace kvr::sim
