#pragma once

#include "res/captions.h"
#include "res/language.h"

namespace kvr::texts {

inline constexpr Text kCannotOpenComport{"Cannot open comport!", "Cannot open comport!"};
// The three port set-up texts are German in both builds.
inline constexpr Text kCannotReadComState{"Kann COM-Port Einstellung nicht lesen.",
                                          "Kann COM-Port Einstellung nicht lesen."};
inline constexpr Text kCannotWriteComState{"Kann COM-Port Einstellung nicht schreiben.",
                                           "Kann COM-Port Einstellung nicht schreiben."};
inline constexpr Text kCannotWriteTimeouts{"Kann TIMEOUTS nicht schreiben.",
                                           "Kann TIMEOUTS nicht schreiben."};
inline constexpr Text kDriverAccessError{"Error during driver access!",
                                         "Error during driver access!"};

}  // namespace kvr::texts
