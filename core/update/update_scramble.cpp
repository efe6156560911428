// The scrambled update file: nibble sums, record keys, and the scrambler of text files.
#include "update/update_scramble.h"

#include <cstring>

namespace kvr {

namespace {

constexpr std::size_t kHeaderWordsSummed = 19;
constexpr std::size_t kRecordTextLength = 9;
constexpr std::size_t kRecordColon = 4;
constexpr std::string_view kHeaderMark = "KVR-Duza2 firmware update";

void PutWord(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t word) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

void AppendWord(std::vector<std::uint8_t>& out, std::uint32_t word) {
    out.resize(out.size() + 4);
    PutWord(out, out.size() - 4, word);
}

std::uint32_t WordOfChars(std::string_view chars) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word |= std::uint32_t{static_cast<unsigned char>(chars[i])} << (8 * i);
    }
    return word;
}

bool IsRecordLine(std::string_view line) {
    if (line.size() != kRecordTextLength || line[kRecordColon] != ':') return false;
    for (char c : line) {
        if (c < 0x30 || c > 0x46) return false;
    }
    return true;
}

}  // namespace

std::uint32_t NibbleSum(std::uint32_t word) {
    std::uint32_t sum = 0;
    for (int shift = 0; shift < 32; shift += 4) sum += (word >> shift) & 0xF;
    return sum;
}

std::uint32_t InitialRecordKey(std::uint32_t seed) {
    return (seed + KeySeedAdd) ^ KeySeedXor;
}

std::uint32_t WordAt(std::span<const std::uint8_t> file, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) word |= std::uint32_t{file[offset + i]} << (8 * i);
    return word;
}

std::uint32_t UpdateFileChecksum(std::span<const std::uint8_t> file) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kHeaderWordsSummed; ++i) {
        const std::size_t offset = 4 * i;
        sum += NibbleSum(offset + 4 <= file.size() ? WordAt(file, offset) : kEndWord);
    }
    // The words at 76, 80 and 84 carry the check word and are left out.
    for (std::size_t offset = kSeedWordOffset; offset + 4 <= file.size(); offset += 4) {
        const std::uint32_t word = WordAt(file, offset);
        if (word == kEndWord) break;
        sum += NibbleSum(word);
    }
    return sum;
}

ScrambleResult ScrambleUpdateText(std::string_view text, std::uint32_t seed,
                                  std::vector<std::uint8_t>& out, std::string& error) {
    out.assign(kScrambledHeaderSize, 0);
    std::memcpy(out.data(), kHeaderMark.data(), kHeaderMark.size());
    PutWord(out, kSeedWordOffset, seed);

    if (seed == kEndWord) {
        error = "the seed must not have all bits set";
        out.clear();
        return ScrambleResult::ReservedWord;
    }
    std::uint32_t key = InitialRecordKey(seed);
    const std::uint32_t firstKey = key;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!IsRecordLine(line)) {
            error = "line " + std::to_string(lineNumber) + " is not a record (AAAA:xxDD)";
            out.clear();
            return ScrambleResult::BadLine;
        }
        const std::uint32_t w1 = WordOfChars(line.substr(0, 4)) ^ key;
        const std::uint32_t w2 = WordOfChars(line.substr(kRecordColon + 1, 4)) ^ (key + KeyStep);
        key += 2 * KeyStep;
        // Such a word would end the checksum or the records early.
        if (w1 == kEndWord || w2 == kEndWord) {
            error = "seed " + std::to_string(seed) + " cannot scramble line " +
                    std::to_string(lineNumber) + ", choose another seed";
            out.clear();
            return ScrambleResult::ReservedWord;
        }
        AppendWord(out, w1);
        AppendWord(out, w2);
    }
    PutWord(out, kCheckWordOffset, UpdateFileChecksum(out) ^ firstKey);
    return ScrambleResult::Ok;
}

}  // namespace kvr
