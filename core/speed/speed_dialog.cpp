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

int SpeedControl(SpeedField field) {
    constexpr int kControls[kSpeedFieldCount] = {id::kSpeedHz,         id::kSpeedElectricalRpm,
                                                 id::kSpeedMotorRpm,   id::kSpeedRotorRpm,
                                                 id::kRpmProportional, id::kRpmIntegral,
                                                 id::kPoleCount,       id::kGearRatio,
                                                 id::kRpmCalculate,    id::kRpmWrite,
                                                 id::kRpmQuickStart,   id::kRevRotorLabel,
                                                 id::kRevReleaseMotor, id::kOk,
                                                 id::kSaveInput};
    return kControls[static_cast<std::size_t>(field)];
}

void SpeedDialogView::SetText(SpeedField field, const std::string& text) {
    dialog_.SetText(SpeedControl(field), text);
}

std::string SpeedDialogView::GetText(SpeedField field, std::size_t maxChars) {
    return dialog_.GetText(SpeedControl(field), maxChars);
}

void SpeedDialogView::Enable(SpeedField field, bool enabled) {
    dialog_.Enable(SpeedControl(field), enabled);
}

void SpeedDialogView::SetCheck(SpeedField field, bool checked) {
    dialog_.SetCheck(SpeedControl(field), checked);
}

bool SpeedDialogView::IsChecked(SpeedField field) {
    return dialog_.IsChecked(SpeedControl(field));
}

void SpeedDialogView::Repaint() {
    dialog_.Repaint();
}

void ShowMotorValues(Program& p, SpeedView& fields) {
    fields.SetText(SpeedField::PoleCount, FormatNumber("%2d", p.app.poleCount));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%1.2f", static_cast<double>(p.app.gearRatio));
    fields.SetText(SpeedField::GearRatio, buffer);
}

int InitSpeedDialog(Program& p, SpeedView& fields) {
    LoadRpmSetup(p);
    ShowMotorValues(p, fields);
    fields.Repaint();
    return 1;
}

int InitSpeedDialog(Program& p, Window& dialog) {
    SpeedDialogView fields(dialog);
    return InitSpeedDialog(p, fields);
}

Outcome SaveMotorValues(Program& p, SpeedView& fields) {
    return SaveRpmSetup(p, fields);
}

Outcome SaveMotorValues(Program& p, Window& dialog) {
    SpeedDialogView fields(dialog);
    return SaveMotorValues(p, fields);
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
