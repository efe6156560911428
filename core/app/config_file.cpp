// blsetup.cfg: the port and the motor values loaded from it and saved into it, field by field.
#include "app/config_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/command_gate.h"
#include "app/status_line.h"
#include "files/open_file.h"
#include "link/port_access.h"
#include "platform/window.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "res/link_texts.h"
#include "settings/number_text.h"
#include "speed/speed_dialog.h"

namespace kvr {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Only a regular file: a pipe or a device of that name would hang the
// program or swallow what it writes.
File OpenConfig(const char* mode, FileCheck* check = nullptr) {
    return File(OpenRegularFile(kConfigFileName, mode, check));
}

// Every writer but the start-up changes into the start directory first: the
// file dialog may have moved the current one.
void EnterStartDirectory(Program& p) {
    if (p.app.startDirectory.empty()) return;
    std::error_code ec;
    std::filesystem::current_path(p.app.startDirectory, ec);
}

std::string PoleCountField(int poleCount) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", poleCount);
    return std::string(buf) + std::string(2, '\0');
}

std::string GearRatioField(float ratio) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.2f", static_cast<double>(ratio));
    return buf;
}

// The ratio is read back with at most 8 characters: a ratio whose text is
// longer ("100000000.00") would not survive its own save and load.
constexpr std::size_t kRatioChars = 8;

bool RatioFitsField(float ratio) {
    return GearRatioField(ratio).size() <= kRatioChars;
}

// A negative ratio would turn every speed negative, and one below the
// field's last digit would be stored as 0.00, which reads back as 1.
constexpr float kRatioMin = 0.01f;

// A ratio too large for its field, or too small, counts as unreadable.
bool ParseRatio(const char* text, float& ratio) {
    float value = 0.0f;
    if (!ScanFloat(text, 8, value) || !std::isfinite(value) || !RatioFitsField(value) ||
        value < kRatioMin) {
        return false;
    }
    ratio = value;
    return true;
}

void ConfigBox(Program& p, const Text& text) {
    p.host.MessageBox(nullptr, std::string(p.T(text)), std::string(p.T(texts::kCaptionErrorBang)),
                      MessageButtons::Ok);
}

// Writes both motor fields, the gear ratio last. Failed after a message box.
Outcome WriteMotorFields(Program& p, int poleCount, float ratio) {
    const std::string fields = PoleCountField(poleCount) + GearRatioField(ratio);
    switch (WriteConfigFields(p, {{kConfigPoleCountOffset, fields}}, true)) {
        case ConfigWrite::Done:
            return Outcome::Done;
        case ConfigWrite::CannotOpen:
            ConfigBox(p, texts::kConfigOpenError);
            return Outcome::Failed;
        case ConfigWrite::Failed:
            ConfigBox(p, texts::kConfigWriteError);
            return Outcome::Failed;
    }
    return Outcome::Failed;
}

}  // namespace

ConfigWrite WriteConfigFields(Program& p, std::initializer_list<ConfigField> fields,
                              bool endAfterLast) {
    EnterStartDirectory(p);
    File file = OpenConfig("r+b");
    if (!file) return ConfigWrite::CannotOpen;
    bool written = true;
    long end = 0;
    for (const ConfigField& field : fields) {
        // An empty field has no data pointer to hand to fwrite.
        written = written && std::fseek(file.get(), field.offset, SEEK_SET) == 0 &&
                  (field.bytes.empty() || std::fwrite(field.bytes.data(), 1, field.bytes.size(),
                                                      file.get()) == field.bytes.size());
        end = field.offset + static_cast<long>(field.bytes.size());
    }
    written = std::fflush(file.get()) == 0 && written;
    written = std::fclose(file.release()) == 0 && written;
    if (written && endAfterLast) {
        // The gear ratio is the last field and has no terminator: end the
        // file right after it so no digit of an older, longer value is read
        // back.
        std::error_code ec;
        std::filesystem::resize_file(kConfigFileName, static_cast<std::uintmax_t>(end), ec);
        written = !ec;
    }
    return written ? ConfigWrite::Done : ConfigWrite::Failed;
}

std::optional<int> LoadPortSetting(Program& p) {
    LinkState& link = p.link.state;
    const bool parallelUsable = link.directPortIo || link.driverAvailable;
    std::string& name = p.app.portName;

    FileCheck check = FileCheck::Regular;
    File file = OpenConfig("r+", &check);
    if (!file) name = parallelUsable ? "0378" : "COM2";
    if (check == FileCheck::Folder || check == FileCheck::NotAFile) {
        // Never read (a pipe would hang the start) nor written; said once.
        ConfigBox(p, texts::kConfigNotAFile);
    } else if (check == FileCheck::Missing) {
        // Created only when there is none: an existing file that cannot be
        // opened keeps its other fields.
        file.reset(CreateNewFile(kConfigFileName));
    }
    if (file && check == FileCheck::Regular) {
        char buf[5] = {};
        if (std::fgets(buf, sizeof buf, file.get()) != nullptr) name = buf;
    }
    if (!parallelUsable && (name.empty() || name[0] != 'C')) name = "COM2";
    if (file) {
        // A failed write at start loses nothing the user chose: the name is
        // in force for this run, and "End" stores it again.
        if (std::fseek(file.get(), kConfigPortOffset, SEEK_SET) == 0) {
            std::fwrite(name.data(), 1, name.size(), file.get());
        }
        file.reset();
    }

    if (name == "0278") {
        link.lptBase = 0x278;
        return 1152;
    }
    if (name == "0378") {
        link.lptBase = 0x378;
        return 1153;
    }
    if (name == "03BC") {
        link.lptBase = 0x3BC;
        return 1154;
    }
    for (int n = 1; n <= 8; ++n) {
        if (name != "COM" + std::to_string(n)) continue;
        link.medium = Medium::Serial;
        link.comDeviceName = name;
        return id::kPortCom1 + n - 1;
    }
    return std::nullopt;
}

void LoadPortSetting(Program& p, Window& mainWindow) {
    if (const std::optional<int> item = LoadPortSetting(p)) mainWindow.CheckMenuItem(*item, true);
}

void SavePortSetting(Program& p) {
    // A file that cannot be opened is passed over in silence; one that
    // cannot be written is reported, as the choice is then lost.
    if (WriteConfigFields(p, {{kConfigPortOffset, p.app.portName}}) == ConfigWrite::Failed) {
        ConfigBox(p, texts::kConfigWriteError);
    }
}

void OpenComPort(Program& p, StatusSink& status, int n) {
    // One command, as when chosen in the Port menu; from the menu the
    // window's own.
    const CommandScope command(p);
    p.app.portName = "COM" + std::to_string(n);
    p.link.state.comDeviceName = p.app.portName;
    p.link.state.medium = Medium::Serial;
    CloseSerialPort(p);
    if (InitSerialLines(p)) return;

    status.Enable(true);
    status.Repaint();
    status.Show(" ");
    p.app.statusText.assign(1, ' ');  // not = " ": GCC 12 warns falsely at -O3
    ShowStatusText(p);
    p.host.MessageBox(status.Owner(), p.link.lastErrorText, std::string(p.T(texts::kCaptionError)),
                      MessageButtons::Ok);
    status.Enable(false);
    status.Repaint();
}

void SelectSerialPort(Program& p, Window& mainWindow, int n) {
    const int chosen = id::kPortCom1 + n - 1;
    for (int item = id::kPortLpt278; item <= id::kPortCom8; ++item) {
        mainWindow.CheckMenuItem(item, item == chosen);
    }
    WindowStatus status(mainWindow);
    OpenComPort(p, status, n);
}

Outcome LoadRpmSetup(Program& p) {
    EnterStartDirectory(p);
    File file = OpenConfig("r+");
    if (!file) {
        ConfigBox(p, texts::kConfigOpenError);
        return Outcome::Failed;
    }
    std::FILE* f = file.get();

    int poleCount = 0;
    char buf[80] = {};
    if (std::fseek(f, kConfigPoleCountOffset, SEEK_SET) == 0 && std::fgets(buf, 3, f) != nullptr) {
        if (!ScanInt(buf, 8, poleCount)) poleCount = 0;
    }
    // A count that no motor has becomes the smallest one.
    if (poleCount <= 0) poleCount = 2;
    p.app.poleCount = poleCount;

    std::fgetc(f);
    std::fgetc(f);

    float ratio = 1.0f;
    buf[0] = '\0';
    if (std::fgets(buf, sizeof buf, f) != nullptr) ParseRatio(buf, ratio);
    if (ratio == 0.0f) ratio = 1.0f;
    p.app.gearRatio = ratio;

    // Fields that are already in normal form are not written again, so a
    // full disk gets in the way only when something has to change.
    const std::string normal = PoleCountField(poleCount) + GearRatioField(ratio);
    std::string stored(normal.size() + 1, '\0');
    const bool same = std::fseek(f, kConfigPoleCountOffset, SEEK_SET) == 0 &&
                      std::fread(stored.data(), 1, stored.size(), f) == normal.size() &&
                      stored.compare(0, normal.size(), normal) == 0;
    file.reset();
    return same ? Outcome::Done : WriteMotorFields(p, poleCount, ratio);
}

Outcome SaveRpmSetup(Program& p, SpeedView& fields) {
    const std::string poleText = fields.GetText(SpeedField::PoleCount, 9);
    int parsed = 0;
    if (!ScanInt(poleText, 8, parsed)) parsed = 0;

    const Text* refusal = nullptr;
    if (parsed <= 0) {
        refusal = &texts::kPoleCountInvalid;
    } else if (parsed % 2 != 0) {
        refusal = &texts::kPoleCountOdd;
    } else if (parsed > 98) {
        refusal = &texts::kPoleCountTooBig;
    }
    if (refusal != nullptr) {
        // The last accepted count stays in force, so the speed tools never
        // compute with a count the user was just told is wrong.
        ConfigBox(p, *refusal);
        return Outcome::Refused;
    }

    std::string ratioText = fields.GetText(SpeedField::GearRatio, 9);
    if (auto comma = ratioText.find(','); comma != std::string::npos) ratioText[comma] = '.';
    float typed = 0.0f;
    const Text* ratioRefusal = nullptr;
    if (ScanFloat(ratioText.c_str(), 8, typed) && std::isfinite(typed)) {
        // Zero stays allowed: it stands for 1.
        if (typed != 0.0f && typed < kRatioMin) {
            ratioRefusal = &texts::kGearRatioTooSmall;
        } else if (!RatioFitsField(typed)) {
            ratioRefusal = &texts::kGearRatioTooBig;
        }
    }
    if (ratioRefusal != nullptr) {
        // Refused whole, like a wrong pole count: nothing is stored.
        ConfigBox(p, *ratioRefusal);
        return Outcome::Refused;
    }
    float ratio = 0.0f;
    ParseRatio(ratioText.c_str(), ratio);
    const bool ratioMissing = ratio == 0.0f;
    if (ratioMissing) ratio = 1.0f;

    if (WriteMotorFields(p, parsed, ratio) != Outcome::Done) {
        // Values the file did not take are not used: the dialog shows again
        // the ones in force.
        fields.SetText(SpeedField::PoleCount, PoleCountField(p.app.poleCount).substr(0, 2));
        fields.SetText(SpeedField::GearRatio, GearRatioField(p.app.gearRatio));
        fields.Repaint();
        return Outcome::Failed;
    }
    p.app.poleCount = parsed;
    p.app.gearRatio = ratio;
    if (ratioMissing) {
        char one[8];
        std::snprintf(one, sizeof one, "%4d", 1);
        fields.SetText(SpeedField::GearRatio, one);
        fields.Repaint();
    }
    return Outcome::Done;
}

Outcome SaveRpmSetup(Program& p, Window& dialog) {
    SpeedDialogView fields(dialog);
    return SaveRpmSetup(p, fields);
}

}  // namespace kvr
