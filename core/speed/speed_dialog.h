// What the two speed dialogs share.
#pragma once

#include <string>

#include "app/program.h"
#include "platform/window.h"
#include "speed/speed_math.h"
#include "speed/speed_values.h"

namespace kvr {

// The control of a speed dialog's field.
int SpeedControl(SpeedField field);

// A speed dialog on screen as its steps' view.
class SpeedDialogView final : public SpeedView {
  public:
    explicit SpeedDialogView(Window& dialog) : dialog_(dialog) {}
    void SetText(SpeedField field, const std::string& text) override;
    std::string GetText(SpeedField field, std::size_t maxChars) override;
    void Enable(SpeedField field, bool enabled) override;
    void SetCheck(SpeedField field, bool checked) override;
    bool IsChecked(SpeedField field) override;
    void Repaint() override;
    void EndDialog() override { dialog_.EndDialog(1); }
    Window* Owner() override { return &dialog_; }

  private:
    Window& dialog_;
};

// Pole count "%2d" into the pole count's field, gear ratio "%1.2f" into the
// gear ratio's.
void ShowMotorValues(Program& p, SpeedView& fields);

// False, after telling the user, when the pole count or the gear ratio in
// memory cannot be divided by (a file that could never be read).
bool MotorValuesUsable(Program& p);

// Init and Save Input of both dialogs on screen (speed_values.h).
int InitSpeedDialog(Program& p, Window& dialog);
Outcome SaveMotorValues(Program& p, Window& dialog);

// A number in the given printf format.
std::string FormatNumber(const char* format, int value);

// A message box without owner, OK button.
void ShowError(Program& p, const Text& text, const Text& caption);

}  // namespace kvr
