#include "qt_platform.h"

#include <chrono>

namespace kvr::gui {

std::uint32_t QtClock::TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace kvr::gui
