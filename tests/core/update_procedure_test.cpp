// The firmware update against the simulated boot loader: both kinds, each ending and its box.
#include "app/update_procedure.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "file_builders.h"
#include "res/ids.h"
#include "sim_program.h"
#include "update/update_scramble.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using Record = testing::UpdateRecord;
using testing::UpdateText;

// The boxes after the update's one question.
std::vector<testing::ShownBox> Question(const std::string& text) {
    return {{text, "Warning!", nullptr, MessageButtons::OkCancel}};
}

std::vector<int> Addresses(const std::vector<sim::WireEvent>& events) {
    std::vector<int> out;
    for (const sim::WireEvent& e : events) out.push_back(e.address);
    return out;
}

std::string LinkName(const ::testing::TestParamInfo<sim::LinkKind>& info) {
    return info.param == sim::LinkKind::Uart ? "Uart" : "BitSerial";
}

class UpdateProcedureTest : public ::testing::TestWithParam<sim::LinkKind>,
                            public testing::SimProgram {
  protected:
    UpdateProcedureTest()
        : SimProgram(testing::SimOptions().On(GetParam()).BareWindow().InFolder("COM2")) {}

    std::string Put(const std::string& name, std::string_view text) {
        std::ofstream out(dir->path() / name, std::ios::binary);
        out << text;
        return (dir->path() / name).string();
    }
    std::string Scrambled(const std::string& text) {
        Bytes out;
        std::string error;
        EXPECT_EQ(ScrambleUpdateText(text, 0x600D, out, error), ScrambleResult::Ok) << error;
        return std::string(out.begin(), out.end());
    }
    // Chooses the file and runs the command.
    void Update(const std::string& name, std::string_view content) {
        host.chosenFiles.push_back(Put(name, content));
        RunFirmwareUpdate(p, w);
    }
    void SetVersion(int word) {
        ctl().memory[32] = static_cast<std::uint8_t>(word >> 8);
        ctl().memory[33] = static_cast<std::uint8_t>(word & 0xFF);
    }
    Bytes Flash(const std::vector<Record>& records) const {
        return testing::FlashImage(records, sim::Controller::kPages * sim::Controller::kPageSize);
    }
    // The command ended as "finish" says: blank, disabled status line.
    void ExpectFinished() {
        EXPECT_EQ(w.controls[id::kStatusLine].text, " ");
        EXPECT_FALSE(w.controls[id::kStatusLine].enabled);
        EXPECT_FALSE(p.update.input);
        EXPECT_FALSE(p.update.scratch);
        EXPECT_FALSE(p.update.transferRunning);
    }
};

const std::vector<Record> kOnePage = {{0x0000, 0x0C}, {0x0001, 0x94}, {0x003F, 0xAB}};
const std::vector<Record> kPages010 = {
    {0x0000, 0x11}, {0x0001, 0x22}, {0x0040, 0x33}, {0x007F, 0x44}, {0x0002, 0x55}};

TEST_P(UpdateProcedureTest, OnePageBothKinds) {
    for (bool scrambled : {false, true}) {
        SCOPED_TRACE(scrambled ? "scrambled" : "text");
        ctl().trace.clear();
        ctl().memory[13] = 0xFE;  // RC set-up locked
        host.boxes.clear();
        const std::string text = UpdateText(kOnePage);
        Update("K6123_6124.upd", scrambled ? Scrambled(text) : text);

        EXPECT_EQ(host.boxes, Question("Update starten?"));
        EXPECT_EQ(p.update.kind, scrambled ? UpdateFileKind::Scrambled : UpdateFileKind::Text);
        EXPECT_EQ(Addresses(ctl().TraceOf('W')), std::vector<int>{0});
        EXPECT_EQ(ctl().TraceOf('Y').size(), kOnePage.size());
        EXPECT_EQ(Addresses(ctl().TraceOf('X')), std::vector<int>{0});
        EXPECT_EQ(ctl().flash, Flash(kOnePage));
        // The RC set-up is freed and settings must be read anew.
        EXPECT_EQ(ctl().memory[13], 0xFF);
        EXPECT_EQ(p.settings.versionWord, kVersionRefused);
        EXPECT_EQ(w.controls[id::kStatusLine].text, "OK");
        EXPECT_FALSE(w.controls[id::kStatusLine].enabled);
        EXPECT_FALSE(fs::exists(dir->path() / "temp.tmp"));
        EXPECT_FALSE(p.update.transferRunning);
    }
    EXPECT_EQ(host.beeps, 2);
    // Seen on the way: the file's name, the restart and the start of sending.
    const std::vector<std::string>& h = w.statusHistory;
    for (const char* text : {"K6123_6124.upd", "connecting....", "connected", "Update laeuft"}) {
        EXPECT_NE(std::find(h.begin(), h.end(), text), h.end()) << text;
    }
    // A short transfer shows no percentage: "Update laeuft" stays until "OK".
    for (const std::string& text : h) EXPECT_EQ(text.find('%'), std::string::npos) << text;
}

TEST_P(UpdateProcedureTest, PagesZeroOneZero) {
    Update("K6123_6124.upd", UpdateText(kPages010));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(Addresses(ctl().TraceOf('W')), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(Addresses(ctl().TraceOf('X')), (std::vector<int>{0, 1, 0}));
    // Selecting page 0 again starts it afresh: only its last visit remains.
    Bytes expected = Flash({{0x0040, 0x33}, {0x007F, 0x44}, {0x0002, 0x55}});
    EXPECT_EQ(ctl().flash, expected);
}

TEST_P(UpdateProcedureTest, ScrambledFileAsSentImage) {
    const auto records = testing::UpdateRecords(
        64, [](int a) { return a * 7; }, 3);
    Update("K6000_6123.upd", Scrambled(UpdateText(records)));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(Addresses(ctl().TraceOf('X')), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ctl().flash, Flash(records));
}

INSTANTIATE_TEST_SUITE_P(Links, UpdateProcedureTest,
                         ::testing::Values(sim::LinkKind::Uart, sim::LinkKind::BitSerial),
                         LinkName);

class UpdateFailureTest : public UpdateProcedureTest {};

TEST_P(UpdateFailureTest, EndingsTable) {
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> boxes;
        std::vector<int> committed = {};  // pages confirmed by the controller
        std::string name = "K6123_6124.upd";
    };
    const std::string one = UpdateText({{0x0000, 0x01}});
    const std::string start = "Update starten?";
    const Case cases[] = {
        {"empty file", "", {start, "file error 4!"}},
        {"header only", Scrambled(""), {start, "file error 4!"}},
        {"not in the name", one, {"Datei nicht kompatibel!"}, {}, "K6000_6001.upd"},
        {"second field", one, {start}, {0}, "K6000_6123.upd"},
        {"no digit in field", one, {"Datei nicht kompatibel!"}, {}, "KXYZW_6124.upd"},
        {"page 256", UpdateText({{0x4000, 0x01}}), {start, "Read/write error - code1!"}},
        {"page 0 then 256",
         UpdateText({{0x0000, 0x01}, {0x4001, 0x02}}),
         {start, "Read/write error - code1!"},
         {0}},
        {"lower case", "0000:0001\n0123:00ab\n", {start, "file error 6!"}},
        {"value-less digits", "@@@@:0001\n", {start, "file error 6!"}},
        {"no colon", "0000:0001\n0123-00AB\n", {start, "file error 5!"}},
        {"empty line", "0000:0001\n\n", {start, "file error 5!"}},
        {"corrupt header", Scrambled(one).replace(165, 1, "\x01"), {"wrong file!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.boxes.clear();
        ctl().trace.clear();
        SetVersion(0x6123);
        Update(c.name, c.content);
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_EQ(Addresses(ctl().TraceOf('X')), c.committed);
        EXPECT_FALSE(p.update.transferRunning);
        if (c.boxes.size() > 1) {
            // Nothing for a page above 255 ever reaches the controller.
            for (const sim::WireEvent& e : ctl().TraceOf('W')) EXPECT_LE(e.address, 255);
        }
    }
}

TEST_P(UpdateFailureTest, CaptionsOwnersAndStatus) {
    // A bad character: the box belongs to the main window.
    Update("K6123_6124.upd", "0123:00ab\n");
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].caption, "Error");
    EXPECT_EQ(host.boxes[1].owner, &w);
    EXPECT_EQ(p.link.lastErrorText, "file error 6!");
    EXPECT_FALSE(w.controls[id::kStatusLine].enabled);
    EXPECT_FALSE(p.update.input);

    host.boxes.clear();
    Update("K6000_6001.upd", "0123:00AB\n");
    EXPECT_EQ(host.boxes, testing::OneBox("Datei nicht kompatibel!", ""));
    ExpectFinished();

    host.boxes.clear();
    Update("K6123_6124.upd", Scrambled("0123:00AB\n").replace(161, 1, "\x40"));
    EXPECT_EQ(host.boxes, testing::OneBox("wrong file!", "ERROR:"));
    ExpectFinished();
}

TEST_P(UpdateFailureTest, NameCutAtAFolder) {
    // The name is cut after the folder's ".upd": what is left is a folder,
    // which does not open as the update file.
    fs::create_directories(dir->path() / "K6123_6124.upd");
    SetVersion(0x6123);
    Update("K6123_6124.upd/K.bin", "0000:0001\n");
    EXPECT_EQ(p.update.baseName, "K6123_6124.upd");
    EXPECT_EQ(host.boxes, testing::OneBox("file error 1!", ""));
    EXPECT_TRUE(ctl().TraceOf('W').empty());
    EXPECT_TRUE(ctl().TraceOf('Y').empty());
    ExpectFinished();
}

TEST_P(UpdateFailureTest, WrongFamily) {
    SetVersion(0x5123);
    Update("K5123_5124.upd", "0000:0001\n");
    EXPECT_EQ(host.boxes,
              testing::OneBox("PC-Program not suitable,\nPlease download the compatible software !",
                              "ERROR!"));
    EXPECT_EQ(p.settings.versionWord, kVersionRefused);
    EXPECT_EQ(w.controls[id::kStatusLine].text, "connected");
    EXPECT_TRUE(ctl().TraceOf('W').empty());
}

TEST_P(UpdateFailureTest, WithoutSetupTheFileDecidesTheKind) {
    SetVersion(0xFFFF);
    const std::vector<Record> records = {{0x0005, 0x5A}, {0x0041, 0xA5}};
    // An earlier text update must not make the scrambled file go as text.
    p.update.kind = UpdateFileKind::Text;
    Update("K0000_0000.upd", Scrambled(UpdateText(records)));
    EXPECT_EQ(host.boxes, Question("Kompatibilität nicht überprüfbar, da kein RC-Setup gemacht "
                                   "wurde.\nEs wird dringend empfohlen ein Setup zu machen.\n"
                                   "Update trotzdem ohne Setup starten?"));
    EXPECT_EQ(p.update.kind, UpdateFileKind::Scrambled);
    EXPECT_EQ(ctl().flash, Flash(records));

    // And a scrambled file that fails its header is not sent at all.
    host.boxes.clear();
    ctl().trace.clear();
    SetVersion(0xFFFF);
    p.update.kind = UpdateFileKind::Text;
    Update("K0000_0000.upd", Scrambled(UpdateText(records)).replace(0, 1, "O"));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"wrong file!"});
    EXPECT_TRUE(ctl().TraceOf('Y').empty());

    // A text file takes the same way.
    host.boxes.clear();
    SetVersion(0xFFFF);
    p.update.kind = UpdateFileKind::Scrambled;
    Update("K0000_0000.upd", UpdateText({{0x0010, 0x77}}));
    EXPECT_EQ(p.update.kind, UpdateFileKind::Text);
    EXPECT_EQ(ctl().flash[0x10], 0x77);
}

TEST_P(UpdateFailureTest, LostCommitsAndARetry) {
    // The controller stops answering once the transfer has begun.
    w.onStatus = [&](const std::string& text) {
        if (text == "Update laeuft") ctl().profile.silent = true;
    };
    Update("K6123_6124.upd", UpdateText({{0x0040, 0x01}}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Update starten?", "Read/write error!"}));
    EXPECT_EQ(p.settings.versionWord, kVersionRefused);
    ExpectFinished();

    host.boxes.clear();
    ctl().profile.silent = false;
    Update("K6123_6124.upd", UpdateText({{0x0040, 0x01}, {0x0080, 0x02}}));
    // The UART shows the missing echo of the first page command at once;
    // the bit-serial link learns of it only from the commit's answer.
    const std::string uartOrCommit =
        GetParam() == sim::LinkKind::Uart ? "Read/write error!" : "Read/write error - code1!";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Update starten?", uartOrCommit}));
    ExpectFinished();

    // The controller was left mid-way; the next update still goes through.
    w.onStatus = nullptr;
    ctl().profile.silent = false;
    host.boxes.clear();
    const std::vector<Record> records = {{0x0040, 0x01}, {0x0080, 0x02}};
    Update("K6123_6124.upd", Scrambled(UpdateText(records)));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(ctl().flash, Flash(records));
    EXPECT_EQ(w.controls[id::kStatusLine].text, "OK");
}

TEST_P(UpdateFailureTest, ScratchFileStaysAfterAFailure) {
    Update("K6123_6124.upd", Scrambled("0000:0001\n"));
    EXPECT_FALSE(fs::exists(dir->path() / "temp.tmp"));
    // A decoded record with a lower-case digit, scrambled by hand.
    const std::string lower = Scrambled("0000:00AB\n");
    std::string tampered = lower;
    const std::uint32_t key = InitialRecordKey(0x600D);
    const std::uint32_t w2 = 0x62613030u ^ (key + KeyStep);  // "00ab"
    for (int i = 0; i < 4; ++i) tampered[164 + i] = static_cast<char>(w2 >> (8 * i));
    // Keep the checksum right so that only the record is wrong.
    Bytes bytes(tampered.begin(), tampered.end());
    const std::uint32_t check = UpdateFileChecksum(bytes) ^ key;
    for (int i = 0; i < 4; ++i) tampered[80 + i] = static_cast<char>(check >> (8 * i));
    host.boxes.clear();
    Update("K6123_6124.upd", tampered);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Update starten?", "file error 6!"}));
    EXPECT_TRUE(fs::exists(dir->path() / "temp.tmp"));
}

TEST_P(UpdateFailureTest, EarlyEndings) {
    // A parallel port cannot carry the update.
    p.link.state.medium = Medium::Parallel;
    Update("K6123_6124.upd", "0000:0001\n");
    EXPECT_EQ(host.boxes, testing::OneBox("  PORT ?", "ERROR!"));
    EXPECT_TRUE(host.fileRequests.empty());
    host.chosenFiles.clear();

    // The user cancels the file dialog.
    p.link.state.medium = Medium::Serial;
    host.boxes.clear();
    RunFirmwareUpdate(p, w);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.fileRequests.size(), 1u);

    // No blsetup.cfg: the box belongs to the main window.
    fs::remove(dir->path() / "blsetup.cfg");
    Update("K6123_6124.upd", "0000:0001\n");
    EXPECT_EQ(host.boxes, testing::OneBox("Open Error 'blsetup.cfg'!", "Error", &w));
    ExpectFinished();
    EXPECT_TRUE(ctl().trace.empty());

    // The user declines the question.
    Put("blsetup.cfg", "COM2");
    host.boxes.clear();
    host.answers.push_back(kIdCancel);
    Update("K6123_6124.upd", "0000:0001\n");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_TRUE(ctl().TraceOf('W').empty());
    ExpectFinished();
}

TEST_P(UpdateFailureTest, ProgressAndNoSecondUpdateMeanwhile) {
    const auto records = testing::UpdateRecords(1024, [](int a) { return a; });
    int nested = 0;
    host.onPump = [&] {
        ++nested;
        host.chosenFiles.push_back((dir->path() / "other.upd").string());
        RunFirmwareUpdate(p, w);  // the menu command chosen meanwhile
    };
    Update("K6123_6124.upd", UpdateText(records));
    EXPECT_GT(host.pumps, 0);
    EXPECT_EQ(nested, host.pumps);
    EXPECT_EQ(host.fileRequests.size(), 1u);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(ctl().flash, Flash(records));
    // Percentages appear once the first second has passed; the read-back
    // of the Portix2 wiring counts in words of its own, after the writing.
    std::vector<std::string> percents;
    for (const std::string& t : w.statusHistory) {
        if (!t.empty() && t.back() == '%') percents.push_back(t);
    }
    ASSERT_FALSE(percents.empty());
    EXPECT_NE(percents.front(), "0%");
    const auto written = std::find(percents.begin(), percents.end(), "100%");
    EXPECT_NE(written, percents.end());
    if (GetParam() == sim::LinkKind::BitSerial) {
        ASSERT_NE(written, percents.end());
        EXPECT_TRUE(std::all_of(written + 1, percents.end(), [](const std::string& t) {
            return t.rfind("verifying ", 0) == 0;
        }));
        EXPECT_EQ(percents.back(), "verifying 100%");
        EXPECT_EQ(w.statusHistory.back(), "OK");
    } else {
        EXPECT_EQ(percents.back(), "100%");
    }
}

INSTANTIATE_TEST_SUITE_P(Links, UpdateFailureTest,
                         ::testing::Values(sim::LinkKind::Uart, sim::LinkKind::BitSerial),
                         LinkName);

// A hex field's value, or none where ParseHexField refuses it.
std::optional<int> Hex(std::string_view text, std::size_t pos, std::size_t digits) {
    int value = -1;
    if (!ParseHexField(text, pos, digits, value)) return std::nullopt;
    return value;
}

TEST(UpdateHexFieldTest, Fields) {
    EXPECT_EQ(Hex("K6123_6124.upd", 1, 4), 0x6123);
    EXPECT_EQ(Hex("K6123_6124.upd", 6, 4), 0x6124);
    EXPECT_EQ(Hex("Kab12_x.upd", 1, 4), 0xAB12);
    EXPECT_EQ(Hex("K61_9.upd", 1, 4), 0x61);
    EXPECT_EQ(Hex("K_123", 1, 4), std::nullopt);
    EXPECT_EQ(Hex("K6", 6, 4), std::nullopt);
    EXPECT_EQ(Hex("0123:00AB", 7, 2), 0xAB);
    EXPECT_EQ(Hex("0123:00AB", 0, 4), 0x123);
    EXPECT_EQ(Hex("01:3:00AB", 0, 4), 0x01);
}

}  // namespace
}  // namespace kvr
