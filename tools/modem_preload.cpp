// libkvrmodem.so: gives a pseudo-terminal the modem lines and the break of a
// serial port, with the simulated controller behind them, for any program
// (kvrsetup, avrdude, ...) run with LD_PRELOAD. The program opens the path
// named by KVR_MODEM_DEVICE; the library then opens a fresh pseudo-terminal
// instead. Its line and status calls (TIOCMGET, TIOCMSET, TIOCMBIS,
// TIOCMBIC, TIOCSBRK, TIOCCBRK, TCSBRK) drive and read the controller's pins
// on the real clock; the UART bytes flow over the pseudo-terminal, and a
// thread of the library plays the controller's UART on its master side.
//
// Environment:
//   KVR_MODEM_DEVICE       the path that leads to the controller (required;
//                          need not exist, e.g. /tmp/ttyKVR0)
//   KVR_MODEM_PROFILE      a simulation profile as --simulate takes it: a
//                          name (--simulate=list) or a profile file;
//                          "bit-serial" when not set
//   KVR_MODEM_LATENCY_US   time added to every modem-line call (a USB
//                          adapter does a round trip for each), e.g. 125
//   KVR_MODEM_VANISH_AFTER the device vanishes after this many modem-line
//                          calls, as when the adapter is pulled out
//   KVR_MODEM_REPLUG_MS    ... and is back this long after it vanished
//   KVR_MODEM_STATS        file that gets the call counts at exit ("-" for
//                          standard error)
//   KVR_MODEM_TRACE        file that gets the controller's wire trace at exit
//
// A preload library has no caller to hand its state to: the one Modem object
// below lives for the whole process.
#undef _FORTIFY_SOURCE
#include "modem_preload.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "controller.h"
#include "pty_uart.h"
#include "sim_clock.h"
#include "sim_profiles.h"

namespace {

using IoctlFn = int (*)(int, unsigned long, ...);
using ReadFn = ssize_t (*)(int, void*, size_t);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);
using PollFn = int (*)(pollfd*, nfds_t, int);
using PpollFn = int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*);

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// The C library's own entries, looked up on first use: other libraries'
// constructors may call them before this library is set up.
struct Real {
    IoctlFn ioctl = Next<IoctlFn>("ioctl");
    ReadFn read = Next<ReadFn>("read");
    WriteFn write = Next<WriteFn>("write");
    OpenFn open = Next<OpenFn>("open");
    OpenFn open64 = Next<OpenFn>("open64");
    OpenatFn openat = Next<OpenatFn>("openat");
    OpenatFn openat64 = Next<OpenatFn>("openat64");
    CloseFn close = Next<CloseFn>("close");
    PollFn poll = Next<PollFn>("poll");
    PpollFn ppoll = Next<PpollFn>("ppoll");
};

const Real& R() {
    static const Real real;
    return real;
}

constexpr int kMaxFd = 4096;
// For each descriptor, the plug-in of the device it was opened on (0: not
// the device). Constant-initialised, so the fast path needs no set-up.
std::array<std::atomic<int>, kMaxFd> gDeviceFd{};

int PlugOf(int fd) {
    if (fd < 0 || fd >= kMaxFd) return 0;
    return gDeviceFd[static_cast<std::size_t>(fd)].load(std::memory_order_relaxed);
}

long EnvLong(const char* name, long fallback) {
    const char* v = getenv(name);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    const double d = strtod(v, &end);
    return end != v ? static_cast<long>(d) : fallback;
}

double EnvDouble(const char* name, double fallback) {
    const char* v = getenv(name);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    const double d = strtod(v, &end);
    return end != v ? d : fallback;
}

// The controller of a simulation profile, named as --simulate takes it.
kvr::sim::Setup SetupFrom(const char* value) {
    const std::string name = value != nullptr && *value != '\0' ? value : "bit-serial";
    kvr::sim::SimulateRequest r = kvr::sim::ParseSimulate(name);
    if (r.kind != kvr::sim::SimulateRequest::Kind::Run) {
        fprintf(stderr, "libkvrmodem: KVR_MODEM_PROFILE: %s\n", r.text.c_str());
        r = kvr::sim::ParseSimulate("bit-serial");
    }
    return r.setup;
}

class Modem {
  public:
    Modem()
        : device_(getenv("KVR_MODEM_DEVICE") ? getenv("KVR_MODEM_DEVICE") : ""),
          owner_(getpid()),
          ctl_() {
        kvr::sim::ApplySetup(SetupFrom(getenv("KVR_MODEM_PROFILE")), ctl_);
        latencyNs_ = static_cast<long>(EnvDouble("KVR_MODEM_LATENCY_US", 0) * 1000.0);
        vanishAfter_ = EnvLong("KVR_MODEM_VANISH_AFTER", -1);
        replugMs_ = EnvLong("KVR_MODEM_REPLUG_MS", -1);
        // A controller that has been running when the program starts.
        ctl_.SetPin(kvr::sim::kBreakPin, true, 0);
    }

    bool IsDevice(const char* path) const {
        return path != nullptr && !device_.empty() && device_ == path;
    }

    // The program opens the device: a new pseudo-terminal on the first
    // open after start or after the device came back.
    int Open(int flags, mode_t mode) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++stats_.opens;
        if (!Present()) {
            errno = ENOENT;
            return -1;
        }
        if (master_ < 0 && !Plug()) {
            errno = ENOENT;
            return -1;
        }
        const int fd = R().open(slavePath_.c_str(), flags | O_NOCTTY, mode);
        if (fd < 0) return fd;
        if (fd < kMaxFd) {
            gDeviceFd[static_cast<std::size_t>(fd)] = plug_;
            // Opening a serial port raises DTR and RTS.
            if (openFds_++ == 0) {
                SetLines(true, true, breakOn_);
            }
        }
        return fd;
    }

    void Closed(int fd, int plug) {
        gDeviceFd[static_cast<std::size_t>(fd)] = 0;
        std::lock_guard<std::mutex> lock(mutex_);
        ++stats_.closes;
        if (plug != plug_ || master_ < 0) return;
        // The last close of a port drops DTR and RTS and ends a break.
        if (--openFds_ == 0) SetLines(false, false, false);
    }

    int Ioctl(int fd, int plug, unsigned long request, void* arg) {
        switch (request) {
            case TIOCMGET:
            case TIOCMSET:
            case TIOCMBIS:
            case TIOCMBIC:
            case TIOCSBRK:
            case TIOCCBRK:
                return LineCall(plug, request, arg);
            case TCSBRK:
                // TCSBRK 0 sends a break; any other argument is tcdrain.
                if (reinterpret_cast<std::uintptr_t>(arg) == 0) return LineCall(plug, request, arg);
                break;
            default:
                break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++stats_.otherIoctls;
        }
        return R().ioctl(fd, request, arg);
    }

    void Count(long KvrModemStats::*field) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++(stats_.*field);
    }

    KvrModemStats Stats() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stats_;
    }
    void ResetStats() {
        std::lock_guard<std::mutex> lock(mutex_);
        stats_ = KvrModemStats{};
    }

    void Vanish() {
        std::lock_guard<std::mutex> lock(mutex_);
        Unplug();
    }
    void Replug() {
        std::lock_guard<std::mutex> lock(mutex_);
        vanished_ = false;
        vanishAfter_ = -1;
    }

    void Set(int key, long value) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (key == kKvrModemLatencyNs) latencyNs_ = value;
        if (key == kKvrModemMotorHz) ctl_.profile.motorPulseHz = static_cast<std::uint32_t>(value);
        if (key == kKvrModemMotorSpinUpMs) {
            ctl_.profile.motorSpinUpMs = static_cast<std::uint32_t>(value);
        }
        if (key == kKvrModemVanishAfter) {
            vanishAfter_ = value < 0 ? -1 : stats_.statusReads + stats_.lineChanges + value;
        }
        if (key >= kKvrModemMemory && key < kKvrModemMemory + 256) {
            ctl_.memory[static_cast<std::size_t>(key - kKvrModemMemory)] =
                static_cast<std::uint8_t>(value);
        }
    }
    int Memory(int address) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (address < 0 || address > 255) return -1;
        return ctl_.memory[static_cast<std::size_t>(address)];
    }
    std::size_t Flash(std::uint8_t* out, std::size_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t n = std::min(size, ctl_.flash.size());
        if (out != nullptr) memcpy(out, ctl_.flash.data(), n);
        return ctl_.flash.size();
    }
    std::size_t Trace(char* out, std::size_t size) {
        std::string text;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            text = ctl_.TraceText();
        }
        if (out != nullptr && size > 0) {
            const std::size_t n = std::min(size - 1, text.size());
            memcpy(out, text.data(), n);
            out[n] = '\0';
        }
        return text.size();
    }

    void Shutdown() {
        std::lock_guard<std::mutex> lock(mutex_);
        Unplug();
        // Every process started with the library preloaded ends here: a shell
        // or a `timeout` around the program ends after it and would empty
        // the files, a forked child would write its copy of the counts. Only
        // the process that opened the device writes them.
        if (device_.empty() || stats_.opens == 0 || getpid() != owner_) return;
        const char* tracePath = getenv("KVR_MODEM_TRACE");
        if (tracePath != nullptr && *tracePath != '\0') {
            if (FILE* t = fopen(tracePath, "w")) {
                fputs(ctl_.TraceText().c_str(), t);
                fclose(t);
            }
        }
        const char* path = getenv("KVR_MODEM_STATS");
        if (path == nullptr || *path == '\0') return;
        FILE* f = strcmp(path, "-") == 0 ? stderr : fopen(path, "w");
        if (f == nullptr) return;
        fprintf(f,
                "line_changes %ld\nstatus_reads %ld\nother_ioctls %ld\nreads %ld\nwrites %ld\n"
                "polls %ld\nopens %ld\ncloses %ld\nlatency_slept_us %ld\n",
                stats_.lineChanges, stats_.statusReads, stats_.otherIoctls, stats_.reads,
                stats_.writes, stats_.polls, stats_.opens, stats_.closes, stats_.latencySleptUs);
        if (f != stderr) fclose(f);
    }

  private:
    // Whether the device is there; a vanished one comes back after the
    // replug time, if one was given.
    bool Present() {
        if (!vanished_) return true;
        if (replugMs_ >= 0 && clock_.NowNs() >= vanishedNs_ + std::uint64_t(replugMs_) * 1000000) {
            vanished_ = false;
        }
        return !vanished_;
    }

    bool Plug() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0) return false;
        char name[128];
        if (grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0) {
            R().close(master);
            return false;
        }
        // The library holds the slave open itself, so that the master side
        // does not see a hang-up each time the program closes the port.
        const int hold = R().open(name, O_RDWR | O_NOCTTY, 0);
        if (hold < 0) {
            R().close(master);
            return false;
        }
        termios t{};
        if (tcgetattr(hold, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(hold, TCSANOW, &t);
        }
        master_ = master;
        hold_ = hold;
        slavePath_ = name;
        ++plug_;
        openFds_ = 0;
        stop_ = false;
        pump_ = std::thread([this, master] {
            kvr::tools::PumpUart(master, ctl_, clock_, mutex_, stop_,
                                 {R().read, R().write, R().ppoll});
        });
        return true;
    }

    void Unplug() {
        vanished_ = true;
        vanishedNs_ = clock_.NowNs();
        if (master_ < 0) return;
        stop_ = true;
        const int master = master_;
        master_ = -1;
        mutex_.unlock();
        if (pump_.joinable()) pump_.join();
        mutex_.lock();
        // Descriptors the program still holds now fail as on a pulled-out
        // adapter: reads and writes see the hang-up, line calls get EIO.
        R().close(hold_);
        R().close(master);
        hold_ = -1;
        openFds_ = 0;
        SetLines(false, false, false);
    }

    int LineCall(int plug, unsigned long request, void* arg) {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool status = request == TIOCMGET;
        if (status) {
            ++stats_.statusReads;
        } else {
            ++stats_.lineChanges;
        }
        if (vanishAfter_ >= 0 && stats_.statusReads + stats_.lineChanges > vanishAfter_) {
            vanishAfter_ = -1;
            Unplug();
        }
        if (plug != plug_ || master_ < 0) {
            errno = EIO;
            return -1;
        }
        const long latency = latencyNs_;
        lock.unlock();
        if (latency > 0) {
            const std::uint64_t before = clock_.NowNs();
            Sleep(latency);
            const std::uint64_t slept = clock_.NowNs() - before;
            lock.lock();
            stats_.latencySleptUs += static_cast<long>(slept / 1000);
        } else {
            lock.lock();
        }
        if (plug != plug_ || master_ < 0) {
            errno = EIO;
            return -1;
        }
        int bits = 0;
        if (request != TIOCSBRK && request != TIOCCBRK && request != TCSBRK) {
            if (arg == nullptr) {
                errno = EFAULT;
                return -1;
            }
            bits = *static_cast<int*>(arg);
        }
        switch (request) {
            case TIOCMGET: {
                const bool cts = ctl_.DataIn(clock_.NowNs());
                *static_cast<int*>(arg) =
                    (rts_ ? TIOCM_RTS : 0) | (dtr_ ? TIOCM_DTR : 0) | (cts ? TIOCM_CTS : 0);
                return 0;
            }
            case TIOCMSET:
                SetLines((bits & TIOCM_RTS) != 0, (bits & TIOCM_DTR) != 0, breakOn_);
                return 0;
            case TIOCMBIS:
                SetLines(rts_ || (bits & TIOCM_RTS), dtr_ || (bits & TIOCM_DTR), breakOn_);
                return 0;
            case TIOCMBIC:
                SetLines(rts_ && !(bits & TIOCM_RTS), dtr_ && !(bits & TIOCM_DTR), breakOn_);
                return 0;
            case TIOCSBRK:
                SetLines(rts_, dtr_, true);
                return 0;
            case TIOCCBRK:
                SetLines(rts_, dtr_, false);
                return 0;
            case TCSBRK: {
                // tcsendbreak: a quarter of a second of break.
                SetLines(rts_, dtr_, true);
                lock.unlock();
                Sleep(250000000);
                lock.lock();
                SetLines(rts_, dtr_, false);
                return 0;
            }
            default:
                return 0;
        }
    }

    // The lines as the adapter wires them to the controller.
    void SetLines(bool rts, bool dtr, bool breakOn) {
        const std::uint64_t now = clock_.NowNs();
        rts_ = rts;
        dtr_ = dtr;
        breakOn_ = breakOn;
        ctl_.SetPin(kvr::sim::kDtrPin, dtr, now);
        ctl_.SetPin(kvr::sim::kRtsPin, rts, now);
        ctl_.SetPin(kvr::sim::kBreakPin, breakOn, now);
    }

    // Sleeps about ns, closely: the default timer slack of 50 us would
    // swamp a latency of 125 us.
    static void Sleep(long ns) {
        const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
        prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
        timespec t{ns / 1000000000, ns % 1000000000};
        while (nanosleep(&t, &t) != 0 && errno == EINTR) {
        }
        if (slack > 0) prctl(PR_SET_TIMERSLACK, slack, 0, 0, 0);
    }

    const std::string device_;
    const pid_t owner_;
    std::mutex mutex_;
    kvr::sim::RealClock clock_;
    kvr::sim::Controller ctl_;
    KvrModemStats stats_{};
    long latencyNs_ = 0;
    long vanishAfter_ = -1;
    long replugMs_ = -1;
    bool vanished_ = false;
    std::uint64_t vanishedNs_ = 0;
    int master_ = -1;
    int hold_ = -1;
    std::string slavePath_;
    int plug_ = 0;
    int openFds_ = 0;
    bool rts_ = false;
    bool dtr_ = false;
    bool breakOn_ = true;
    std::atomic<bool> stop_{false};
    std::thread pump_;
};

Modem& M() {
    // Reachable for the whole process; Shutdown at exit stops its thread.
    static Modem* modem = new Modem;
    return *modem;
}

bool Active() {
    static const bool active = getenv("KVR_MODEM_DEVICE") != nullptr;
    return active;
}

__attribute__((destructor)) void AtExit() {
    if (Active()) M().Shutdown();
}

// A child of a fork (a program starting another) has none of the library's
// threads and may find its lock held: there the device's descriptors are
// plain descriptors again.
void ForgetDevicesInChild() {
    for (auto& plug : gDeviceFd) plug.store(0, std::memory_order_relaxed);
}

__attribute__((constructor)) void AtLoad() {
    pthread_atfork(nullptr, nullptr, ForgetDevicesInChild);
}

int OpenDevice(const char* path, int flags, mode_t mode, bool& handled) {
    handled = Active() && M().IsDevice(path);
    return handled ? M().Open(flags, mode) : -1;
}

bool AnyDevice(const pollfd* fds, nfds_t n) {
    for (nfds_t i = 0; i < n; ++i) {
        if (PlugOf(fds[i].fd) != 0) return true;
    }
    return false;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    const int plug = PlugOf(fd);
    if (plug == 0) return R().ioctl(fd, request, arg);
    return M().Ioctl(fd, plug, request, arg);
}

__attribute__((visibility("default"))) ssize_t read(int fd, void* buf, size_t n) {
    if (PlugOf(fd) != 0) M().Count(&KvrModemStats::reads);
    return R().read(fd, buf, n);
}

__attribute__((visibility("default"))) ssize_t write(int fd, const void* buf, size_t n) {
    if (PlugOf(fd) != 0) M().Count(&KvrModemStats::writes);
    return R().write(fd, buf, n);
}

__attribute__((visibility("default"))) int close(int fd) {
    const int plug = PlugOf(fd);
    if (plug != 0) M().Closed(fd, plug);
    return R().close(fd);
}

// The C library declares the descriptors of poll as written only, but the
// caller has filled them: reading them here is sound.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((visibility("default"))) int poll(pollfd* fds, nfds_t n, int timeout) {
    if (AnyDevice(fds, n)) M().Count(&KvrModemStats::polls);
    return R().poll(fds, n, timeout);
}

__attribute__((visibility("default"))) int ppoll(pollfd* fds, nfds_t n, const timespec* timeout,
                                                 const sigset_t* mask) {
    if (AnyDevice(fds, n)) M().Count(&KvrModemStats::polls);
    return R().ppoll(fds, n, timeout, mask);
}
#pragma GCC diagnostic pop

// The mode that open and openat take after the flags, with O_CREAT or
// O_TMPFILE only.
#define KVR_MODE_AFTER(flags, mode)                  \
    if ((flags) & (O_CREAT | O_TMPFILE)) {           \
        va_list ap;                                  \
        va_start(ap, flags);                         \
        mode = static_cast<mode_t>(va_arg(ap, int)); \
        va_end(ap);                                  \
    }

#define KVR_OPEN_ENTRY(name, real)                                                      \
    __attribute__((visibility("default"))) int name(const char* path, int flags, ...) { \
        mode_t mode = 0;                                                                \
        KVR_MODE_AFTER(flags, mode)                                                     \
        bool handled = false;                                                           \
        const int fd = OpenDevice(path, flags, mode, handled);                          \
        return handled ? fd : R().real(path, flags, mode);                              \
    }
KVR_OPEN_ENTRY(open, open)
KVR_OPEN_ENTRY(open64, open64)
#undef KVR_OPEN_ENTRY

#define KVR_OPENAT_ENTRY(name, real)                                                             \
    __attribute__((visibility("default"))) int name(int dir, const char* path, int flags, ...) { \
        mode_t mode = 0;                                                                         \
        KVR_MODE_AFTER(flags, mode)                                                              \
        bool handled = false;                                                                    \
        const int fd = OpenDevice(path, flags, mode, handled);                                   \
        return handled ? fd : R().real(dir, path, flags, mode);                                  \
    }
KVR_OPENAT_ENTRY(openat, openat)
KVR_OPENAT_ENTRY(openat64, openat64)
#undef KVR_OPENAT_ENTRY
#undef KVR_MODE_AFTER

__attribute__((visibility("default"))) void kvr_modem_stats(KvrModemStats* out) {
    if (out != nullptr) *out = M().Stats();
}
__attribute__((visibility("default"))) void kvr_modem_reset_stats(void) {
    M().ResetStats();
}
__attribute__((visibility("default"))) void kvr_modem_vanish(void) {
    M().Vanish();
}
__attribute__((visibility("default"))) void kvr_modem_replug(void) {
    M().Replug();
}
__attribute__((visibility("default"))) void kvr_modem_set(int key, long value) {
    M().Set(key, value);
}
__attribute__((visibility("default"))) int kvr_modem_memory(int address) {
    return M().Memory(address);
}
__attribute__((visibility("default"))) size_t kvr_modem_flash(uint8_t* out, size_t size) {
    return M().Flash(out, size);
}
__attribute__((visibility("default"))) size_t kvr_modem_trace(char* out, size_t size) {
    return M().Trace(out, size);
}
}
