// blsetup.cfg: the port and the motor values loaded and saved, and files that cannot be used.
#include "app/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "file_builders.h"
#include "res/ids.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

const std::string kCfg = "blsetup.cfg";
// A port name of x bytes, 14 poles and 1:12.5.
const std::string kRpmFile = ConfigFile("14", "12.50", std::string(256, 'x'));

// SaveRpmSetup with the dialog's two fields, in a fresh folder that holds
// the blsetup.cfg given (none when empty), 14 poles and 1:12.5 loaded.
struct RpmSave {
    RpmSave(const std::string& poles, const std::string& ratio, Language lang = Language::English,
            const std::string& file = kRpmFile)
        : f(lang) {
        if (!file.empty()) WriteFileBytes(kCfg, file);
        f.program.app.startDirectory = dir.path();
        f.program.app.poleCount = 14;
        f.program.app.gearRatio = 12.5f;
        dialog.controls[id::kPoleCount].text = poles;
        dialog.controls[id::kGearRatio].text = ratio;
        outcome = SaveRpmSetup(f.program, dialog);
    }
    TempDir dir;
    FakeProgram f;
    FakeWindow dialog;
    Outcome outcome = Outcome::Failed;
};

struct PortCase {
    std::string name;
    std::string fileBefore;  // "<none>" for no file
    std::string fileAfter;
    Medium medium;
    int tickedItem;  // 0: none
    std::string device;
    PlatformFamily platform = PlatformFamily::Nt;
    bool driver = false;
    std::uint16_t lptBase = 0x378;
};

TEST(ConfigFile, LoadPortSettingNormalisesAndSelects) {
    const std::string tail = "\x01xyz" + std::string(300, 'q');
    using enum Medium;
    using enum PlatformFamily;
    const PortCase cases[] = {
        {"first start NT", "<none>", "COM2", Serial, 1156, "COM2"},
        {"first start 9x", "<none>", "0378", Parallel, 0, "", Win9x},
        {"first start driver", "<none>", "0378", Parallel, 0, "", Nt, true},
        {"parallel without driver", "0278" + tail, "COM2" + tail, Serial, 1156, "COM2"},
        {"parallel on 9x", "0278", "0278", Parallel, 0, "", Win9x, false, 0x278},
        {"03BC with driver", "03BC", "03BC", Parallel, 0, "", Nt, true, 0x3BC},
        {"COM9 kept", "COM9" + tail, "COM9" + tail, Parallel, 0, ""},
        {"COM5", "COM5", "COM5", Serial, 1159, "COM5"},
        {"empty file", "", "COM2", Serial, 1156, "COM2"},
        {"empty file on 9x", "", "", Parallel, 0, "", Win9x},
        {"short", "CO", "CO", Parallel, 0, ""},
        {"garbage", std::string("\xff\xfe\0\x07", 4) + tail, "COM2" + tail, Serial, 1156, "COM2"},
        {"lower case", "com1", "COM2", Serial, 1156, "COM2"},
    };
    for (const PortCase& c : cases) {
        TempDir dir;
        if (c.fileBefore != "<none>") WriteFileBytes(kCfg, c.fileBefore);
        FakeProgram f;
        f.host.platform = c.platform;
        f.portIo.driverPresent = c.driver;
        f.program.link.state.directPortIo = c.platform == PlatformFamily::Win9x;
        f.program.link.state.driverModule = c.driver;
        f.program.link.state.driverAvailable = c.platform != PlatformFamily::Win9x && c.driver;
        FakeWindow main;
        LoadPortSetting(f.program, main);
        EXPECT_EQ(ReadFileBytes(kCfg), c.fileAfter) << c.name;
        EXPECT_EQ(f.program.link.state.medium, c.medium) << c.name;
        EXPECT_EQ(f.program.link.state.lptBase, c.lptBase) << c.name;
        EXPECT_EQ(f.program.link.state.comDeviceName, c.device) << c.name;
        // The menu has no items for the parallel ports: only COM items can carry a mark.
        for (int item = 1155; item <= 1162; ++item) {
            EXPECT_EQ(main.menuChecks[item], item == c.tickedItem) << c.name << " item " << item;
        }
        EXPECT_TRUE(f.host.boxes.empty());
    }
}

// A blsetup.cfg that is no file is never read (a pipe would hang); a failed
// write is reported, and values the file did not take are not used.
TEST(ConfigFile, FilesThatCannotBeUsedAreReported) {
    const std::string normal = "COM1" + std::string(252, '\0') + std::string(" 2\0\0", 4) + "1.00";
    const std::string writeError =
        "write error 'blsetup.cfg' (disk full?): the values were not stored";
    using Run = void (*)(Program&, Window&);
    const Run start = [](Program& p, Window& w) { LoadPortSetting(p, w); };
    const Run save = [](Program& p, Window& w) { SaveRpmSetup(p, w); };
    const std::tuple<std::string, Run, std::string> cases[] = {
        {"<pipe>", start,
         "'blsetup.cfg' is not a file (a folder, a device or a pipe): the port choice and the "
         "motor values cannot be kept"},
        {"<pipe>", save, "open error 'blsetup.cfg'"},
        {normal, [](Program& p, Window&) { SavePortSetting(p); }, writeError},
        {normal, [](Program& p, Window&) { LoadRpmSetup(p); }, ""},  // nothing to change
        {"COM1", [](Program& p, Window&) { LoadRpmSetup(p); }, writeError},
        {normal, save, writeError},
    };
    for (const auto& [file, run, box] : cases) {
        TempDir dir;
        if (!MakeAt(kCfg, file)) continue;
        FakeProgram f;
        f.program.app.startDirectory = dir.path();
        f.program.app.poleCount = 2;
        f.program.app.gearRatio = 1.0f;
        f.program.app.portName = "COM4";
        FakeWindow w;
        w.controls[id::kPoleCount].text = "14";
        w.controls[id::kGearRatio].text = "10";
        {
            FullDisk full(file != "<pipe>");
            if (!full.Works()) continue;
            run(f.program, w);
        }
        EXPECT_EQ(f.host.BoxTexts(), box.empty() ? std::vector<std::string>{} : std::vector{box});
        EXPECT_TRUE(file == "<pipe>" || ReadFileBytes(kCfg) == file);
        EXPECT_EQ(f.program.app.poleCount, 2);
        EXPECT_EQ(w.controls[id::kPoleCount].text, run == save ? " 2" : "14");
    }
}

TEST(ConfigFile, LoadPortSettingReadsOnlyTheFirstFieldOfAHugeFile) {
    TempDir dir;
    std::string big = "COM4" + std::string(4 << 20, '\xAA');
    WriteFileBytes(kCfg, big);
    FakeProgram f;
    FakeWindow main;
    LoadPortSetting(f.program, main);
    EXPECT_EQ(f.program.link.state.comDeviceName, "COM4");
    EXPECT_EQ(ReadFileBytes(kCfg), big);
}

TEST(ConfigFile, LoadRpmSetupNormalisesTheMotorFields) {
    struct Case {
        std::string name;
        std::string fileBefore;
        int poles;
        float ratio;
        std::string fileAfter;
    };
    const std::string head = "COM2";
    const std::string gap(252, '\0');
    const std::string pad(256, 'x');
    const Case cases[] = {
        {"4-byte file", head, 2, 1.0f, head + gap + std::string(" 2\0\0", 4) + "1.00"},
        {"stored values", ConfigFile("14", "12.50", pad), 14, 12.5f,
         ConfigFile("14", "12.50", pad)},
        {"blank pole count", ConfigFile(" 6", "3.75", pad), 6, 3.75f,
         ConfigFile(" 6", "3.75", pad)},
        {"garbage", pad + "zz??abc", 2, 1.0f, ConfigFile(" 2", "1.00", pad)},
        {"zero ratio", ConfigFile("10", "0.00", pad), 10, 1.0f, ConfigFile("10", "1.00", pad)},
        {"no finite ratio", ConfigFile("10", "inf", pad), 10, 1.0f, ConfigFile("10", "1.00", pad)},
        {"negative poles", ConfigFile("-4", "2.00", pad), 2, 2.0f, ConfigFile(" 2", "2.00", pad)},
        // Too large for its own field: it would not read back; unreadable.
        {"long ratio text", ConfigFile("12", "123456789.5", pad), 12, 1.0f,
         ConfigFile("12", "1.00", pad)},
        {"largest ratio", ConfigFile("12", "99999.99", pad), 12, 99999.99f,
         ConfigFile("12", "99999.99", pad)},
        {"negative ratio", ConfigFile("12", "-2.50", pad), 12, 1.0f, ConfigFile("12", "1.00", pad)},
    };
    for (const Case& c : cases) {
        TempDir dir(kCfg, c.fileBefore);
        FakeProgram f;
        f.program.app.startDirectory = dir.path();
        EXPECT_EQ(LoadRpmSetup(f.program), Outcome::Done) << c.name;
        EXPECT_EQ(f.program.app.poleCount, c.poles) << c.name;
        EXPECT_FLOAT_EQ(f.program.app.gearRatio, c.ratio) << c.name;
        EXPECT_EQ(ReadFileBytes(kCfg), c.fileAfter) << c.name;
        EXPECT_TRUE(f.host.boxes.empty()) << c.name;
    }
}

TEST(ConfigFile, LoadRpmSetupWithoutFileShowsErrorAndKeepsValues) {
    TempDir dir;
    FakeProgram f;
    f.program.app.startDirectory = dir.path();
    f.program.app.poleCount = 12;
    f.program.app.gearRatio = 4.0f;
    EXPECT_EQ(LoadRpmSetup(f.program), Outcome::Failed);
    EXPECT_EQ(f.host.boxes, OneBox("open error 'blsetup.cfg'", "Error!"));
    EXPECT_EQ(f.program.app.poleCount, 12);
    EXPECT_FLOAT_EQ(f.program.app.gearRatio, 4.0f);
    EXPECT_FALSE(std::filesystem::exists(kCfg));
}

TEST(ConfigFile, LoadRpmSetupChangesIntoTheStartDirectory) {
    TempDir dir(kCfg, "COM1");
    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    FakeProgram f;
    f.program.app.startDirectory = dir.path();
    LoadRpmSetup(f.program);
    EXPECT_EQ(std::filesystem::current_path(), dir.path());
    EXPECT_EQ(ReadFileBytes(dir.path() / kCfg).size(), 264u);
}

TEST(ConfigFile, SaveRpmSetupStoresValidatedValues) {
    struct Case {
        std::string poles;
        std::string ratio;
        std::string stored;  // the bytes from offset 256 on
        std::string fieldAfter;
    };
    const Case cases[] = {
        {"14", "1,5", std::string("14\0\0", 4) + "1.50", "1,5"},
        {"6", "0", std::string(" 6\0\0", 4) + "1.00", "   1"},
        {"  8", "abc", std::string(" 8\0\0", 4) + "1.00", "   1"},
        {"10", "2", std::string("10\0\0", 4) + "2.00", "2"},
        {"98", "3.756", std::string("98\0\0", 4) + "3.76", "3.756"},
        {"2", "nan", std::string(" 2\0\0", 4) + "1.00", "   1"},
        {"2", "99999,99", std::string(" 2\0\0", 4) + "99999.99", "99999,99"},
    };
    for (const Case& c : cases) {
        RpmSave save(c.poles, c.ratio);
        EXPECT_EQ(ReadFileBytes(kCfg), std::string(256, 'x') + c.stored) << c.poles << c.ratio;
        EXPECT_EQ(save.dialog.controls[id::kGearRatio].text, c.fieldAfter);
        EXPECT_TRUE(save.f.host.boxes.empty());
        EXPECT_EQ(save.outcome, Outcome::Done);

        // What was stored is what the next load reads.
        FakeProgram next;
        next.program.app.startDirectory = save.dir.path();
        EXPECT_EQ(LoadRpmSetup(next.program), Outcome::Done);
        EXPECT_NEAR(next.program.app.gearRatio, save.f.program.app.gearRatio, 0.005);
        EXPECT_EQ(next.program.app.poleCount, save.f.program.app.poleCount);
    }
}

TEST(ConfigFile, SaveRpmSetupRefusesPoleCountsAndLeavesTheFile) {
    const std::pair<std::string, std::string> cases[] = {
        {"7", "Polzahl: nur gerade Werte m\u00f6glich!"},
        {"0", "Polzahl: Wert nicht zul\u00e4ssig!"},
        {"", "Polzahl: Wert nicht zul\u00e4ssig!"},
        {"abc", "Polzahl: Wert nicht zul\u00e4ssig!"},
        {"-4", "Polzahl: Wert nicht zul\u00e4ssig!"},
        {"-12", "Polzahl: Wert nicht zul\u00e4ssig!"},
        {"100", "Polzahl: max. 2-stellig!"},
        {"99", "Polzahl: nur gerade Werte m\u00f6glich!"},
    };
    for (Language lang : {Language::English, Language::German}) {
        for (const auto& [poles, text] : cases) {
            RpmSave save(poles, "3", lang);
            EXPECT_EQ(save.outcome, Outcome::Refused) << poles;
            EXPECT_EQ(save.f.host.boxes, OneBox(text, "Error!")) << poles;
            EXPECT_EQ(ReadFileBytes(kCfg), kRpmFile) << poles;
            EXPECT_EQ(save.f.program.app.poleCount, 14) << poles;
        }
    }
}

// A ratio whose text would not fit its field is refused whole, and so is
// one below its last digit, negative ones however long.
TEST(ConfigFile, SaveRpmSetupRefusesARatioOutsideTheField) {
    const std::tuple<Language, std::string, std::string> cases[] = {
        {Language::English, "gearbox ratio: max. 99999.99!", "gearbox ratio: min. 0.01!"},
        {Language::German, "Getriebe-Untersetzung: max. 99999,99!",
         "Getriebe-Untersetzung: min. 0,01!"}};
    for (const auto& [lang, tooBig, tooSmall] : cases) {
        for (const char* ratio : {"100000000", "100000", "-2", "-100000", "0,004"}) {
            const std::string text = ratio[0] == '-' || ratio[0] == '0' ? tooSmall : tooBig;
            RpmSave save("4", ratio, lang);
            EXPECT_EQ(save.outcome, Outcome::Refused) << ratio;
            EXPECT_EQ(save.f.host.boxes, OneBox(text, "Error!")) << ratio;
            EXPECT_EQ(ReadFileBytes(kCfg), kRpmFile) << ratio;
            EXPECT_EQ(save.f.program.app.poleCount, 14);
            EXPECT_FLOAT_EQ(save.f.program.app.gearRatio, 12.5f);
        }
    }
}

TEST(ConfigFile, SaveRpmSetupWithoutFileShowsError) {
    RpmSave save("12", "3", Language::English, "");
    EXPECT_EQ(save.outcome, Outcome::Failed);
    EXPECT_EQ(save.f.host.BoxTexts(), std::vector<std::string>{"open error 'blsetup.cfg'"});
    EXPECT_FALSE(std::filesystem::exists(kCfg));
}

}  // namespace
}  // namespace kvr
