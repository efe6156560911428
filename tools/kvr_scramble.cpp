// kvr-scramble: writes the scrambled form of a text update file.
//
//   kvr-scramble [--seed N] input.upd output.upd
//
// The seed (decimal or 0x-hexadecimal) keys the scrambling; without one a
// fixed default is used, moved on by one when it cannot scramble the file.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "update/update_scramble.h"

namespace {

constexpr std::uint32_t kDefaultSeed = 0x4B565232;
constexpr int kSeedAttempts = 1000;

int Usage() {
    std::cerr << "usage: kvr-scramble [--seed N] input.upd output.upd\n";
    return 2;
}

bool ParseSeed(const std::string& text, std::uint32_t& seed) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || value > 0xFFFFFFFFull) return false;
    seed = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::uint32_t seed = kDefaultSeed;
    bool seedGiven = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--seed" || args[i] == "-s") {
            if (i + 1 >= args.size() || !ParseSeed(args[i + 1], seed)) return Usage();
            seedGiven = true;
            ++i;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return Usage();

    std::ifstream in(files[0], std::ios::binary);
    if (!in) {
        std::cerr << "kvr-scramble: cannot open " << files[0] << "\n";
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::vector<std::uint8_t> out;
    std::string error;
    kvr::ScrambleResult result = kvr::ScrambleUpdateText(text, seed, out, error);
    for (int attempt = 1;
         !seedGiven && result == kvr::ScrambleResult::ReservedWord && attempt < kSeedAttempts;
         ++attempt) {
        result = kvr::ScrambleUpdateText(text, ++seed, out, error);
    }
    if (result != kvr::ScrambleResult::Ok) {
        std::cerr << "kvr-scramble: " << files[0] << ": " << error << "\n";
        return 1;
    }

    std::ofstream os(files[1], std::ios::binary | std::ios::trunc);
    os.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    os.close();
    if (!os) {
        std::cerr << "kvr-scramble: cannot write " << files[1] << "\n";
        return 1;
    }
    return 0;
}
