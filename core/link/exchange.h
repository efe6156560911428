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

// What a read of one parameter byte brought: the value (a reply that did not
// come reads as a space) and the link's fault as it stands after the read.
struct ByteRead {
    int value = 0;
    LinkFault fault = LinkFault::None;
    bool Arrived() const { return fault == LinkFault::None; }
};

// Parameter bytes. On the bit-serial link a read is vouched for only by the
// probe at the end of its run (ReadRun). WriteControllerByte returns 0 when
// the controller's echo equals value and the link is sound (on the
// bit-serial link: the probe is still answered), else 1.
ByteRead ReadControllerByte(CoreContext& p, int address);
int WriteControllerByte(CoreContext& p, int address, int value);

// The bit-serial probe: 0xFE twice, the answer (0xF8 from a supported
// controller) comes during the second transfer; each wait skipped when 0.
int ProbeLink(CoreContext& p, std::uint32_t before, std::uint32_t between, std::uint32_t after);

// A run of parameter reads, judged as a whole: on the bit-serial link the
// firmware must still answer the probe, sent with pauses, once the run is
// over, or none of its values can be vouched for. End says so; a run ended
// may start again.
class ReadRun {
  public:
    explicit ReadRun(CoreContext& p) : p_(p) {}
    ByteRead Read(int address);
    // Probes when bit-serial reads are waiting for it and nothing has failed;
    // None when every value read since the command connected can be vouched
    // for, else the link's fault.
    [[nodiscard]] LinkFault End();

  private:
    CoreContext& p_;
    bool waiting_ = false;
};

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
