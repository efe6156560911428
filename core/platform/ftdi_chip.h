// The few calls of an FTDI USB serial chip that the fast path needs: the
// ones libftdi1 and the chip maker's D2XX library both offer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr {

// Pins of the chip's serial interface as bit-bang mode numbers them (D0..D7);
// the same on every chip with synchronous bit-bang.
namespace ftdi_pin {
inline constexpr std::uint8_t kTxd = 0x01;
inline constexpr std::uint8_t kRxd = 0x02;
inline constexpr std::uint8_t kRts = 0x04;  // RTS#, active low
inline constexpr std::uint8_t kCts = 0x08;  // CTS#, active low
inline constexpr std::uint8_t kDtr = 0x10;  // DTR#, active low
inline constexpr std::uint8_t kDsr = 0x20;
inline constexpr std::uint8_t kDcd = 0x40;
inline constexpr std::uint8_t kRi = 0x80;
}  // namespace ftdi_pin

struct FtdiChipInfo {
    std::string model;         // "FT232R", "FT2232H", ...
    bool syncBitBang = false;  // the chip has synchronous bit-bang mode
    std::size_t txBuffer = 0;  // bytes the chip holds on the way to the pins
    std::size_t rxBuffer = 0;  // bytes it holds on the way back
};

// One chip, opened for the serial port the user chose. Every call returns
// false when the chip did not do it (it has gone, or the library refused).
class FtdiChip {
  public:
    virtual ~FtdiChip() = default;
    // Finds the chip behind the serial port named as the program names its
    // ports (a device path, COMn) and takes it from the system's serial
    // driver. false: no such chip, or it cannot be taken; nothing is held.
    virtual bool Open(const std::string& portName, FtdiChipInfo& info) = 0;
    // Gives the chip back to the system's serial driver.
    virtual void Close() = 0;

    // Serial (UART) mode with every pin as the serial driver drives it, or
    // synchronous bit-bang with outputMask's pins as outputs.
    virtual bool SetSerialMode() = 0;
    virtual bool SetSyncBitBang(std::uint8_t outputMask) = 0;
    // Serial mode: the baud rate. Bit-bang: the chip changes its pins hz
    // times a second (the driver converts to its library's convention).
    virtual bool SetBaudRate(std::uint32_t baud) = 0;
    virtual bool SetPinClock(std::uint32_t hz) = 0;
    // Serial mode: 8 data bits, no parity, one stop bit; break on or off.
    virtual bool SetBreak(bool on) = 0;
    virtual bool SetDtr(bool on) = 0;
    virtual bool SetRts(bool on) = 0;
    // The modem status byte as the chip reports it (0x10 = CTS on).
    virtual bool ModemStatus(std::uint8_t& status) = 0;
    // The levels on D0..D7 now, in any mode.
    virtual bool ReadPins(std::uint8_t& pins) = 0;
    virtual bool SetLatencyTimer(std::uint8_t ms) = 0;
    // Drops what the chip holds in both directions.
    virtual bool Purge() = 0;
    // Hands bytes to the chip; false unless every byte was taken.
    virtual bool Write(const std::uint8_t* data, std::size_t count) = 0;
    // Reads what has arrived, up to count, waiting no longer than the
    // library's own read time-out; got tells how many.
    virtual bool Read(std::uint8_t* data, std::size_t count, std::size_t& got) = 0;
};

// The chip calls, declared once for the drivers that implement them over
// their library.
#define KVR_FTDI_CHIP_CALLS                                              \
    bool Open(const std::string& portName, FtdiChipInfo& info) override; \
    void Close() override;                                               \
    bool SetSerialMode() override;                                       \
    bool SetSyncBitBang(std::uint8_t outputMask) override;               \
    bool SetBaudRate(std::uint32_t baud) override;                       \
    bool SetPinClock(std::uint32_t hz) override;                         \
    bool SetBreak(bool on) override;                                     \
    bool SetDtr(bool on) override;                                       \
    bool SetRts(bool on) override;                                       \
    bool ModemStatus(std::uint8_t& status) override;                     \
    bool ReadPins(std::uint8_t& pins) override;                          \
    bool SetLatencyTimer(std::uint8_t ms) override;                      \
    bool Purge() override;                                               \
    bool Write(const std::uint8_t* data, std::size_t count) override;    \
    bool Read(std::uint8_t* data, std::size_t count, std::size_t& got) override

}  // namespace kvr
