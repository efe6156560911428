// A serial device that serves an FTDI chip's port through the chip, line work in bit-bang.
//
// The bit-level line work becomes pin states in synchronous bit-bang, many
// to one USB transfer; every other port the plain serial device serves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ftdi_chip.h"
#include "platform/line_sequence.h"
#include "platform/serial_device.h"

namespace kvr {

class FtdiSerial : public SerialDevice, private LineBatch {
  public:
    // The pins change 145000 times a second: a state lasts 6.9 us, so a
    // delay unit (about 6.76 us) is one state, 2% longer, with room for the
    // baud generator's rounding (3 MHz / 331 1/8 on the full-speed chips).
    // A finer clock would only lengthen the pauses' rounding less, at the
    // price of more bytes per transfer: on an FT232R the USB transfers, not
    // the pins, are what takes the time.
    static constexpr std::uint32_t kPinClockHz = 145000;
    // The chip sends what it has after 1 ms, not the default 16.
    static constexpr std::uint8_t kLatencyMs = 1;
    // The pins bit-bang drives: the break on TXD, RTS#, DTR#; CTS# is read.
    static constexpr std::uint8_t kOutputs = ftdi_pin::kTxd | ftdi_pin::kRts | ftdi_pin::kDtr;

    FtdiSerial(SerialDevice& plain, FtdiChip& chip, Clock& clock)
        : plain_(plain), chip_(chip), clock_(clock) {}
    ~FtdiSerial() override;

    // Off: every port goes to the plain serial device (takes effect at the
    // next Open).
    void SetFastPath(bool on) { fastPath_ = on; }
    bool FastPathAllowed() const { return fastPath_; }
    // The chip's model while the fast path serves the open port, else empty.
    std::string FastPath() const override { return engaged_ ? info_.model : std::string(); }

    LineBatch* Batch() override { return engaged_ ? this : nullptr; }
    bool IsOpen() const override { return engaged_ || plain_.IsOpen(); }
    KVR_SERIAL_DEVICE_CALLS;

    bool Play(const LineSequence& sequence, std::vector<bool>& cts) override;

    // Pin states of a sequence that starts from `levels`, and the index of
    // the byte read back for each Sample.
    static void ToStates(const LineSequence& sequence, std::uint8_t& levels,
                         std::vector<std::uint8_t>& states, std::vector<std::size_t>& samples);

  private:
    enum class Mode { Serial, BitBang };
    // Whether the chip drives the pins as the fast path would: the lines
    // set as they are, the pins read back, and CTS# against the modem status.
    bool PinsAsExpected();
    bool EnterBitBang();
    bool EnterSerial();
    // Reads exactly count bytes back from bit-bang, of states written from
    // writtenNs (PreciseNs; 0: unknown); false on fewer.
    bool ReadBack(std::vector<std::uint8_t>& into, std::size_t count, std::uint64_t writtenNs);
    // Reads the bytes of single line changes still in the chip.
    bool DrainPending();
    // Chunk of pin states the chip's buffers take at once.
    std::size_t Chunk() const;
    // A failed chip call: the chip is lost until the port is opened anew.
    bool Lost();

    SerialDevice& plain_;
    FtdiChip& chip_;
    Clock& clock_;
    bool fastPath_ = true;
    bool engaged_ = false;
    bool lost_ = false;
    FtdiChipInfo info_;
    Mode mode_ = Mode::Serial;
    // TXD, RTS#, DTR# as they are now (a set bit is a high pin); kept while
    // the port is closed, as the adapter keeps the lines.
    std::uint8_t levels_ = 0xFF;
    std::size_t pending_ = 0;
    SerialConfig config_;
    SerialTimeouts timeouts_;
};

}  // namespace kvr
