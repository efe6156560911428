// What both speed dialogs share: the motor values shown, checked and saved, and their boxes.
#include "speed/speed_dialog.h"

#include <cstdio>

#include "app/config_file.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "res/speed_texts.h"

namespace kvr {

std::string FormatNumber(const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void ShowMotorValues(Program& p, Window& dialog) {
    dialog.SetText(id::kPoleCount, FormatNumber("%2d", p.app.poleCount));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%1.2f", static_cast<double>(p.app.gearRatio));
    dialog.SetText(id::kGearRatio, buffer);
}

int InitSpeedDialog(Program& p, Window& dialog) {
    LoadRpmSetup(p);
    ShowMotorValues(p, dialog);
    dialog.Repaint();
    return 1;
}

Outcome SaveMotorValues(Program& p, Window& dialog) {
    return SaveRpmSetup(p, dialog) == 0 ? Outcome::Done : Outcome::Refused;
}

bool MotorValuesUsable(Program& p) {
    if (!PoleCountUsable(p.app.poleCount)) {
        ShowError(p, texts::kPoleCountInvalid, texts::kCaptionErrorBang);
        return false;
    }
    if (!GearRatioUsable(p.app.gearRatio)) {
        ShowError(p, texts::kGearRatioInvalid, texts::kCaptionErrorBang);
        return false;
    }
    return true;
}

void ShowError(Program& p, const Text& text, const Text& caption) {
    p.host.MessageBox(nullptr, std::string(p.T(text)), std::string(p.T(caption)),
                      MessageButtons::Ok);
}

}  // namespace kvr
