// The serial port served through an FTDI chip's own calls where it can: the
// bit-level line work as pin states in synchronous bit-bang, many to one USB
// transfer; every other port the plain serial device serves.
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
    // The pins change 250000 times a second: 4 us a state, so a delay unit
    // (about 6.8 us) is two states (8 us), never shorter. The rate is an
    // exact divisor of every chip's baud generator (3 MHz and 12 MHz), so
    // the chip keeps it exactly, and a full-speed USB link carries its
    // 250 kB/s each way.
    static constexpr std::uint32_t kPinClockHz = 250000;
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
    bool Open(const std::string& name) override;
    void Close() override;
    bool IsOpen() const override { return engaged_ || plain_.IsOpen(); }
    bool GetState(SerialConfig& config) override;
    bool SetState(const SerialConfig& config) override;
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool SetLine(LineFunction function) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) override;

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
    // Reads exactly count bytes back from bit-bang; false on fewer.
    bool ReadBack(std::vector<std::uint8_t>& into, std::size_t count);
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
