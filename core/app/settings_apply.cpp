// A checked settings file's values put into the form as clicks and typing, so the handlers run.
#include "app/settings_apply.h"

#include "app/settings_commands.h"
#include "app/settings_form_io.h"
#include "res/templates.h"

namespace kvr {
namespace {

using Json = SettingsJson;

// Puts one radio group's choice into the form as a click would.
void ClickRadio(Program& p, Window& w, Field group, int chosen) {
    for (std::size_t i = 0; i < FieldOf(group).choices.size(); ++i) {
        w.SetCheck(RadioOf(group, static_cast<int>(i)), static_cast<int>(i) == chosen);
    }
    if (chosen >= 0) HandleSettingsControl(p, w, RadioOf(group, chosen));
}

class Applier {
  public:
    Applier(Program& p, Window& w, const FileValues& values) : p_(p), w_(w), values_(values) {}

    std::vector<std::string> Run() {
        ApplyGovernor();
        ApplyLowVoltage();
        for (const SettingsField& f : SettingsFields()) {
            const std::optional<Json>& v = ValueOf(f.field);
            if (!v || AppliedFirst(f.field) || !Applies(f, *v)) continue;
            Apply(f, *v);
        }
        return leftOut_;
    }

  private:
    const std::optional<Json>& ValueOf(Field f) const {
        return values_[static_cast<std::size_t>(f)];
    }
    bool Has(int feature) const { return feature == 0 || (p_.settings.features & feature) != 0; }
    // The radio group's choice now in the form.
    int Current(Field group) { return ChosenRadio(group, ReadField(w_, group).radios); }

    static bool AppliedFirst(Field f) {
        return f == Field::RpmControl || f == Field::LowVoltage || f == Field::Battery ||
               f == Field::LipoCells || f == Field::Threshold;
    }

    // Whether the file's value can go into the form; notes it when the
    // controller lacks what the file asks for.
    bool Applies(const SettingsField& f, const Json& v) {
        if (f.kind == FieldKind::Check && !Has(f.feature)) {
            const int box = ControlOf(f.field);
            if (v.get<bool>() != w_.IsChecked(box)) leftOut_.push_back(LabelOf(p_, box));
            return false;
        }
        if (f.kind == FieldKind::Radios && !v.is_null()) {
            const int chosen = FileChoice(f, v);
            if (!Has(f.choices[static_cast<std::size_t>(chosen)].feature)) {
                const int radio = RadioOf(f.field, chosen);
                if (!w_.IsChecked(radio)) leftOut_.push_back(LabelOf(p_, radio));
                return false;
            }
        }
        return true;
    }

    // The governor's box first: its click clears boxes the file sets again.
    void ApplyGovernor() {
        const SettingsField& rpm = FieldOf(Field::RpmControl);
        const std::optional<Json>& v = ValueOf(Field::RpmControl);
        if (!v || !Applies(rpm, *v)) return;
        if (v->get<bool>() != w_.IsChecked(ControlOf(rpm.field))) {
            w_.SetCheck(ControlOf(rpm.field), v->get<bool>());
            HandleSettingsControl(p_, w_, ControlOf(rpm.field));
        }
    }

    // Radio groups where they change, each as a click. The battery and its
    // fields count only when the low voltage is handled; with "ignore"
    // Write does not read them.
    void ApplyLowVoltage() {
        const std::optional<Json>& mode = ValueOf(Field::LowVoltage);
        const SettingsField& lowVoltage = FieldOf(Field::LowVoltage);
        if (mode && FileChoice(lowVoltage, *mode) != Current(Field::LowVoltage)) {
            ClickRadio(p_, w_, Field::LowVoltage, FileChoice(lowVoltage, *mode));
        }
        const int chosenMode = Current(Field::LowVoltage);
        if (chosenMode < 0 || chosenMode == kLvChoiceIgnore) return;
        const std::optional<Json>& battery = ValueOf(Field::Battery);
        const SettingsField& batteryField = FieldOf(Field::Battery);
        if (battery && FileChoice(batteryField, *battery) != Current(Field::Battery)) {
            ClickRadio(p_, w_, Field::Battery, FileChoice(batteryField, *battery));
        }
        const int kind = Current(Field::Battery);
        for (const auto& [field, needed] : {std::pair{Field::LipoCells, kBatteryChoiceLipo},
                                            std::pair{Field::Threshold, kBatteryChoiceFixed}}) {
            const std::optional<Json>& v = ValueOf(field);
            if (v && kind == needed) w_.SetText(ControlOf(field), FieldText(FieldOf(field), *v));
        }
    }

    void Apply(const SettingsField& f, const Json& v) {
        switch (f.kind) {
            case FieldKind::Time:
            case FieldKind::Volts:
            case FieldKind::Byte:
                w_.SetText(ControlOf(f.field), FieldText(f, v));
                break;
            case FieldKind::Check:
                w_.SetCheck(ControlOf(f.field), v.get<bool>());
                break;
            case FieldKind::List:
                w_.ComboSetSel(ControlOf(f.field), FileChoice(f, v));
                break;
            case FieldKind::Radios:
                if (FileChoice(f, v) != Current(f.field))
                    ClickRadio(p_, w_, f.field, FileChoice(f, v));
                break;
        }
    }

    Program& p_;
    Window& w_;
    const FileValues& values_;
    std::vector<std::string> leftOut_;
};

}  // namespace

std::string LabelOf(Program& p, int control) {
    return res::ControlLabel(p.lang, res::MainWindowTemplateId(p.lang), control);
}

std::vector<std::string> ApplyFileValues(Program& p, Window& w, const FileValues& values) {
    return Applier(p, w, values).Run();
}

}  // namespace kvr
