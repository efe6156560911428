// The speed tools' fields by name and as values, for the dialogs and for front ends without them.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "app/program.h"
#include "res/language.h"

namespace kvr {

enum class SpeedTool { RevCounter, RpmControl };

// The speed dialogs' fields: the figures in the order the dialogs show
// them, the motor values typed, the buttons the steps enable, the German
// quick-start box, and the rev counter's label of the rotor speed (the
// seconds left while the motor is awaited).
enum class SpeedField {
    Hz,
    ElectricalRpm,
    MotorRpm,
    RotorRpm,
    Proportional,
    Integral,
    PoleCount,
    GearRatio,
    CalculateButton,
    WriteButton,
    QuickStart,
    RevRotorLabel,
    ReleaseMotorButton,
    OkButton,
    SaveInputButton,
};
inline constexpr std::size_t kSpeedFieldCount = 15;

// The label the tool's dialog shows for a figure, on one line.
std::string SpeedFieldLabel(Language lang, SpeedTool tool, SpeedField field);

// A speed dialog as its steps see it: the dialog on screen, or the values
// of a front end without it.
class SpeedView {
  public:
    virtual ~SpeedView() = default;
    virtual void SetText(SpeedField field, const std::string& text) = 0;
    // At most maxChars characters of the field's text.
    virtual std::string GetText(SpeedField field, std::size_t maxChars) = 0;
    virtual void Enable(SpeedField field, bool enabled) = 0;
    virtual void SetCheck(SpeedField field, bool checked) = 0;
    virtual bool IsChecked(SpeedField field) = 0;
    virtual void Repaint() = 0;
    virtual void EndDialog() = 0;
    // The dialog, where the steps' status texts go; null without one.
    virtual Window* Owner() = 0;
};

// The fields as values: what is typed into them and what the steps show.
class SpeedValues final : public SpeedView {
  public:
    void SetText(SpeedField field, const std::string& text) override {
        texts_[Index(field)] = text;
    }
    std::string GetText(SpeedField field, std::size_t maxChars) override {
        return texts_[Index(field)].substr(0, maxChars);
    }
    void Enable(SpeedField, bool) override {}
    void SetCheck(SpeedField field, bool checked) override { checks_[Index(field)] = checked; }
    bool IsChecked(SpeedField field) override { return checks_[Index(field)]; }
    void Repaint() override {}
    void EndDialog() override {}
    Window* Owner() override { return nullptr; }

  private:
    static std::size_t Index(SpeedField field) { return static_cast<std::size_t>(field); }
    std::array<std::string, kSpeedFieldCount> texts_;
    std::array<bool, kSpeedFieldCount> checks_{};
};

// Init of both dialogs: the motor values of blsetup.cfg on show. Returns 1.
int InitSpeedDialog(Program& p, SpeedView& fields);

// Save Input of both dialogs: the typed motor values in force and stored;
// after the message that says why not, Refused for values no motor has and
// Failed for a blsetup.cfg that did not take them.
Outcome SaveMotorValues(Program& p, SpeedView& fields);

// The RPM-control dialog's buttons that start a step.
enum class RpmStep { SaveInput, Read, Calculate, Write };

// "Set Up" without the dialog: settings read first, the motor values of
// blsetup.cfg in the fields. Refused after the message when no settings
// were read.
Outcome OpenRpmControl(Program& p, SpeedView& fields);

// One step of the RPM-control dialog on the fields, as its button runs it:
// Done, NotStored (Read: no top speed stored yet), Refused or Failed after
// the message.
Outcome RunRpmStep(Program& p, SpeedView& fields, RpmStep step);

}  // namespace kvr
