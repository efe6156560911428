// The main window: templates id::kMainWindowEn and id::kMainWindowDe, menus
// id::kMenuEn and id::kMenuDe. Both templates carry the same controls; the
// language picks the texts.
#include "res/ids.h"
#include "res/templates.h"

namespace kvr::res {
namespace {

using K = ControlKind;

constexpr Text kNoText{"", ""};

constexpr Text kSoftware{"Actual Software", "Aktuelle Software"};
constexpr Text kLowVoltage{"Low Voltage Protection", "Unterspannungsbehandlung/ Schwelle"};
constexpr Text kRcSignal{"RC Signal", "Empfangs-Impuls"};
constexpr Text kMotorControl{"Motor Control", "Motor-Steuerung"};
constexpr Text kRpmControl{"RPM Control", "Drehzahlregelung"};
constexpr Text kLogFile{"Log File", "Log-Datei"};
constexpr Text kOtherFeatures{"Other Features", "Diverse Features"};
constexpr Text kFrequency{"Controller Frequency", "Schaltfrequenz"};
constexpr Text kMemory{"Memory", "Aktueller Speicher"};

constexpr Text kGroups[] = {kSoftware, kLowVoltage,    kRcSignal,  kMotorControl, kRpmControl,
                            kLogFile,  kOtherFeatures, kFrequency, kMemory};

constexpr Text kMs{"ms", "ms"};

// In the order the front end lays them out, group by group; a field right
// after a radio button sits on the radio button's line.
constexpr ControlDef kControls[] = {
    {id::kVersionText, K::Edit, {"Version/Typ", "Version/Typ"}, kNoText, kSoftware, kReadOnly},

    {id::kLvIgnore, K::Radio, {"ignore", "ignorieren"}, kNoText, kLowVoltage, kFirstOfGroup},
    {id::kLvReducePower, K::Radio, {"reduce power", "abregeln"}, kNoText, kLowVoltage},
    {id::kLvSwitchOff, K::Radio, {"switch off", "abschalten"}, kNoText, kLowVoltage},
    {id::kBatteryNicd, K::Radio, {"NICD/MH", "NICD/MH"}, kNoText, kLowVoltage, kFirstOfGroup},
    {id::kBatteryLipo, K::Radio, {"LIPOs:", "LIPOs:"}, kNoText, kLowVoltage},
    {id::kLipoCells, K::Edit, {"Anz.", "Anz."}, kNoText, kLowVoltage, 0u, 1236},
    {id::kBatteryFix, K::Radio, {"FIX:", "FIX:"}, kNoText, kLowVoltage},
    {id::kThresholdVolts, K::Edit, {"Volt", "Volt"}, kNoText, kLowVoltage, 0u, 1195},

    {id::kFullSpeedTime, K::Edit, {"full speed", "Vollg."}, kMs, kRcSignal},
    {id::kNeutralTime, K::Edit, {"neutral", "Neut."}, kMs, kRcSignal},
    {id::kStopTime, K::Edit, {"stop/ret.", "Stopp\nretour"}, kMs, kRcSignal},

    {id::kAcceleration,
     K::Edit,
     {"acceleration (1 - 50)", "Beschleunigung (1 - 50)"},
     kNoText,
     kMotorControl,
     kDigitsOnly},
    {id::kStartupPower,
     K::Edit,
     {"startup-power (1 - 50)", "Anlauf-Leistung (1 - 50)"},
     kNoText,
     kMotorControl,
     kDigitsOnly},
    {id::kBrakeList, K::ComboBox, {"EMF brake", "EMK-Bremse"}, kNoText, kMotorControl},
    {id::kTimingList,
     K::ComboBox,
     {"commutation\ntiming", "Kommutierungs-\nTiming"},
     kNoText,
     kMotorControl},

    {id::kRpmControl, K::CheckBox, {"active RPM control", "Regelung aktiv"}, kNoText, kRpmControl},
    {id::kMaxFrequency,
     K::Edit,
     {"max. frequency", "max. Freq."},
     {"Hz", "Hz"},
     kRpmControl,
     kDisabled},
    {id::kRpmSetUp, K::PushButton, {"Set Up", "Einstellungen"}, kNoText, kRpmControl},

    {id::kLogTransmitter, K::Edit, {"transmitter failure", "Senderausf."}, kNoText, kLogFile},
    {id::kLogOvertemp, K::Edit, {"overtemperature", "Übertemp."}, kNoText, kLogFile},
    {id::kLogUndervoltage, K::Edit, {"undervoltage", "Unterspg."}, kNoText, kLogFile},
    {id::kLogReset, K::PushButton, {"Reset", "Reset"}, kNoText, kLogFile},

    {id::kOvertempProtection,
     K::CheckBox,
     {"overtemp. protection", "Übertemp-Schutz"},
     kNoText,
     kOtherFeatures},
    {id::kRpmLimit, K::CheckBox, {"RPM-limit", "Drehzahlbegrenzung"}, kNoText, kOtherFeatures},
    {id::kFreeWheeling,
     K::CheckBox,
     {"active free wheeling", "Aktiver Freilauf"},
     kNoText,
     kOtherFeatures},
    {id::kForwardReverse,
     K::CheckBox,
     {"forward / reverse (car)", "Vor/Rueckw. (Car)"},
     kNoText,
     kOtherFeatures},
    {id::kTurbo,
     K::CheckBox,
     {"Turbo / max. Power", "Turbo f. max. Leistung"},
     kNoText,
     kOtherFeatures},

    // Plain radio buttons: the frequency handlers set them after the gate.
    {id::kFreq78,
     K::Radio,
     {"7,8 kHz", "7,8 kHz"},
     kNoText,
     kFrequency,
     kFirstOfGroup | kManualCheck},
    {id::kFreq156, K::Radio, {"15,6 kHz", "15,6 kHz"}, kNoText, kFrequency, kManualCheck},

    {id::kRead, K::PushButton, {"Read", "Lesen"}, kNoText, kMemory},
    {id::kWrite, K::PushButton, {"Write", "Schreiben"}, kNoText, kMemory, kDisabled},
    {id::kStatusLine, K::Edit, kNoText, kNoText, kMemory, 0u, 0, {"status", "Status"}},

    {id::kEnd, K::PushButton, {"End", "Ende"}, kNoText, kNoText, kDefaultButton},
};

constexpr MenuItemDef kFileItems[] = {
    {id::kOpenUpdateFile, {"Open Update File", "Update-Datei öffnen"}},
    {id::kSaveSettings, {"Save Settings...", "Einstellungen speichern..."}},
    {id::kLoadSettings, {"Load Settings...", "Einstellungen laden..."}},
};

constexpr MenuItemDef kPortItems[] = {
    {id::kPortCom1 + 0, {"COM1", "COM1"}}, {id::kPortCom1 + 1, {"COM2", "COM2"}},
    {id::kPortCom1 + 2, {"COM3", "COM3"}}, {id::kPortCom1 + 3, {"COM4", "COM4"}},
    {id::kPortCom1 + 4, {"COM5", "COM5"}}, {id::kPortCom1 + 5, {"COM6", "COM6"}},
    {id::kPortCom1 + 6, {"COM7", "COM7"}}, {id::kPortCom1 + 7, {"COM8", "COM8"}},
};

constexpr MenuItemDef kOptionItems[] = {
    {id::kLockFunctions, {"Lock Funktions", "Sperrfunktionen"}},
    {id::kControllerInfo, {"Controller Info", "Prozessor-Info"}},
};

constexpr MenuItemDef kHelpItems[] = {
    // Only the English build has its help document.
    {id::kHelpFile, {"Help File", "Hilfe-Datei"}, false, true},
    {id::kServicePage, {"Internet Servicepage", "Internet Serviceseite"}},
    {id::kAbout, {"About...", "Über..."}},
};

constexpr MenuItemDef kBar[] = {
    {0, {"File", "Datei"}, false, false, kFileItems},
    {0, {"Port", "Port"}, false, false, kPortItems},
    {0, {"Options", "Optionen"}, false, false, kOptionItems},
    {id::kRevCounter, {"Rev Counter", "Drehzahl messen"}},
    {0, {"Help", "Hilfe"}, false, false, kHelpItems},
};

constexpr std::string_view kTitle = "KVR-Duza2  Setup ";
constexpr std::string_view kFont = "MS Sans Serif";

}  // namespace

constexpr DialogTemplate kMainWindowEnTemplate{
    id::kMainWindowEn, Language::English, kTitle, 454, 255, kFont, 8,
    id::kMenuEn,       kControls,         kGroups};
constexpr DialogTemplate kMainWindowDeTemplate{
    id::kMainWindowDe, Language::German, kTitle, 432, 244, kFont, 8,
    id::kMenuDe,       kControls,        kGroups};

constexpr MenuDef kMainMenuEn{id::kMenuEn, Language::English, kBar};
constexpr MenuDef kMainMenuDe{id::kMenuDe, Language::German, kBar};

}  // namespace kvr::res
