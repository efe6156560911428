// The simulated controller's UART pumped over a pseudo-terminal's master side.
#include "pty_uart.h"

#include <string>

namespace kvr::tools {

std::uint32_t BaudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 1;
    }
}

void PumpUart(int master, sim::Controller& ctl, sim::SimClock& clock, std::mutex& mutex,
              const std::atomic<bool>& stop, const PtyCalls& calls) {
    constexpr std::uint64_t kIdleNs = 2000000;
    constexpr std::uint64_t kBurstGapNs = 2000000;
    constexpr std::size_t kBurstMax = 64;
    std::string out;
    std::uint8_t in[256];
    while (!stop) {
        std::uint64_t next = kIdleNs;
        bool hold = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const std::uint64_t now = clock.NowNs();
            sim::TimedByte b;
            std::uint64_t last = 0;
            while (ctl.PeekUart(now, b)) {
                out.push_back(static_cast<char>(b.byte));
                last = b.arrivalNs;
                ctl.PopUart();
            }
            if (ctl.PeekUart(now + kIdleNs, b)) {
                next = b.arrivalNs > now ? b.arrivalNs - now : 0;
                hold = !out.empty() && out.size() < kBurstMax && b.arrivalNs <= last + kBurstGapNs;
            }
        }
        if (!out.empty() && !hold) {
            const ssize_t n = calls.write(master, out.data(), out.size());
            if (n > 0) out.erase(0, static_cast<std::size_t>(n));
        }
        pollfd p{master, POLLIN, 0};
        const timespec wait{0, static_cast<long>(next)};
        if (calls.ppoll(&p, 1, &wait, nullptr) <= 0 || !(p.revents & POLLIN)) continue;
        const ssize_t n = calls.read(master, in, sizeof in);
        if (n <= 0) continue;
        termios t{};
        const std::uint32_t baud = tcgetattr(master, &t) == 0 ? BaudOf(cfgetospeed(&t)) : 1;
        std::lock_guard<std::mutex> lock(mutex);
        const std::uint64_t now = clock.NowNs();
        for (ssize_t i = 0; i < n; ++i) ctl.UartReceive(in[i], baud, now);
    }
}

}  // namespace kvr::tools
