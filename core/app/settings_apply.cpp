// A checked settings file's values put into the form as clicks and typing, by the form's rules.
#include "app/settings_apply.h"

#include "app/settings_form_io.h"
#include "res/templates.h"
#include "settings/form_clicks.h"

namespace kvr {
namespace {

using Json = SettingsJson;

class Applier {
  public:
    Applier(Program& p, SettingsForm& form, const FileValues& values)
        : p_(p), form_(form), values_(values) {}

    AppliedFile Run() {
        ApplyGovernor();
        ApplyLowVoltage();
        for (const SettingsField& f : SettingsFields()) {
            const std::optional<Json>& v = ValueOf(f.field);
            if (!v || AppliedFirst(f.field) || !Applies(f, *v)) continue;
            Apply(f, *v);
        }
        return {leftOut_, editing_};
    }

  private:
    const std::optional<Json>& ValueOf(Field f) const {
        return values_[static_cast<std::size_t>(f)];
    }
    bool Has(int feature) const { return feature == 0 || (p_.settings.features & feature) != 0; }
    // The radio group's choice now in the form.
    int Current(Field group) const { return form_.Chosen(group); }

    // Puts one radio group's choice into the form as a click would.
    void ClickRadio(Field group, int chosen) {
        form_[group].radios = chosen >= 0 ? 1U << chosen : 0;
        if (chosen >= 0) editing_.Then(ClickChoice(form_, p_.settings, group, chosen));
    }

    static bool AppliedFirst(Field f) {
        return f == Field::RpmControl || f == Field::LowVoltage || f == Field::Battery ||
               f == Field::LipoCells || f == Field::Threshold;
    }

    // Whether the file's value can go into the form; notes it when the
    // controller lacks what the file asks for.
    bool Applies(const SettingsField& f, const Json& v) {
        if (f.kind == FieldKind::Check && !Has(f.feature)) {
            const int box = ControlOf(f.field);
            if (v.get<bool>() != form_.Checked(f.field)) leftOut_.push_back(LabelOf(p_, box));
            return false;
        }
        if (f.kind == FieldKind::Radios && !v.is_null()) {
            const int chosen = FileChoice(f, v);
            if (!Has(f.choices[static_cast<std::size_t>(chosen)].feature)) {
                const int radio = RadioOf(f.field, chosen);
                if (!form_.On(f.field, chosen)) leftOut_.push_back(LabelOf(p_, radio));
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
        if (v->get<bool>() != form_.Checked(rpm.field)) {
            form_[rpm.field].checked = v->get<bool>();
            ClickGovernor(form_);
        }
    }

    // Radio groups where they change, each as a click. The battery and its
    // fields count only when the low voltage is handled; with "ignore"
    // Write does not read them.
    void ApplyLowVoltage() {
        const std::optional<Json>& mode = ValueOf(Field::LowVoltage);
        const SettingsField& lowVoltage = FieldOf(Field::LowVoltage);
        if (mode && FileChoice(lowVoltage, *mode) != Current(Field::LowVoltage)) {
            ClickRadio(Field::LowVoltage, FileChoice(lowVoltage, *mode));
        }
        const int chosenMode = Current(Field::LowVoltage);
        if (chosenMode < 0 || chosenMode == kLvChoiceIgnore) return;
        const std::optional<Json>& battery = ValueOf(Field::Battery);
        const SettingsField& batteryField = FieldOf(Field::Battery);
        if (battery && FileChoice(batteryField, *battery) != Current(Field::Battery)) {
            ClickRadio(Field::Battery, FileChoice(batteryField, *battery));
        }
        const int kind = Current(Field::Battery);
        for (const auto& [field, needed] : {std::pair{Field::LipoCells, kBatteryChoiceLipo},
                                            std::pair{Field::Threshold, kBatteryChoiceFixed}}) {
            const std::optional<Json>& v = ValueOf(field);
            if (v && kind == needed) form_[field].text = FieldText(FieldOf(field), *v);
        }
    }

    void Apply(const SettingsField& f, const Json& v) {
        switch (f.kind) {
            case FieldKind::Time:
            case FieldKind::Volts:
            case FieldKind::Byte:
                form_[f.field].text = FieldText(f, v);
                break;
            case FieldKind::Check:
                form_[f.field].checked = v.get<bool>();
                break;
            case FieldKind::List:
                form_[f.field].selected = FileChoice(f, v);
                break;
            case FieldKind::Radios:
                if (FileChoice(f, v) != Current(f.field)) ClickRadio(f.field, FileChoice(f, v));
                break;
        }
    }

    Program& p_;
    SettingsForm& form_;
    const FileValues& values_;
    std::vector<std::string> leftOut_;
    BatteryEditing editing_;
};

}  // namespace

std::string LabelOf(Program& p, int control) {
    return res::ControlLabel(p.lang, res::MainWindowTemplateId(p.lang), control);
}

AppliedFile ApplyFileValues(Program& p, SettingsForm& form, const FileValues& values) {
    return Applier(p, form, values).Run();
}

}  // namespace kvr
