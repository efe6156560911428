// Update files: checksums, the scrambler, both kinds' records, and the file's name.
#include "update/update_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/update_file_dialogs.h"
#include "app/update_file_name.h"
#include "fake_host.h"
#include "file_builders.h"
#include "test_program.h"
#include "update/update_scramble.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// A program whose start directory is a fresh temporary folder, which is also
// the current directory while the test runs.
class UpdateFileTest : public ::testing::Test,
                       public testing::TempDir,
                       public testing::FakeProgram {
  protected:
    void SetUp() override { p.app.startDirectory = dir_; }

    std::string Put(const std::string& name, const Bytes& bytes) {
        const fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string Put(const std::string& name, std::string_view text) {
        return Put(name, ToBytes(text));
    }
    Bytes Get(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Bytes Scramble(std::string_view text, std::uint32_t seed = 0x1234) {
        Bytes out;
        std::string error;
        EXPECT_EQ(ScrambleUpdateText(text, seed, out, error), ScrambleResult::Ok) << error;
        return out;
    }
    // Reads every record of path as the given kind.
    std::vector<std::string> ReadAll(const std::string& path, UpdateFileKind kind) {
        p.update.path = path;
        p.update.kind = kind;
        EXPECT_TRUE(OpenUpdateInput(p));
        if (kind == UpdateFileKind::Scrambled) {
            EXPECT_TRUE(OpenUpdateScratch(p, p.app.startDirectory));
            std::fseek(p.update.input.get(), static_cast<long>(kScrambledHeaderSize), SEEK_SET);
        }
        std::vector<std::string> lines;
        while (ReadUpdateRecord(p) == 0 && lines.size() < 1000) lines.push_back(p.update.line);
        CloseUpdateFiles(p);
        return lines;
    }

    Program& p = program;
    fs::path dir_ = path();
};

TEST(UpdateChecksumTest, NibbleSums) {
    EXPECT_EQ(NibbleSum(0x2000A003), 15u);  // nibbles 3,0,0,0,10,0,0,2 from bit 0 on
    EXPECT_EQ(NibbleSum(0xFFFFFFFF), 120u);
    EXPECT_EQ(NibbleSum(0x00000000), 0u);
    EXPECT_EQ(NibbleSum(0x12345678), 36u);
    EXPECT_EQ(NibbleSum(0xF0000000), 15u);
}

TEST(UpdateChecksumTest, WordsCountedAndSkipped) {
    Bytes file(96, 0);
    const std::uint32_t empty = UpdateFileChecksum(file);
    EXPECT_EQ(empty, 0u);
    auto with = [&](std::size_t offset, std::uint32_t word) {
        Bytes f = file;
        for (int i = 0; i < 4; ++i) f[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
        return UpdateFileChecksum(f);
    };
    EXPECT_EQ(with(8, 0xFFFFFFFF), 120u);  // among the first 19 words
    EXPECT_EQ(with(72, 0x2000A003), 15u);  // the 19th word
    EXPECT_EQ(with(76, 0x11111111), 0u);   // the three words before the seed are left out
    EXPECT_EQ(with(80, 0x11111111), 0u);
    EXPECT_EQ(with(84, 0x11111111), 0u);
    EXPECT_EQ(with(88, 0x2000A003), 15u);
    // An all-ones word after the header's first part ends the sum.
    Bytes f(100, 0);
    for (int i = 0; i < 4; ++i) f[88 + i] = 0xFF;
    f[92] = 0x0F;
    EXPECT_EQ(UpdateFileChecksum(f), 0u);
    // Missing words among the first 19 count as all ones.
    EXPECT_EQ(UpdateFileChecksum(Bytes(8, 0)), 17u * 120u);
    // A trailing part-word is dropped.
    Bytes g(94, 0);
    g[93] = 0xFF;
    EXPECT_EQ(UpdateFileChecksum(g), 0u);
}

TEST(UpdateChecksumTest, ScramblerRefusesBadInput) {
    // What the scrambler says; it gives bytes only where it takes the text.
    const auto scramble = [](std::string_view text, std::uint32_t seed) {
        Bytes out;
        std::string error;
        const ScrambleResult result = ScrambleUpdateText(text, seed, out, error);
        EXPECT_EQ(out.empty(), result != ScrambleResult::Ok) << text;
        return result;
    };
    EXPECT_EQ(scramble("0123:00AB\n", 7), ScrambleResult::Ok);
    EXPECT_EQ(scramble("0123:00AB\r\n0124:00CD", 7), ScrambleResult::Ok);
    EXPECT_EQ(scramble("0123:00ab\n", 7), ScrambleResult::BadLine);
    EXPECT_EQ(scramble("0123-00AB\n", 7), ScrambleResult::BadLine);
    EXPECT_EQ(scramble("0123:00A\n", 7), ScrambleResult::BadLine);
    EXPECT_EQ(scramble("0123:00AB\n\n0124:00CD\n", 7), ScrambleResult::BadLine);
    EXPECT_EQ(scramble("0123:00AB\n", 0xFFFFFFFF), ScrambleResult::ReservedWord);
}

TEST(UpdateChecksumTest, ScrambledLayout) {
    Bytes out;
    std::string error;
    ASSERT_EQ(ScrambleUpdateText("0123:00AB\n0040:00FF\n", 0xCAFE, out, error), ScrambleResult::Ok);
    ASSERT_EQ(out.size(), kScrambledHeaderSize + 16);
    EXPECT_NE(out[4], ':');
    EXPECT_EQ(WordAt(out, kSeedWordOffset), 0xCAFEu);
    const std::uint32_t key = InitialRecordKey(0xCAFE);
    EXPECT_EQ(key, (0xCAFEu + 0x5A3C96E1u) ^ 0x2F6B1D84u);
    EXPECT_EQ(WordAt(out, kCheckWordOffset) ^ key, UpdateFileChecksum(out));
    // The first record: "0123" and "00AB" under the first two keys.
    EXPECT_EQ(WordAt(out, 160) ^ key, 0x33323130u);
    EXPECT_EQ(WordAt(out, 164) ^ (key + KeyStep), 0x42413030u);
    EXPECT_EQ(WordAt(out, 168) ^ (key + 2 * KeyStep), 0x30343030u);
}

TEST_F(UpdateFileTest, ScrambledFilePassesAndDecodes) {
    const std::string text = "0123:00AB\n0040:00FF\n003F:0012\n";
    const std::string path = Put("K6023_6024.upd", Scramble(text));
    p.update.path = path;
    ASSERT_EQ(CheckUpdateHeader(p), Outcome::Done);
    EXPECT_TRUE(host.boxes.empty());
    const std::vector<std::string> expected = {"0123:00AB\n", "0040:00FF\n", "003F:0012\n"};
    EXPECT_EQ(ReadAll(path, UpdateFileKind::Scrambled), expected);
    // The key runs on: a second reading needs a fresh header check.
    EXPECT_NE(ReadAll(path, UpdateFileKind::Scrambled), expected);
    ASSERT_EQ(CheckUpdateHeader(p), Outcome::Done);
    EXPECT_EQ(ReadAll(path, UpdateFileKind::Scrambled), expected);
}

TEST_F(UpdateFileTest, FlippedBitFailsTheHeader) {
    const Bytes good = Scramble("0123:00AB\n0040:00FF\n");
    // Bits in the summed header words, the check word, the seed and records.
    const std::size_t offsets[] = {0, 5, 72, 80, 83, 88, 90, 100, 160, 163, 170, 175};
    for (std::size_t offset : offsets) {
        Bytes bad = good;
        bad[offset] ^= 0x04;
        p.update.path = Put("K1.upd", bad);
        host.boxes.clear();
        EXPECT_EQ(CheckUpdateHeader(p), Outcome::Refused) << offset;
        EXPECT_EQ(host.boxes, testing::OneBox("wrong file!", "ERROR:")) << offset;
    }
    // The words at 76 and 84 are not covered.
    for (std::size_t offset : {76u, 87u}) {
        Bytes other = good;
        other[offset] ^= 0x04;
        p.update.path = Put("K1.upd", other);
        EXPECT_EQ(CheckUpdateHeader(p), Outcome::Done) << offset;
    }
}

TEST_F(UpdateFileTest, HeaderOfMissingFile) {
    p.update.path = (dir_ / "missing.UPD").string();
    EXPECT_EQ(CheckUpdateHeader(p), Outcome::Refused);
    EXPECT_EQ(host.boxes, testing::OneBox("Cannot open input file", "ERROR!"));
}

TEST_F(UpdateFileTest, HeaderLowersTheExtension) {
    const Bytes file = Scramble("0123:00AB\n");
    // Where both names lead to the file (a case-blind file system), the path
    // ends in lower case.
    Put("dir.X/K1.UpD", file);
    Put("dir.X/K1.upd", file);
    p.update.path = (dir_ / "dir.X/K1.UpD").string();
    EXPECT_EQ(CheckUpdateHeader(p), Outcome::Done);
    EXPECT_EQ(p.update.path, (dir_ / "dir.X/K1.upd").string());
    // Only the upper-case name exists: it is kept, so the file still opens.
    // A case-blind file system (Windows) finds it under the lower-case name.
    p.update.path = Put("K2.UPD", file);
    const bool caseBlind = std::filesystem::exists(dir_ / "K2.upd");
    EXPECT_EQ(CheckUpdateHeader(p), Outcome::Done);
    EXPECT_EQ(p.update.path, (dir_ / (caseBlind ? "K2.upd" : "K2.UPD")).string());
}

TEST_F(UpdateFileTest, ScrambledEndsAndCuts) {
    // Records built by hand: the second has an all-ones second word.
    const std::uint32_t seed = 99;
    const std::uint32_t key = InitialRecordKey(seed);
    Bytes file(kScrambledHeaderSize, 0);
    auto putWord = [&](std::uint32_t w) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    };
    for (int i = 0; i < 4; ++i) file[88 + i] = static_cast<std::uint8_t>(seed >> (8 * i));
    // "0\n23" decodes with a LF at position 1: the line is cut after it.
    putWord(0x33320A30u ^ key);
    putWord(0x42413030u ^ (key + KeyStep));
    // "01\03:00AB" keeps its NUL, as the same bytes in a text file do.
    putWord(0x33003130u ^ (key + 2 * KeyStep));
    putWord(0x42413030u ^ (key + 3 * KeyStep));  // "00AB"
    putWord(0x12345678u);
    putWord(0xFFFFFFFFu);
    putWord(0x33323130u ^ (key + 6 * KeyStep));
    putWord(0x42413030u ^ (key + 7 * KeyStep));
    const std::string path = Put("K.upd", file);
    p.update.path = path;
    (void)CheckUpdateHeader(p);  // seeds the key; the checksum does not matter here
    const std::string withNul(
        "01\0"
        "3:00AB\n",
        10);
    const std::vector<std::string> expected = {"0\n", withNul};
    const std::vector<std::string> lines = ReadAll(path, UpdateFileKind::Scrambled);
    EXPECT_EQ(lines, expected);
    // The positions the transfer looks at are those of the text line.
    const std::vector<std::string> text =
        ReadAll(Put("N.upd", withNul + "0040:00FF\n"), UpdateFileKind::Text);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(lines[1].substr(0, 9), text[0].substr(0, 9));
}

TEST_F(UpdateFileTest, TextRecords) {
    struct Case {
        std::string_view content;
        std::vector<std::string> lines;
    };
    const std::string longLine(200, '7');
    const Case cases[] = {
        {"0123:00AB\r\n0040:00FF\n", {"0123:00AB", "0040:00FF"}},
        {"0123:00AB", {"0123:00AB"}},
        {"0123:00AB\n\n0040:00FF\n", {"0123:00AB", "", "0040:00FF"}},
        {"0123:00AB\r0040:00FF\r\n", {"0123:00AB", "0040:00FF"}},
        {"\r0040:00FF\n", {"", "0040:00FF"}},
        {"0123:00AB\n\xFF"
         "0040:00FF\n",
         {"0123:00AB"}},
        {std::string_view("0123:00AB\n\0"
                          "0040:00FF\n",
                          21),
         {"0123:00AB"}},
        // A 0xFF byte ends the record; reading goes on behind it.
        {"01\xFF"
         "3:00AB\n0040:00FF\n",
         {"01", "3:00AB", "0040:00FF"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadAll(Put("T.upd", c.content), UpdateFileKind::Text), c.lines)
            << ::testing::PrintToString(std::string(c.content));
    }
    // A line longer than its room keeps its first 79 characters and does not
    // disturb the next one.
    const std::vector<std::string> lines =
        ReadAll(Put("L.upd", longLine + "\n0040:00FF\n"), UpdateFileKind::Text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(79, '7'));
    EXPECT_EQ(lines[1], "0040:00FF");
}

TEST_F(UpdateFileTest, KindByByteFour) {
    const auto kind = [&](const Bytes& content) {
        p.update.path = Put("K.upd", content);
        return DetermineUpdateFileKind(p);
    };
    Bytes colonHeader = Scramble("0123:00AB\n");
    colonHeader[4] = ':';
    EXPECT_EQ(kind(ToBytes("0123:00AB\n")), UpdateFileKind::Text);
    EXPECT_EQ(kind(Scramble("0123:00AB\n")), UpdateFileKind::Scrambled);
    EXPECT_EQ(kind(colonHeader), UpdateFileKind::Text);
    EXPECT_EQ(kind(ToBytes("0123-00AB\n")), UpdateFileKind::Scrambled);
    EXPECT_EQ(kind(ToBytes("")), UpdateFileKind::Text);
    EXPECT_EQ(kind(ToBytes("01234")), UpdateFileKind::Text);
    // No file, or a folder: no kind.
    fs::create_directories(dir_ / "folder.upd");
    for (const char* name : {"none.upd", "folder.upd"}) {
        p.update.path = (dir_ / name).string();
        EXPECT_EQ(DetermineUpdateFileKind(p), std::nullopt) << name;
    }
}

// A folder holds no update; a pipe would hang the update.
TEST_F(UpdateFileTest, OnlyRegularFilesAreRead) {
    for (const std::string what : {"<folder>", "<pipe>"}) {
        p.update.path = (dir_ / (what == "<pipe>" ? "P6023_6024.upd" : "F6023_6024.upd")).string();
        if (!testing::MakeAt(p.update.path, what) || !testing::MakeAt("temp.tmp", what)) continue;
        EXPECT_FALSE(OpenUpdateInput(p));
        EXPECT_FALSE(OpenUpdateScratch(p, p.app.startDirectory));
        host.boxes.clear();
        EXPECT_EQ(CheckUpdateHeader(p), Outcome::Refused);
        EXPECT_EQ(host.boxes, testing::OneBox("Cannot open input file", "ERROR!"));
        fs::remove("temp.tmp");
    }
}

TEST_F(UpdateFileTest, ChooseUpdateFile) {
    p.update.path = "old";
    EXPECT_FALSE(ChooseUpdateFile(p));
    EXPECT_EQ(p.update.path, "old");
    ASSERT_EQ(host.fileRequests.size(), 1u);
    EXPECT_EQ(host.fileRequests[0].filterDescription, "*.upd");
    EXPECT_EQ(host.fileRequests[0].filterPattern, "*.upd");
    EXPECT_EQ(host.fileRequests[0].title, "Open a File");
    host.chosenFiles.push_back("/a/b/K6023_6024.upd");
    EXPECT_TRUE(ChooseUpdateFile(p));
    EXPECT_EQ(p.update.path, "/a/b/K6023_6024.upd");
}

TEST_F(UpdateFileTest, FileNameCases) {
    struct Case {
        std::string name;    // created under the temporary folder
        std::string chosen;  // the path tried (relative to the folder); empty: name
        bool usable;
        std::string cutPath;  // relative to the folder
        std::string baseName;
        std::string error;
    };
    const std::string dir = dir_.string() + "/";
    // Pads the path so that ".upd" starts at the given position.
    auto padded = [&](std::size_t position) {
        return "d/" + std::string(position - dir.size() - 2, 'x') + ".upd";
    };
    const std::string at250 = padded(250);
    const std::string at251 = padded(251);
    const std::string longName = "K" + std::string(150, 'n') + ".upd";
    const Case cases[] = {
        {"K6023_6024.upd", "", true, "K6023_6024.upd", "K6023_6024.upd", ""},
        {"Up/K6023_6024.UPD", "", true, "Up/K6023_6024.UPD", "K6023_6024.UPD", ""},
        {"sub\\K6023.uPd", "", true, "sub\\K6023.uPd", "K6023.uPd", ""},
        {"a.upd.bak", "", true, "a.upd", "a.upd", ""},
        {"K6023.txt", "", false, "K6023.txt", "", "Open Error!"},
        {at250, "", true, at250, at250.substr(2, kUpdateBaseNameSize - 1), ""},
        {at251, "", false, at251, "", "Open Error!"},
        {longName, "", true, longName, longName.substr(0, kUpdateBaseNameSize - 1), ""},
        {"K.upd", "missing.upd", false, "missing.upd", "", ""},
        {"dir.upd/K.bin", "dir.upd", false, "dir.upd", "", ""},
    };
    Put("blsetup.cfg", "COM2");
    for (const Case& c : cases) {
        Put(c.name, "0123:00AB\n");
        p.update.path = dir + (c.chosen.empty() ? c.name : c.chosen);
        p.update.baseName.clear();
        p.link.lastErrorText.clear();
        EXPECT_EQ(CheckUpdateFileName(p), c.usable) << c.name;
        EXPECT_EQ(p.update.path, dir + c.cutPath) << c.name;
        EXPECT_EQ(p.update.baseName, c.baseName) << c.name;
        EXPECT_EQ(p.link.lastErrorText, c.error) << c.name;
    }
    EXPECT_TRUE(host.boxes.empty());
    p.update.path.clear();
    EXPECT_FALSE(CheckUpdateFileName(p));
    // Position 0 is never tried.
    Put(".upd", "x");
    p.update.path = ".upd";
    EXPECT_FALSE(CheckUpdateFileName(p));
    EXPECT_EQ(p.link.lastErrorText, "Open Error!");
}

TEST_F(UpdateFileTest, NameWrittenIntoConfig) {
    Put("blsetup.cfg", "COM2");
    const std::string path = Put("K6023_6024.upd", "0123:00AB\n");
    p.update.path = path;
    // The file dialog may have left another current directory.
    fs::current_path(fs::temp_directory_path());
    ASSERT_TRUE(CheckUpdateFileName(p));
    EXPECT_EQ(fs::current_path(), dir_);
    Bytes expected = ToBytes("COM2");
    expected.resize(30, 0);
    expected.push_back('\r');
    expected.push_back('\n');
    expected.resize(64, 0);
    expected.insert(expected.end(), path.begin(), path.end());
    expected.push_back(0);
    expected.resize(expected.size() + 20, ' ');
    EXPECT_EQ(Get("blsetup.cfg"), expected);
}

TEST_F(UpdateFileTest, LongPathStaysOutOfMotorValues) {
    const Bytes motor = {'1', '4', 0, 0, '3', '.', '7', '5'};
    Put("blsetup.cfg", testing::ConfigFile("14", "3.75"));
    const std::string path = Put("d/" + std::string(190, 'y') + ".upd", "0123:00AB\n");
    ASSERT_GT(path.size(), 171u);
    p.update.path = path;
    ASSERT_TRUE(CheckUpdateFileName(p));
    const Bytes after = Get("blsetup.cfg");
    ASSERT_EQ(after.size(), 264u);
    EXPECT_EQ(Bytes(after.begin() + 256, after.end()), motor);
    // Not cut to fit, which could name another file: the field names none.
    EXPECT_EQ(after[64], 0);
    EXPECT_EQ(Bytes(after.begin() + 65, after.begin() + 85), Bytes(20, ' '));
    EXPECT_EQ(Bytes(after.begin() + 85, after.begin() + 256), Bytes(171, 0));
}

TEST_F(UpdateFileTest, ConfigMustExist) {
    p.update.path = Put("K6023_6024.upd", "0123:00AB\n");
    EXPECT_FALSE(CheckUpdateFileName(p));
    EXPECT_EQ(p.link.lastErrorText, "Open Error 'blsetup.cfg'!");
    EXPECT_FALSE(fs::exists(dir_ / "blsetup.cfg"));
}

// The path cannot be recorded: the update does not go on.
TEST_F(UpdateFileTest, ConfigMustBeWritable) {
    for (const std::string what : {"<pipe>", "COM2"}) {
        fs::remove(dir_ / "blsetup.cfg");
        p.update.path = Put("K6023_6024.upd", "0123:00AB\n");
        if (!testing::MakeAt(dir_ / "blsetup.cfg", what)) continue;
        testing::FullDisk full(what == "COM2");
        if (!full.Works()) continue;
        EXPECT_FALSE(CheckUpdateFileName(p));
        EXPECT_EQ(p.link.lastErrorText,
                  what == "COM2" ? "Write Error 'blsetup.cfg'!" : "Open Error 'blsetup.cfg'!");
    }
}

}  // namespace
}  // namespace kvr
