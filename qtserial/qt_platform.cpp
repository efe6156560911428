#include "qt_platform.h"

#include <chrono>
#include <thread>

#include "serial_ports.h"

namespace kvr::gui {

std::uint32_t QtClock::TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::uint64_t QtClock::PreciseNs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

void QtClock::SleepUs(std::uint32_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

QtDevices::QtDevices(bool fastPath) {
    serial_.SetFastPath(fastPath && !FastPathOffByEnvironment());
}

std::string QtDevices::DeviceForCom(int n) {
    return gui::DeviceForCom(n);
}

}  // namespace kvr::gui
