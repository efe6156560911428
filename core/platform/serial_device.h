// The serial port seam: its settings, line functions and the calls every device serves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr {

// Line settings of a serial port, as far as the link uses them.
struct SerialConfig {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;    // 0 = none
    std::uint8_t stopBits = 0;  // 0 = one stop bit
    // A configuration built from zero drops DTR and RTS when applied; one
    // taken from the port keeps the lines as they are.
    bool keepLines = true;
};

// Read time-outs with the classic meaning: the interval is the longest gap
// between two bytes, the total is multiplier * count + constant.
struct SerialTimeouts {
    std::uint32_t readIntervalMs = 0;
    std::uint32_t readTotalMultiplierMs = 0;
    std::uint32_t readTotalConstantMs = 0;
};

enum class LineFunction { SetRts, ClrRts, SetDtr, ClrDtr, SetBreak, ClrBreak };

// Modem status bit of the CTS input.
inline constexpr std::uint32_t kModemCtsOn = 0x10;

// One serial port of the PC. Open stands in for opening the device by name;
// every other call acts on the port opened last and fails when none is open.
class LineBatch;

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;
    // The device's batch player, when it has one: line sequences then go to
    // it whole instead of call by call.
    virtual LineBatch* Batch() { return nullptr; }
    // The adapter chip's model when a faster path than the port's own calls
    // serves the open port (the status line names it); empty otherwise.
    virtual std::string FastPath() const { return {}; }
    virtual bool Open(const std::string& name) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool GetState(SerialConfig& config) = 0;
    virtual bool SetState(const SerialConfig& config) = 0;
    virtual bool SetTimeouts(const SerialTimeouts& timeouts) = 0;
    virtual bool SetLine(LineFunction function) = 0;
    virtual bool GetModemStatus(std::uint32_t& status) = 0;
    // Reads up to count bytes within the time-outs in force; got tells how
    // many arrived.
    virtual bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) = 0;
    virtual bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) = 0;
};

// The calls every device serves its own way, declared once for the classes
// that implement them; IsOpen, often a body of one line, each declares itself.
#define KVR_SERIAL_DEVICE_CALLS                                                    \
    bool Open(const std::string& name) override;                                   \
    void Close() override;                                                         \
    bool GetState(SerialConfig& config) override;                                  \
    bool SetState(const SerialConfig& config) override;                            \
    bool SetTimeouts(const SerialTimeouts& timeouts) override;                     \
    bool SetLine(LineFunction function) override;                                  \
    bool GetModemStatus(std::uint32_t& status) override;                           \
    bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override; \
    bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) override

}  // namespace kvr
