#pragma once

#include "res/captions.h"
#include "res/language.h"

// Texts of the settings commands: Read, Write and the settings controls, and
// the controller checks that the update and the lock functions share.
namespace kvr::texts {

inline constexpr Text kReadValuesFirst{"Read values first!", "Zuerst Werte einlesen!"};

// Read.
inline constexpr Text kNoSerialPort{"  PORT ?", "  PORT ?"};
inline constexpr Text kReading{"reading.....", "lesen....."};
inline constexpr Text kStatusOk{"OK", "OK"};
inline constexpr Text kNotSetUp{"Available after setup with RC!",
                                "Erst nach Setup mit Fernsteuerung verf\u00fcgbar!"};
inline constexpr Text kNotSuitable{
    "PC-Program not suitable,\nPlease download the compatible software !",
    "Bitte kompatibles Setup-Programm downloaden!"};
inline constexpr Text kNeedLatestVersion{"Please download the latest version of this software!",
                                         "Bitte aktuelles Setup-Programm downloaden!"};

// Write.
inline constexpr Text kWriting{"writing.....", "schreiben....."};
inline constexpr Text kFullSpeedRange{"full speed 1.6 - 2.3ms !", "Vollgas 1.6 - 2.3ms !"};
inline constexpr Text kStopRange{"Stop 0.8 - 1.43ms !", "Stopp 0.8 - 1.43ms !"};
inline constexpr Text kNeutralFullSpeed{"neutral-full speed >= 0.25ms !",
                                        "Neutral-Vollgas >= 0.25ms !"};
inline constexpr Text kNeutralStop{"neutral-stop >= 0.07ms !", "neutral-stop >= 0.07ms !"};
inline constexpr Text kLowVoltageMissing{"low voltage protection ?", "Unterspannungsbehandlung ?"};
inline constexpr Text kRpmNoUndervoltageCutOff{
    "RPM control: undervoltage cut off not possible!",
    "Unterspg-Abschaltung bei Drehzahlregelung nicht m\u00f6glich!"};
inline constexpr Text kRpmNoOvertempCutOff{
    "RPM control: overtemperature cut off not possible!",
    "Uebertemp.-Abschaltung bei Drehzahlregelung nicht m\u00f6glich!"};
inline constexpr Text kRpmNoForwardReverse{
    "RPM control: forward/reverse not possible!",
    "Vor-Rueckwaerts bei Drehzahlregelung nicht m\u00f6glich!"};
inline constexpr Text kRpmNoTurbo{"RPM control: Turbo not possible!",
                                  "Bei Drehzahlreg. Turbo nicht m\u00f6glich!"};
inline constexpr Text kRpmNoBrake{"RPM control: Brake not possible!",
                                  "Bremse bei Drehzahlregelung nicht m\u00f6glich!"};
inline constexpr Text kThresholdMissing{"voltage threshold?", "Spannungsschwelle?"};
inline constexpr Text kLipoCountRange{"number of Lipolys 2 - 4!", "Anzahl LiPolys 2 - 4!"};
inline constexpr Text kThresholdRange{"Limit: 5.6V - 12V!", "Wert 'Wert 'Schwelle' 5.6V - 12V!"};
inline constexpr Text kFrequencyAt8Mhz{"Frequency at 8 MHz not possible!",
                                       "Takt-Frequenz bei 8MHz nicht m\u00f6glich!"};
inline constexpr Text kAccelerationRange{"control speed (1 - 50)", "Softanlauf 1 - 50!"};
inline constexpr Text kTimingMissing{"Timing?", "Timing?"};
inline constexpr Text kStartupPowerRange{"start-up power 1 - 50!", "Leistung Anlauf 1 - 50!"};
// A brake list without selection would send no valid level.
inline constexpr Text kBrakeMissing{"EMF brake?", "EMK-Bremse?"};
// The counters are single bytes in the controller.
inline constexpr Text kLogCounterRange{"log counters 0 - 255!", "Log-Z\u00e4hler 0 - 255!"};

// The Reset button shows this in each counter field.
inline constexpr const char* kCounterCleared = " 0";
// The maximum-frequency field when the governor is off.
inline constexpr const char* kNoFrequency = "    ";

}  // namespace kvr::texts
