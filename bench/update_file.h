// Update files of a given size for the benchmarks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace kvr::bench {

// A text update file of the given size, one byte per record, of the same
// bytes on every run; returns the bytes.
inline std::vector<std::uint8_t> WriteUpdateFile(const std::filesystem::path& file, int bytes) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(bytes));
    std::mt19937 gen(7);
    std::ofstream out(file, std::ios::binary);
    char line[16];
    for (std::size_t a = 0; a < image.size(); ++a) {
        image[a] = static_cast<std::uint8_t>(gen() & 0xFF);
        std::snprintf(line, sizeof line, "%04X:00%02X\r\n", static_cast<unsigned>(a), image[a]);
        out << line;
    }
    return image;
}

}  // namespace kvr::bench
