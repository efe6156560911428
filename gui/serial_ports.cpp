#include "serial_ports.h"

#include <QSerialPortInfo>
#include <QString>
#include <algorithm>
#include <vector>

namespace kvr::gui {

namespace {

// The prefixes in the order their devices take the COM numbers.
const char* const kPrefixes[] = {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"};

struct Found {
    int group;
    long number;
    std::string path;
};

}  // namespace

// COM1 to COM8 name the serial devices present, in a stable order: first the
// USB serial adapters (/dev/ttyUSB*), then the USB modems (/dev/ttyACM*),
// then the built-in ports (/dev/ttyS*) that the system reports as really
// present; each group by its number (ttyUSB2 before ttyUSB10). COM1 is the
// first of them, COM2 the second, and so on; a COM number beyond the devices
// present maps to nothing.
std::string DeviceForCom(int n) {
    if (n < 1 || n > 8) return {};
    std::vector<Found> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string path = info.systemLocation().toStdString();
        for (int g = 0; g < 3; ++g) {
            const std::string prefix = kPrefixes[g];
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string digits = path.substr(prefix.size());
            if (!std::all_of(digits.begin(), digits.end(),
                             [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            found.push_back({g, std::stol(digits), path});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    if (static_cast<std::size_t>(n) > found.size()) return {};
    return found[static_cast<std::size_t>(n - 1)].path;
}

}  // namespace kvr::gui
