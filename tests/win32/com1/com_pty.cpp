// kvr-com-pty: runs a program with the simulated controller's UART on the
// far side of a pseudo-terminal, reachable through a link at a fixed path.
// A Wine prefix whose COM1 names that link gives a Windows program a serial
// port with the controller behind it.
// Usage: kvr-com-pty LINK PROGRAM [ARGUMENTS...]
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "controller.h"
#include "sim_clock.h"

namespace {

std::uint32_t Baud(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return 0;
    switch (cfgetospeed(&t)) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        default:
            return 1;
    }
}

// Bytes from the program reach the controller at the baud rate the program
// set; its answers go back at once.
void Serve(int master, kvr::sim::Controller& controller, const std::atomic<bool>& stop) {
    kvr::sim::RealClock clock;
    while (!stop) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 5) <= 0) continue;
        std::uint8_t in[64];
        const ssize_t n = read(master, in, sizeof in);
        if (n <= 0) {
            // No program on the other side yet: the port is closed.
            usleep(2000);
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) controller.UartReceive(in[i], Baud(master), clock.NowNs());
        kvr::sim::TimedByte next;
        std::string out;
        while (controller.PeekUart(UINT64_MAX, next)) {
            out.push_back(static_cast<char>(next.byte));
            controller.PopUart();
        }
        if (!out.empty()) (void)!write(master, out.data(), out.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kvr-com-pty LINK PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    // Keep the slave side open ourselves, so that the master never sees a
    // hang-up between two opens of the program.
    const char* slave = ptsname(master);
    const int keep = slave == nullptr ? -1 : open(slave, O_RDWR | O_NOCTTY);
    const std::string link = argv[1];
    unlink(link.c_str());
    if (slave == nullptr || keep < 0 || symlink(slave, link.c_str()) != 0) {
        std::perror("link to the pseudo-terminal");
        return 1;
    }

    kvr::sim::Profile profile;
    profile.link = kvr::sim::LinkKind::Uart;
    kvr::sim::Controller controller(profile);
    std::atomic<bool> stop{false};
    std::thread server([&] { Serve(master, controller, stop); });

    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    stop = true;
    server.join();
    unlink(link.c_str());
    std::fprintf(stderr, "kvr-com-pty: the controller received %ld bytes on its UART\n",
                 controller.uartBytes);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
