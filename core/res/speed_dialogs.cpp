// The speed tools: the RPM-control dialog (templates id::kRpmTemplateEn and
// id::kRpmTemplateDe) and the rev counter (id::kRevTemplateEn and
// id::kRevTemplateDe).
#include "res/ids.h"
#include "res/speed_texts.h"
#include "res/templates.h"

namespace kvr::res {

extern const DialogTemplate kRpmControlEnTemplate;
extern const DialogTemplate kRpmControlDeTemplate;
extern const DialogTemplate kRevCounterEnTemplate;
extern const DialogTemplate kRevCounterDeTemplate;

namespace {

using K = ControlKind;

constexpr Text kNoText{"", ""};
constexpr std::string_view kFont = "MS Sans Serif";

constexpr Text kPoleCountLabel{"number of poles", "Polzahl"};
constexpr Text kGearRatioLabel{"gearbox ratio 1:", "Getriebe-Untersetzung 1 :"};
constexpr Text kSaveInputLabel{"Save Input", "Werte \u00fcbernehmen"};
constexpr Text kMotorGearbox{"Motor-Gearbox", "Motor-Getriebeeinheit"};

// RPM control.
constexpr Text kMaxValues{"Max. Values", "Drehzahl bei Vollausschlag"};
constexpr Text kController{"Controller", "Prozessor"};
constexpr Text kPiControl{"P/I - Control", "P/I - Regler"};
constexpr Text kRpmGroups[] = {kMaxValues, kMotorGearbox, kController, kPiControl};

constexpr ControlDef kRpmControls[] = {
    // The order of use, in the English template only.
    {0,
     K::Static,
     {"1. Set the motor-gearbox values and save them", ""},
     kNoText,
     kNoText,
     kEnglishOnly},
    {0, K::Static, {"2. Click Read", ""}, kNoText, kNoText, kEnglishOnly},
    {0, K::Static, {"3. Type in the desired rotorspeed", ""}, kNoText, kNoText, kEnglishOnly},
    {0, K::Static, {"4. Click Calculate", ""}, kNoText, kNoText, kEnglishOnly},
    {0, K::Static, {"5. Click Write", ""}, kNoText, kNoText, kEnglishOnly},

    {id::kSpeedHz,
     K::Edit,
     {"elec. freq. motorphase, Hz", "el.Freq. Motorphase, Hz"},
     kNoText,
     kMaxValues,
     kDisabled},
    {id::kSpeedElectricalRpm,
     K::Edit,
     {"elec. freq. motorphase, RPM", "el. Freq. Motorphase,  U/min "},
     kNoText,
     kMaxValues,
     kDisabled},
    {id::kSpeedMotorRpm,
     K::Edit,
     {"motor-RPM ", "Motor-Drehzahl,  U/min"},
     kNoText,
     kMaxValues,
     kDisabled},
    {id::kSpeedRotorRpm,
     K::Edit,
     {"desired rotorspeed, RPM", "gew\u00fcnschte\nRotor-Drehzahl,  U/min"},
     kNoText,
     kMaxValues,
     kDisabled},
    {id::kRpmCalculate, K::PushButton, {"Calculate", "Berechnen"}, kNoText, kMaxValues, kDisabled},

    {id::kPoleCount, K::Edit, kPoleCountLabel, kNoText, kMotorGearbox},
    {id::kGearRatio, K::Edit, kGearRatioLabel, kNoText, kMotorGearbox},
    {id::kSaveInput, K::PushButton, kSaveInputLabel, kNoText, kMotorGearbox},

    {id::kRpmQuickStart,
     K::CheckBox,
     {"", "Schnellstart nach Autorotation m\u00f6gl."},
     kNoText,
     kNoText,
     kGermanOnly},

    {id::kRpmRead, K::PushButton, {"Read", "Lesen"}, kNoText, kController, kDefaultButton},
    {id::kRpmWrite, K::PushButton, {"Write", "Schreiben"}, kNoText, kController, kDisabled},

    {0, K::Static, {"", "Regelverhalten"}, kNoText, kPiControl, kGermanOnly},
    {id::kRpmProportional, K::Edit, {"P-Value", "P-Glied"}, kNoText, kPiControl, kDisabled},
    {id::kRpmIntegral, K::Edit, {"I-Value", "I-Glied"}, kNoText, kPiControl, kDisabled},
    {0, K::Static, {"1: soft / 5: hard", "1: weich / 5: hart"}, kNoText, kPiControl},

    {id::kOk, K::PushButton, {"Done", "Ende"}, kNoText, kNoText},
};

// Rev counter.
constexpr Text kRevs{"Revs", "Aktuelle Drehzahl"};
constexpr Text kRevGroups[] = {kRevs, kMotorGearbox};

constexpr ControlDef kRevControls[] = {
    {id::kSpeedHz,
     K::Edit,
     {"el.Freq. Motorphase, Hz", "el.Freq. Motorphase, Hz"},
     kNoText,
     kRevs,
     kReadOnly},
    {id::kSpeedElectricalRpm,
     K::Edit,
     {"el. Freq. Motorphase, rpm", "el. Freq. Motorphase,  U/min "},
     kNoText,
     kRevs,
     kReadOnly},
    {id::kSpeedMotorRpm,
     K::Edit,
     {"Motor revs, rpm", "Motor-Drehzahl,  U/min"},
     kNoText,
     kRevs,
     kReadOnly},
    // Its label changes to the seconds left during the start countdown.
    {id::kSpeedRotorRpm, K::Edit, texts::kRevPropRevs, kNoText, kRevs, kReadOnly,
     id::kRevRotorLabel},

    {id::kPoleCount, K::Edit, kPoleCountLabel, kNoText, kMotorGearbox},
    {id::kGearRatio, K::Edit, kGearRatioLabel, kNoText, kMotorGearbox},
    {id::kSaveInput, K::PushButton, kSaveInputLabel, kNoText, kMotorGearbox},

    {id::kRevReleaseMotor, K::PushButton, {"Release Motor", "Motor-Freigabe"}, kNoText, kNoText},
    {id::kOk, K::PushButton, {"Done", "Ende"}, kNoText, kNoText, kDefaultButton},
};

}  // namespace

// The governor's dialog opens where its owner's client area begins, not
// centred.
constexpr DialogTemplate kRpmControlEnTemplate{
    id::kRpmTemplateEn, Language::English, "RPM-Control", 426, 188, kFont, 8, 0,
    kRpmControls,       kRpmGroups,        false};
constexpr DialogTemplate kRpmControlDeTemplate{id::kRpmTemplateDe,
                                               Language::German,
                                               "Drehzahlregelung",
                                               427,
                                               182,
                                               kFont,
                                               8,
                                               0,
                                               kRpmControls,
                                               kRpmGroups,
                                               false};
constexpr DialogTemplate kRevCounterEnTemplate{
    id::kRevTemplateEn, Language::English, "Number of Revolutions", 342, 135, kFont, 8, 0,
    kRevControls,       kRevGroups};
constexpr DialogTemplate kRevCounterDeTemplate{
    id::kRevTemplateDe, Language::German, "Drehzahl-Messung", 342, 135, kFont, 8, 0,
    kRevControls,       kRevGroups};

}  // namespace kvr::res
