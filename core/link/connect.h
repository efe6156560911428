#pragma once

#include "program.h"

// Finding the controller's byte link before a command talks to it.
namespace kvr {

// The UART configuration of the link, built from zero: 19200 baud, 8N1, no
// flow control; applying it drops DTR and RTS.
SerialConfig UartLinkConfig();

// 0: a link was found (uartLink or bitBangLink is set), 1: none. Shows its
// own boxes for a missing or unsupported controller; a port that cannot be
// opened or set up leaves its text in lastErrorText and shows nothing.
int ConnectLink(Program& p);
// ConnectLink for a command: a port that cannot be opened or set up, which
// ConnectLink leaves unreported, is shown with the port's own text (caption
// "Error", owned by the status window), so every failure has its message.
int ConnectLinkChecked(Program& p);

}  // namespace kvr
