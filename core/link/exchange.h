#pragma once

#include <cstdint>

#include "program.h"

// The bit-serial exchange and the controller firmware's byte commands. Each
// command goes as UART bytes when the UART link was found (uartLink), else
// bit-serially over the link lines. Every reply lands in p.link.exchange.in.
namespace kvr {

// One clock cycle: sends bit (zero or non-zero), shifts the received bit
// into exchange.in. Returns 0.
int ShiftBit(Program& p, int bit);
// Sends the low byte of exchange.out, receives one byte into exchange.in.
int TransferByte(Program& p);
// Sends the low 16 bits of exchange.out and shifts 16 received bits into
// exchange.in without clearing or masking it.
int TransferWord(Program& p);

// Page commands of the firmware update. Pages above 255 cannot be named in
// one byte: such a page is never selected or committed (CommitPage gives 1).
int LoadPageByte(Program& p, int offset, int value);
int CommitPage(Program& p, int page);
void SelectPage(Program& p, int page);

// Parameter bytes. ReadControllerByte returns the value; WriteControllerByte
// returns 0 when the controller's echo equals value, else 1.
int ReadControllerByte(Program& p, int address);
int WriteControllerByte(Program& p, int address, int value);
// As WriteControllerByte, with the "writing error!" box on a mismatch.
int WriteControllerByteChecked(Program& p, int address, int value);

// Discards what the UART has received and shortens the read time-out that
// the following commands wait for a reply.
void DrainUartInput(Program& p);

// Reads up to count bytes (at most 20) into rxBuffer from its start.
void ReadUartBytes(Program& p, std::size_t count);
// Fills rxBuffer with 16 spaces and a terminator: a reply byte that does not
// come in time then reads as a space.
void ClearRxBuffer(Program& p);
// Writes one byte with its own write call; the result is not judged.
void WriteUartByte(Program& p, std::uint8_t byte);

}  // namespace kvr
