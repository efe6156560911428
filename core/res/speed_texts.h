#pragma once

#include "res/captions.h"
#include "res/language.h"

// Texts and control ids of the RPM-control dialog and the rev counter.
namespace kvr::texts {

// RPM-control dialog.
inline constexpr Text kRpmMinFrequency{"min. 166 Hz", "min. 166 Hz"};
inline constexpr Text kRpmMaxFrequency{"max. 2500 Hz", "max. 2500 Hz"};
inline constexpr Text kRpmPRange{"P: 1 - 5 !", "P: 1 - 5 !"};
inline constexpr Text kRpmIRange{"I: 1 - 5 !", "I: 1 - 5 !"};
inline constexpr const char* kRpmNoPeriod = "???";
// The speeds divide by the gear ratio, which only a file that could never
// be read leaves at zero.
inline constexpr Text kGearRatioInvalid{"gearbox ratio: value not allowed!",
                                        "Getriebe-Untersetzung: Wert nicht zul\u00e4ssig!"};

// Rev counter.
inline constexpr Text kRevOnlyPortix2{"Available only via Portix2",
                                      "Nur \u00fcber Portix2 m\u00f6glich"};
inline constexpr Text kRevTestProgramNotLocked{"only available, when test-pgm locked",
                                               "nur m\u00f6gl. wenn Testprogramm gesperrt"};
inline constexpr Text kRevAdapter{"adapter?", "adapter?"};
inline constexpr Text kRevSecondsLeft{"sec. time left", "Sek. Restzeit"};
inline constexpr Text kRevPropRevs{"Prop revs, rpm", "Prop-Drehzahl,  U/min"};

}  // namespace kvr::texts

namespace kvr::id {

inline constexpr int kRpmTemplateEn = 1228;
inline constexpr int kRpmTemplateDe = 1231;
inline constexpr int kRevTemplateEn = 1247;
inline constexpr int kRevTemplateDe = 1245;

// Fields shared by both speed dialogs (1212 is kMaxFrequency of ids.h).
inline constexpr int kSpeedHz = 1212;
inline constexpr int kSpeedElectricalRpm = 1215;
inline constexpr int kSpeedMotorRpm = 1219;
inline constexpr int kSpeedRotorRpm = 1218;

// RPM-control dialog.
inline constexpr int kRpmRead = 1213;
inline constexpr int kRpmWrite = 1214;
inline constexpr int kRpmCalculate = 1216;
inline constexpr int kRpmProportional = 1239;
inline constexpr int kRpmIntegral = 1240;
inline constexpr int kRpmQuickStart = 1241;

// Rev counter.
inline constexpr int kRevReleaseMotor = 1246;
inline constexpr int kRevRotorLabel = 1248;

}  // namespace kvr::id
