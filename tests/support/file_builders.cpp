// Files the tests hand the program: blsetup.cfg and firmware update files.
#include "file_builders.h"

#include <cstdio>

namespace kvr::testing {

std::string ConfigFile(const std::string& poles, const std::string& ratio,
                       const std::string& port) {
    std::string config = port;
    config.resize(256, '\0');
    return config + poles + std::string(4 - poles.size(), '\0') + ratio;
}

std::vector<UpdateRecord> UpdateRecords(int count, const std::function<int(int)>& data, int step) {
    std::vector<UpdateRecord> records;
    for (int i = 0; i < count; ++i) records.push_back({i * step, data(i * step) & 0xFF});
    return records;
}

std::string UpdateText(const std::vector<UpdateRecord>& records) {
    std::string text;
    char line[16];
    for (const UpdateRecord& r : records) {
        std::snprintf(line, sizeof line, "%04X:00%02X\r\n", r.address, r.data);
        text += line;
    }
    return text;
}

std::vector<std::uint8_t> FlashImage(const std::vector<UpdateRecord>& records, std::size_t size) {
    std::vector<std::uint8_t> flash(size, 0xFF);
    for (const UpdateRecord& r : records) {
        flash.at(static_cast<std::size_t>(r.address)) = static_cast<std::uint8_t>(r.data);
    }
    return flash;
}

}  // namespace kvr::testing
