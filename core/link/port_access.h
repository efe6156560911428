// The four link signals in both media, the two kinds of delay and the
// serial port set-up.
#pragma once

#include <cstdint>
#include <string_view>

#include "core_context.h"
#include "platform/platform_family.h"

namespace kvr {

// Waits this long or longer are pauses of the protocol, handed to the
// program's reporter so that a window can be served in them; shorter ones
// belong to a line sequence (a clock or reset pulse) whose length matters.
inline constexpr std::uint32_t kServedPauseMinMs = 5;

// The family is the host's answer: Win9x reaches the port directly, later
// systems only through the driver.
void InitPortAccess(CoreContext& p, PlatformFamily family);

void SetClockHigh(CoreContext& p);
void SetClockLow(CoreContext& p);
void SetDataOutHigh(CoreContext& p);
void SetDataOutLow(CoreContext& p);
void SetResetHigh(CoreContext& p);
void SetResetLow(CoreContext& p);
// Plays what is pending first: the value is used at once.
int ReadDataIn(CoreContext& p);

// The line work of the bit-serial link. With a batching serial device
// (SerialDevice::Batch) line changes, DelayLoops pauses and CTS samples are
// kept as one pending sequence and played where the next step depends on
// what comes back: a register or ReadDataIn value is used, a WaitMs, a UART
// call, the port opened or closed, the end of a command. Without one every
// step is made at once.
bool LinesBatched(CoreContext& p);
// Plays what is pending and does the register work in order. A failed play
// or missing samples are a lost device (LinkFault::Lost); the samples then
// read as the last status word, as failed status reads do.
void PlayLines(CoreContext& p);
// A CTS sample whose value nobody uses.
void SampleDataIn(CoreContext& p);
// A CTS sample shifted into exchange.in.
void ShiftDataIn(CoreContext& p);
// Clear, MaskByte or Keep, in order with the samples.
void RegisterWork(CoreContext& p, RegisterStep step);
// The line levels are not known (the port was opened, or its settings
// dropped the lines): the next change of each line is made.
void ForgetLineLevels(CoreContext& p);

void WriteParallelData(CoreContext& p);
void ReadParallelPort(CoreContext& p);

void WaitMs(CoreContext& p, std::uint32_t ms);
void DelayLoops(CoreContext& p, std::uint32_t n);
void CalibrateDelay(CoreContext& p);

// Whether the port is ready; when not, lastErrorText says why.
bool OpenSerialPort(CoreContext& p);
bool InitSerialLines(CoreContext& p);
void IdleLines(CoreContext& p);
// Closes the serial port if it is open.
void CloseSerialPort(CoreContext& p);

// The status line says `text` (through the program's reporter).
void ReportStatus(CoreContext& p, std::string_view text);

// Records what the link could not vouch for; a worse fault stays. A lost
// serial device is closed, so that the next command opens it afresh.
void NoteLinkFault(CoreContext& p, LinkFault fault);
// A command starts with a link it has not yet found at fault.
void ClearLinkFault(CoreContext& p);

}  // namespace kvr
