// The bit-serial exchange and the controller firmware's byte commands. Each
// command goes as UART bytes when the UART link was found (uartLink), else
// bit-serially over the link lines. Every reply lands in p.link.exchange.in.
#pragma once

#include <cstdint>

#include "core_context.h"
#include "platform/window.h"

namespace kvr {

// One clock cycle: sends bit (zero or non-zero), shifts the received bit
// into exchange.in. Returns 0.
int ShiftBit(CoreContext& p, int bit);
// Sends the low byte of exchange.out, receives one byte into exchange.in.
int TransferByte(CoreContext& p);
// Sends the low 16 bits of exchange.out and shifts 16 received bits into
// exchange.in without clearing or masking it.
int TransferWord(CoreContext& p);

// exchange.in once every pending line step has been played.
std::int32_t ExchangeIn(CoreContext& p);

// Page commands of the firmware update. Pages above 255 cannot be named in
// one byte: such a page is never selected or committed (CommitPage gives 1).
// LoadPageByte and SelectPage give 1 when the link could not vouch for the
// command (a UART echo missing or wrong, the device gone). On a batching
// device their bit-serial steps stay pending: a page's bytes go with the
// commit's in one batch, and a fault among them shows at the commit.
int LoadPageByte(CoreContext& p, int offset, int value);
int CommitPage(CoreContext& p, int page);
int SelectPage(CoreContext& p, int page);

// Parameter bytes. ReadControllerByte returns the value; a value the link
// cannot vouch for leaves a fault (LinkFaulty), and on the bit-serial link
// a run of reads is vouched for only by ConfirmReads. WriteControllerByte
// returns 0 when the controller's echo equals value and the link is sound
// (on the bit-serial link: the probe is still answered), else 1.
int ReadControllerByte(CoreContext& p, int address);
int WriteControllerByte(CoreContext& p, int address, int value);

// The bit-serial probe: 0xFE twice, the answer (0xF8 from a supported
// controller) comes during the second transfer; each wait skipped when 0.
int ProbeLink(CoreContext& p, std::uint32_t before, std::uint32_t between, std::uint32_t after);
// Ends a run of reads before anything is judged by them: on the bit-serial
// link the firmware must still answer the probe, sent with pauses. 0 when
// every value read since the command connected can be vouched for, else 1
// with the fault left (LinkFaulty).
int ConfirmReads(CoreContext& p);

// Whether the link has failed since the command connected: a serial call
// failed, a UART reply came short or with a wrong echo, a bit-serial value
// could not be vouched for, or the parallel-port driver failed.
bool LinkFaulty(const CoreContext& p);

// Discards what the UART has received and shortens the read time-out that
// the following commands wait for a reply.
void DrainUartInput(CoreContext& p);

// Reads up to count bytes (at most 20) into rxBuffer from its start. The
// second form tells how many came and false when the read call failed.
void ReadUartBytes(CoreContext& p, std::size_t count);
bool ReadUartBytes(CoreContext& p, std::size_t count, std::size_t& got);
// Fills rxBuffer with 16 spaces and a terminator: a reply byte that does not
// come in time then reads as a space.
void ClearRxBuffer(CoreContext& p);
// Writes one byte with its own write call; false when it did not leave.
bool WriteUartByte(CoreContext& p, std::uint8_t byte);

}  // namespace kvr
