// The scrambled kind of update file: its keys, its checksum and the writer
// that turns a text update file into one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvr {

inline constexpr std::uint32_t KeySeedAdd = 0x5A3C96E1;
inline constexpr std::uint32_t KeySeedXor = 0x2F6B1D84;
inline constexpr std::uint32_t KeyStep = 0x0369CF25;

inline constexpr std::size_t kScrambledHeaderSize = 160;
inline constexpr std::size_t kCheckWordOffset = 80;
inline constexpr std::size_t kSeedWordOffset = 88;
// A word with all bits set ends the checksum, and as a record's second word
// the records.
inline constexpr std::uint32_t kEndWord = 0xFFFFFFFF;

// The sum of the word's eight 4-bit nibbles.
std::uint32_t NibbleSum(std::uint32_t word);

// The key of the first record, derived from the header's seed word.
std::uint32_t InitialRecordKey(std::uint32_t seed);

// The nibble checksum of a whole file as the header test computes it: the 19
// words from offset 0 (a missing one counts as all bits set), then the words
// from offset 88 up to the end or the first end word.
std::uint32_t UpdateFileChecksum(std::span<const std::uint8_t> file);

// Little-endian word at offset; the caller makes sure it is there.
std::uint32_t WordAt(std::span<const std::uint8_t> file, std::size_t offset);

enum class ScrambleResult {
    Ok = 0,
    BadLine = 1,      // a line is not a record the transfer accepts
    ReservedWord = 2  // this seed makes a scrambled word all ones; try another
};

// Turns the lines of a text update file (LF or CR LF) into a scrambled update
// file with the given seed. Every line must be a complete record of exactly
// nine characters from '0' to 'F' with ':' at position 4. On failure `error`
// tells why and `out` is left empty.
ScrambleResult ScrambleUpdateText(std::string_view text, std::uint32_t seed,
                                  std::vector<std::uint8_t>& out, std::string& error);

}  // namespace kvr
