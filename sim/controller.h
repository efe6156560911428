#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim_clock.h"

namespace kvr::sim {

// How the controller is wired to the PC.
enum class LinkKind {
    BitSerial,  // Portix2 adapter: clock, data out, reset and data in; ISP reachable
    Uart,       // one-wire UART at 19200 baud; the lines reach nothing
};

// The controller's three inputs; data in is its output.
enum class Pin { Clock, DataOut, Reset };

// The serial adapter's wiring: RTS is the controller's clock, DTR its data
// input, the break its reset line; its data output comes back on CTS.
inline constexpr Pin kRtsPin = Pin::Clock;
inline constexpr Pin kDtrPin = Pin::DataOut;
inline constexpr Pin kBreakPin = Pin::Reset;

// The set-up of the simulated controller. Fields may be changed at any time;
// a change applies from the next event on.
struct Profile {
    LinkKind link = LinkKind::BitSerial;
    // Answer to the bit-serial probe 0xFE: 0xF8 for a KVR-Mega, 0xFE, 0xFD,
    // 0xFB or 0xFA for the other models of the family.
    std::uint8_t probeAnswer = 0xF8;
    // Nothing answers at all: no controller behind the port.
    bool silent = false;
    // false: the firmware found running at power-on does not answer; it does
    // once it has been restarted through the reset line.
    bool runningAtStart = true;
    // Time from reset going high to the firmware answering.
    std::uint32_t startupMs = 50;
    // Requests 0xD2 after a lead-in that go unanswered before the first
    // answer 0xD3: 1 answers at the second UART attempt, 2 at the third.
    int uartRequestsIgnored = 0;
    std::uint32_t uartBaud = 19200;
    // Level of data in when nothing drives it.
    bool restLevel = false;

    // The chip's serial programming mode (reset held low).
    bool ispPresent = true;
    std::array<std::uint8_t, 3> signature{0x1E, 0x93, 0x07};
    std::uint8_t fuseLow = 0xE1;
    std::uint8_t fuseHigh = 0xD9;
    std::uint8_t lockBits = 0xFF;

    // The motor that runs once the firmware is started with clock and data
    // out high (the motor release): pulses per second on data in after the
    // spin-up time; 0 = no motor.
    std::uint32_t motorPulseHz = 0;
    std::uint32_t motorSpinUpMs = 1500;

    // Shortest clock phase the firmware's shift register follows; a bit
    // cycle without its delays is not taken. 0 for a clock on which calls
    // cost no time.
    std::uint64_t minEdgeNs = 100;
};

// Faults to inject.
struct Faults {
    // A write stores its value with bit 0 flipped, so the echo differs.
    bool wrongEchoOnWrite = false;
    int wrongEchoAddress = -1;  // only this address; -1 every address
    // The firmware misses the n-th byte it receives (0-based, both links).
    long dropReceivedByte = -1;
    // The n-th byte the controller sends on the UART is lost (0-based).
    long dropSentByte = -1;
    // The UART line carries a stream of random bytes.
    bool uartNoise = false;
    // Programming mode starts this many bits out of step.
    int ispSkewBits = 0;
    // The serial device vanishes after this many calls (-1: never).
    long serialVanishesAfterCalls = -1;
    // The boot loader loses the commit of this page (-1: none): the page is
    // not written and no answer comes.
    int lostCommitPage = -1;
    // The boot loader stores the byte at this flash address inverted (-1:
    // none), as one that patches its reset vector stores other than sent.
    int patchedFlashByte = -1;
    // Every n-th byte the controller sends on the UART is lost (0: none).
    long dropEverySentByte = 0;
    // The firmware answers this many link detections (a UART request 0xD2
    // or a bit-serial probe), then falls silent for good (-1: never), as a
    // controller whose supply fails; the UART adapter still echoes.
    int silentAfterLinkAnswers = -1;
};

enum class Via { BitSerial, Uart, Isp };

// One decoded exchange on the wire. Commands: 'U' read (address, reply =
// value), 'V' write (address, value, reply = echo), 'W' page select
// (address = page), 'Y' page load (address = offset, value), 'X' page commit
// (address = page, reply = page), 'P' bit-serial probe (value 0xFE, reply =
// answer), 'R' UART request 0xD2 (reply 0xD3, -1 when ignored), 'I' ISP
// instruction (address = bytes 1 and 2, value = bytes 3 and 4, reply = byte
// sent during byte 4). Fields that do not apply are -1.
struct WireEvent {
    Via via = Via::BitSerial;
    char command = '?';
    int address = -1;
    int value = -1;
    int reply = -1;
    std::uint64_t timeNs = 0;

    // "bit read 0C -> 66", "uart write 0C=66 -> 66", "bit probe -> F8", ...
    std::string ToString() const;
};

// One UART byte on its way to the PC.
struct TimedByte {
    std::uint64_t arrivalNs = 0;
    std::uint8_t byte = 0;
};

// The KVR-Duza2 as its pins and UART see the PC: the firmware's byte
// commands over the bit-serial and the UART link, restart through the reset
// line, the boot loader, the chip's serial programming mode, the parameter
// memory, the flash pages and a motor. It reacts to line edges and to UART
// bytes at the time they happen, never to the program's state.
//
// Boot mode: every restart through the reset line starts the boot loader,
// except the motor release (clock and data out high when reset goes high),
// which starts the motor at once. The boot loader keeps the firmware's whole
// link (probe, UART request, parameter reads and writes) and adds the page
// commands; it stays until the next restart. A firmware that has not been
// restarted takes the page commands' bytes but acts on none of them. On the
// UART wiring the reset line reaches the chip through a capacitor: only its
// rise restarts the chip, a line held low does not hold it.
class Controller {
  public:
    static constexpr std::size_t kPageSize = 64;
    static constexpr std::size_t kPages = 256;

    explicit Controller(Profile profile = {});

    // The parameter memory of a set-up controller with the given clock.
    static std::array<std::uint8_t, 256> DefaultMemory(int clockMhz = 16);

    Profile profile;
    Faults faults;
    std::array<std::uint8_t, 256> memory;
    std::vector<std::uint8_t> flash;  // kPages * kPageSize, erased 0xFF
    std::vector<WireEvent> trace;

    // Counters for tests: releases of the reset line, firmware bytes
    // received per link.
    int restarts = 0;
    long bitSerialBytes = 0;
    long uartBytes = 0;

    // The lines, driven by the PC's ports.
    void SetPin(Pin pin, bool level, std::uint64_t nowNs);
    bool PinLevel(Pin pin) const;
    bool DataIn(std::uint64_t nowNs);

    // A byte that the PC finished sending at endNs with the given baud rate.
    void UartReceive(std::uint8_t byte, std::uint32_t baud, std::uint64_t endNs);
    // The next byte for the PC that arrives no later than horizonNs.
    bool PeekUart(std::uint64_t horizonNs, TimedByte& next);
    void PopUart();

    std::string TraceText() const;
    // The trace entries of one command letter.
    std::vector<WireEvent> TraceOf(char command) const;

    bool FirmwareRunning(std::uint64_t nowNs) const;
    bool BootMode() const { return bootMode_; }

    // Page commands a firmware outside boot mode ignored.
    long ignoredPageCommands = 0;
    // Bytes received and sent so far, dropped ones included: the counts the
    // faults dropReceivedByte and dropSentByte refer to.
    long bytesReceived() const { return received_; }
    long bytesSent() const { return sent_; }

  private:
    struct Shifter {
        std::uint8_t rx = 0;
        std::uint8_t tx = 0;
        int risen = 0;   // rising edges in the current byte
        int fallen = 0;  // falling edges in the current byte
        std::uint64_t lastEdgeNs = 0;
        bool pending = false;  // a reply the firmware is preparing
        std::uint8_t pendingByte = 0;
        std::uint64_t pendingReadyNs = 0;
    };
    struct Reply {
        bool has = false;
        std::uint8_t byte = 0;
        std::uint64_t delayNs = 0;
    };

    void EnterReset(std::uint64_t nowNs);
    void LeaveReset(std::uint64_t nowNs);
    void Restart(std::uint64_t nowNs, bool motorRelease);
    Reply PageCommand(Via via, std::uint64_t nowNs);
    bool IspActive() const;
    bool MotorReleased(std::uint64_t nowNs) const;
    void Settle(std::uint64_t nowNs);

    bool EdgeTooSoon(const Shifter& s, std::uint64_t nowNs) const;
    void SpiRise(std::uint64_t nowNs);
    void SpiFall(std::uint64_t nowNs);
    void IspRise(std::uint64_t nowNs);
    void IspFall(std::uint64_t nowNs);
    std::uint8_t IspOutput(int byteIndex) const;

    Reply HandleByte(std::uint8_t byte, Via via, std::uint64_t nowNs);
    // Counts a link detection; true once the firmware has fallen silent.
    bool FallsSilent();
    Reply Finish(Via via, std::uint64_t nowNs);
    void Record(Via via, char command, int address, int value, int reply, std::uint64_t nowNs);
    void Send(std::uint8_t byte, std::uint64_t readyNs);
    std::uint64_t ByteNs(std::uint32_t baud) const;

    bool clock_ = false;
    bool dataOut_ = false;
    bool reset_ = true;  // the firmware was running before the program started
    std::uint64_t resetSinceNs_ = 0;
    std::uint64_t runFromNs_ = 0;
    bool restarted_ = false;
    bool bootMode_ = false;
    bool releasedAtStart_ = false;
    std::uint64_t releasedNs_ = 0;

    Shifter spi_;
    // Command parser of the firmware.
    char command_ = 0;
    std::vector<std::uint8_t> args_;
    std::uint64_t lastByteNs_ = 0;
    bool heardByte_ = false;  // a byte since the firmware started
    int leadIns_ = 0;
    int requests_ = 0;
    int linkAnswers_ = 0;
    bool fellSilent_ = false;
    long received_ = 0;
    int page_ = 0;
    std::array<std::uint8_t, kPageSize> pageBuffer_{};

    // Serial programming mode.
    Shifter isp_;
    int ispByte_ = 0;
    std::array<std::uint8_t, 4> ispFrame_{};
    bool ispEnabled_ = false;

    // UART output towards the PC.
    std::deque<TimedByte> uartOut_;
    std::uint64_t uartTxFreeNs_ = 0;
    long sent_ = 0;
    std::uint64_t noiseNextNs_ = 0;
    std::uint32_t noiseSeed_ = 12345;
    bool peekedNoise_ = false;
};

}  // namespace kvr::sim
