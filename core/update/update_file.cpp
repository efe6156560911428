// Update files: the scrambled kind's header test, and records of either kind.
#include "update/update_file.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "files/open_file.h"
#include "update/update_scramble.h"

namespace kvr {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kKindByte = 4;
constexpr std::size_t kRecordBytes = 10;
constexpr char kScratchName[] = "temp.tmp";

fs::path InFolder(const fs::path& folder, const char* name) {
    return folder.empty() ? fs::path(name) : folder / name;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    UpdateFilePtr file = OpenUpdateFileForReading(path);
    if (!file) return false;
    bytes.clear();
    std::uint8_t chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return true;
}

// One character as a text-mode stream delivers it: CR LF reads as LF.
int GetTextChar(std::FILE* file) {
    const int c = std::getc(file);
    if (c != '\r') return c;
    const int next = std::getc(file);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, file);
    return c;
}

bool EndsTextFile(int c) {
    return c == EOF || c == 0xFF;
}

void StoreLineChar(std::string& line, int c) {
    // Characters beyond the line's room are dropped; only the first nine
    // are ever used.
    if (line.size() < kUpdateLineSize - 1) line.push_back(static_cast<char>(c));
}

int ReadTextRecord(UpdateSession& s) {
    std::FILE* file = s.input.get();
    int c = GetTextChar(file);
    if (EndsTextFile(c) || c == 0) return -1;
    if (c == '\r') return 0;
    while (!EndsTextFile(c) && c != '\n' && c != '\r') {
        StoreLineChar(s.line, c);
        c = GetTextChar(file);
    }
    return 0;
}

int ReadScrambledRecord(UpdateSession& s) {
    std::uint8_t words[8];
    if (std::fread(words, 1, sizeof words, s.input.get()) != sizeof words) return -1;
    const std::uint32_t w1 = WordAt(words, 0);
    const std::uint32_t w2 = WordAt(words, 4);
    if (w2 == kEndWord) return -1;
    const std::uint32_t p1 = w1 ^ s.recordKey;
    const std::uint32_t p2 = w2 ^ (s.recordKey + KeyStep);
    s.recordKey += 2 * KeyStep;

    std::uint8_t record[kRecordBytes];
    for (std::size_t i = 0; i < 4; ++i) {
        record[i] = static_cast<std::uint8_t>(p1 >> (8 * i));
        record[5 + i] = static_cast<std::uint8_t>(p2 >> (8 * i));
    }
    record[4] = ':';
    record[9] = '\n';
    // The record passes through the scratch file so that a decoded LF or NUL
    // cuts it exactly as it cuts a text line.
    std::FILE* scratch = s.scratch.get();
    if (scratch == nullptr || std::fseek(scratch, 0, SEEK_SET) != 0) return -1;
    std::fwrite(record, 1, sizeof record, scratch);
    if (std::fseek(scratch, 0, SEEK_SET) != 0) return 0;  // an empty record, rejected later
    // One line as a text line is read from that file: up to and including
    // the LF, at most 79 characters. A NUL is a character like any other, as
    // in a text update file: the transfer then refuses it by its position.
    int c = 0;
    while (s.line.size() < kUpdateLineSize - 1 && (c = GetTextChar(scratch)) != EOF) {
        s.line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return 0;
}

}  // namespace

UpdateFilePtr OpenUpdateFileForReading(const std::string& path) {
    // A folder never holds an update; a pipe or a device would hang the
    // reader or never end.
    return UpdateFilePtr(OpenRegularFile(PathFromUtf8(path), "rb"));
}

UpdateHeader TestUpdateHeader(CoreContext& p) {
    UpdateSession& s = p.update;
    if (s.path.size() >= 3) {
        std::string lowered = s.path;
        lowered.replace(lowered.size() - 3, 3, "upd");
        // On a file system that tells the cases apart the lower-case name may
        // not exist; then the name as chosen is kept so the file still opens.
        std::error_code ec;
        if (fs::exists(PathFromUtf8(lowered), ec) || !fs::exists(PathFromUtf8(s.path), ec))
            s.path = std::move(lowered);
    }
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(s.path, file)) {
        CloseUpdateFiles(p);
        return UpdateHeader::CannotOpen;
    }
    const std::span<const std::uint8_t> bytes(file);
    const std::uint32_t seed =
        kSeedWordOffset + 4 <= file.size() ? WordAt(bytes, kSeedWordOffset) : kEndWord;
    s.recordKey = InitialRecordKey(seed);
    const std::uint32_t check =
        kCheckWordOffset + 4 <= file.size() ? WordAt(bytes, kCheckWordOffset) : kEndWord;
    s.expectedSum = check ^ s.recordKey;
    return UpdateFileChecksum(bytes) == s.expectedSum ? UpdateHeader::Sound
                                                      : UpdateHeader::WrongSum;
}

int ReadUpdateRecord(CoreContext& p) {
    UpdateSession& s = p.update;
    s.line.clear();
    if (!s.input) return -1;
    return s.kind == UpdateFileKind::Text ? ReadTextRecord(s) : ReadScrambledRecord(s);
}

std::optional<UpdateFileKind> DetermineUpdateFileKind(CoreContext& p) {
    UpdateFilePtr file = OpenUpdateFileForReading(p.update.path);
    if (!file) return std::nullopt;
    std::uint8_t words[8];
    const std::size_t got = std::fread(words, 1, sizeof words, file.get());
    return got < sizeof words || words[kKindByte] == ':' ? UpdateFileKind::Text
                                                         : UpdateFileKind::Scrambled;
}

bool OpenUpdateInput(CoreContext& p) {
    p.update.input = OpenUpdateFileForReading(p.update.path);
    return p.update.input != nullptr;
}

bool OpenUpdateScratch(CoreContext& p, const fs::path& folder) {
    // Reading back through a pipe or a device would hang or deliver another
    // record: only a regular file or none of that name is used.
    const fs::path scratch = InFolder(folder, kScratchName);
    const FileCheck check = CheckRegularFile(scratch);
    if (check != FileCheck::Regular && check != FileCheck::Missing) return false;
    p.update.scratch.reset(OpenFile(scratch, "w+b"));
    return p.update.scratch != nullptr;
}

bool RemoveUpdateScratch(const fs::path& folder) {
    std::error_code ec;
    return fs::remove(InFolder(folder, kScratchName), ec);
}

void CloseUpdateFiles(CoreContext& p) {
    p.update.input.reset();
    p.update.scratch.reset();
}

}  // namespace kvr
