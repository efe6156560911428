// A simulated controller's UART on the master side of a pseudo-terminal: a
// program that opens the slave side talks to it as to a controller behind a
// USB serial adapter. POSIX only.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "controller.h"
#include "sim_clock.h"

namespace kvr::tools {

// The C library's calls the pump makes; a library that stands in for them
// passes the real ones.
struct PtyCalls {
    ssize_t (*read)(int, void*, size_t) = ::read;
    ssize_t (*write)(int, const void*, size_t) = ::write;
    int (*ppoll)(pollfd*, nfds_t, const timespec*, const sigset_t*) = ::ppoll;
};

// The bits per second of a terminal speed; 1 for one the controller does
// not know.
std::uint32_t BaudOf(speed_t speed);

// Runs until `stop`: bytes the program wrote go to the controller when they
// arrive, its replies are written when the controller has sent them. Bytes
// that follow each other on the line are written together once the last
// has arrived, as a USB adapter hands them over: a late wake-up of this
// thread must not tear a reply apart into gaps longer than the program's
// interval time-out. The controller is used under `mutex`.
void PumpUart(int master, sim::Controller& ctl, sim::SimClock& clock, std::mutex& mutex,
              const std::atomic<bool>& stop, const PtyCalls& calls);

}  // namespace kvr::tools
