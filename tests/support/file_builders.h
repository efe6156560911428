// Files the tests hand the program: blsetup.cfg and firmware update files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvr::testing {

// blsetup.cfg as a user who chose the port and saved a motor leaves it: the
// port name in 256 bytes, the pole count in four, the ratio.
std::string ConfigFile(const std::string& poles = "14", const std::string& ratio = "10.00",
                       const std::string& port = "COM2");

// One byte of an update file.
struct UpdateRecord {
    int address;
    int data;
};

// `count` records from address 0 on, `step` apart, each byte data(address).
std::vector<UpdateRecord> UpdateRecords(int count, const std::function<int(int)>& data,
                                        int step = 1);

// An update file in text form: a line "AAAA:00DD" (CR LF) per record.
std::string UpdateText(const std::vector<UpdateRecord>& records);

// The flash of `size` bytes, blank (0xFF) but for the records.
std::vector<std::uint8_t> FlashImage(const std::vector<UpdateRecord>& records, std::size_t size);

}  // namespace kvr::testing
