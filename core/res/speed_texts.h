#pragma once

#include "res/captions.h"
#include "res/ids.h"
#include "res/language.h"

// Texts of the RPM-control dialog and the rev counter (their control ids are in
// ids.h).
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
