// kvr-com-pty: runs a program with the simulated controller's UART on the
// far side of a pseudo-terminal, reachable through a link at a fixed path.
// A Wine prefix whose COM1 names that link gives a Windows program a serial
// port with the controller behind it.
// Usage: kvr-com-pty LINK PROGRAM [ARGUMENTS...]
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "pty_controller.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kvr-com-pty LINK PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    kvr::sim::Profile profile;
    profile.link = kvr::sim::LinkKind::Uart;
    kvr::testing::PtyController pty(profile);
    const std::string& slave = pty.slavePath();
    // Keep the slave side open ourselves, so that the master never sees a
    // hang-up between two opens of the program.
    const int keep = slave.empty() ? -1 : open(slave.c_str(), O_RDWR | O_NOCTTY);
    const std::string link = argv[1];
    unlink(link.c_str());
    if (keep < 0 || symlink(slave.c_str(), link.c_str()) != 0) {
        std::perror("pseudo-terminal and its link");
        return 1;
    }

    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    pty.Stop();
    unlink(link.c_str());
    std::fprintf(stderr, "kvr-com-pty: the controller received %ld bytes on its UART\n",
                 pty.controller().uartBytes);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
