#include "serial_ports.h"

#include <QSerialPortInfo>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

// The device the user named for COMn, or empty.
std::string NamedDevice(int n) {
    const std::string variable = "KVRSETUP_COM" + std::to_string(n);
    const char* value = std::getenv(variable.c_str());
    return value != nullptr ? std::string(value) : std::string();
}

// The same device under either name (a link in /dev/serial/by-id/ and its
// target).
bool SameDevice(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ea;
    std::error_code eb;
    const auto ca = std::filesystem::canonical(a, ea);
    const auto cb = std::filesystem::canonical(b, eb);
    return !ea && !eb && ca == cb;
}

}  // namespace

// A COM number the user named a device for maps to that device, present or
// not: opening it tells. The other numbers take the devices found, in order,
// leaving out those the user named.
//
// The devices present are found in a stable order: first the
// USB serial adapters (/dev/ttyUSB*), then the USB modems (/dev/ttyACM*),
// then the built-in ports (/dev/ttyS*) that the system reports as really
// present; each group by its number (ttyUSB2 before ttyUSB10). The first
// free COM number takes the first of them, the next free one the second, and
// so on; a COM number beyond the devices present maps to nothing.
std::string DeviceForCom(int n) {
    if (n < 1 || n > 8) return {};
    const std::string named = NamedDevice(n);
    if (!named.empty()) return named;
    std::vector<std::string> namedAll;
    for (int k = 1; k <= 8; ++k) {
        if (!NamedDevice(k).empty()) namedAll.push_back(NamedDevice(k));
    }
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
            const bool taken =
                std::any_of(namedAll.begin(), namedAll.end(),
                            [&](const std::string& d) { return SameDevice(d, path); });
            if (!taken) found.push_back({g, std::stol(digits), path});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    // The free numbers before n each took one of the devices found.
    std::size_t index = 0;
    for (int k = 1; k < n; ++k) {
        if (NamedDevice(k).empty()) ++index;
    }
    if (index >= found.size()) return {};
    return found[index].path;
}

}  // namespace kvr::gui
