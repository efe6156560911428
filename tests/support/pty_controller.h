#pragma once

// A simulated controller's UART on the master side of a pseudo-terminal: a
// program that opens the slave side talks to it as to a controller behind a
// serial adapter. POSIX only.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "controller.h"
#include "sim_clock.h"

namespace kvr::testing {

class PtyController {
  public:
    explicit PtyController(sim::Profile profile) : controller_(profile) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (name != nullptr) slavePath_ = name;
        thread_ = std::thread([this] { Run(); });
    }
    ~PtyController() {
        Stop();
        CloseMaster();
    }
    PtyController(const PtyController&) = delete;
    PtyController& operator=(const PtyController&) = delete;

    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // The far end goes away, as an unplugged adapter does.
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    // Empty when no pseudo-terminal could be made.
    const std::string& slavePath() const { return slavePath_; }
    sim::Controller& controller() { return controller_; }

  private:
    std::uint32_t Baud() const {
        termios t{};
        if (tcgetattr(master_, &t) != 0) return 0;
        switch (cfgetospeed(&t)) {
            case B9600:
                return 9600;
            case B19200:
                return 19200;
            default:
                return 1;
        }
    }

    // Bytes from the program reach the controller at the baud rate the
    // program set; its answers go back at once.
    void Run() {
        sim::RealClock clock;
        while (!stop_) {
            pollfd pfd{master_, POLLIN, 0};
            if (poll(&pfd, 1, 5) <= 0) continue;
            std::uint8_t in[64];
            const ssize_t n = read(master_, in, sizeof in);
            if (n <= 0) {
                // No program on the other side (yet): the port is closed.
                usleep(2000);
                continue;
            }
            for (ssize_t i = 0; i < n; ++i) controller_.UartReceive(in[i], Baud(), clock.NowNs());
            sim::TimedByte next;
            std::string out;
            while (controller_.PeekUart(UINT64_MAX, next)) {
                out.push_back(static_cast<char>(next.byte));
                controller_.PopUart();
            }
            if (!out.empty()) (void)!write(master_, out.data(), out.size());
        }
    }

    sim::Controller controller_;
    int master_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace kvr::testing
