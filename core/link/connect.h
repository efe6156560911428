// Finding the controller's byte link before a command talks to it.
#pragma once

#include "core_context.h"

namespace kvr {

// The UART configuration of the link, built from zero: 19200 baud, 8N1, no
// flow control; applying it drops DTR and RTS.
SerialConfig UartLinkConfig();

// 0: a link was found (uartLink or bitBangLink is set), 1: none, and
// p.link.connectFailure says why (lastErrorText holds the port's own text).
int ConnectLink(CoreContext& p);

}  // namespace kvr
