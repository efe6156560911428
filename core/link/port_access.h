#pragma once

#include <cstdint>
#include <string_view>

#include "program.h"

// The four link signals in both media, the two kinds of delay and the
// serial port set-up.
namespace kvr {

// Waits this long or longer are pauses of the protocol, handed to the
// program's reporter so that a window can be served in them; shorter ones
// belong to a line sequence (a clock or reset pulse) whose length matters.
inline constexpr std::uint32_t kServedPauseMinMs = 5;

void InitPortAccess(Program& p);

void SetClockHigh(Program& p);
void SetClockLow(Program& p);
void SetDataOutHigh(Program& p);
void SetDataOutLow(Program& p);
void SetResetHigh(Program& p);
void SetResetLow(Program& p);
// Plays what is pending first: the value is used at once.
int ReadDataIn(Program& p);

// The line work of the bit-serial link. With a batching serial device
// (SerialDevice::Batch) line changes, DelayLoops pauses and CTS samples are
// kept as one pending sequence and played where the next step depends on
// what comes back: a register or ReadDataIn value is used, a WaitMs, a UART
// call, the port opened or closed, the end of a command. Without one every
// step is made at once.
bool LinesBatched(Program& p);
// Plays what is pending and does the register work in order. A failed play
// or missing samples are a lost device (LinkFault::Lost); the samples then
// read as the last status word, as failed status reads do.
void PlayLines(Program& p);
// A CTS sample whose value nobody uses.
void SampleDataIn(Program& p);
// A CTS sample shifted into exchange.in.
void ShiftDataIn(Program& p);
// Clear, MaskByte or Keep, in order with the samples.
void RegisterWork(Program& p, RegisterStep step);
// The line levels are not known (the port was opened, or its settings
// dropped the lines): the next change of each line is made.
void ForgetLineLevels(Program& p);

void WriteParallelData(Program& p);
void ReadParallelPort(Program& p);

void WaitMs(Program& p, std::uint32_t ms);
void DelayLoops(Program& p, std::uint32_t n);
void CalibrateDelay(Program& p);

// 0 = success, 1 = failure with lastErrorText set.
int OpenSerialPort(Program& p);
int InitSerialLines(Program& p);
void IdleLines(Program& p);
// Closes the serial port if it is open.
void CloseSerialPort(Program& p);

// The status line says `text` (through the program's reporter).
void ReportStatus(Program& p, std::string_view text);

// Records what the link could not vouch for; a worse fault stays. A lost
// serial device is closed, so that the next command opens it afresh.
void NoteLinkFault(Program& p, LinkFault fault);
// A command starts with a link it has not yet found at fault.
void ClearLinkFault(Program& p);

}  // namespace kvr
