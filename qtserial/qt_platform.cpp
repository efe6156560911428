#include "qt_platform.h"

#include <chrono>
#include <cstdlib>
#include <string_view>
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

bool FastPathOffByEnvironment() {
    const char* value = std::getenv("KVR_NO_FAST_PATH");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

QtDevices::QtDevices(bool fastPath) {
    serial_.SetFastPath(fastPath && !FastPathOffByEnvironment());
}

std::string QtDevices::DeviceForCom(int n) {
    return gui::DeviceForCom(n);
}

}  // namespace kvr::gui
