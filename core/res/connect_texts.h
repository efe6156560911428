#pragma once

#include "res/captions.h"
#include "res/language.h"

// Texts of the byte commands and of the link detection.
namespace kvr::texts {

inline constexpr Text kWritingError{"writing error!", "Schreibfehler!"};

inline constexpr Text kLinkOtherModel{"no KVR-Mega detected, this device is not supported!",
                                      "angeschlossenes Gerät ist kein KVR-Mega!"};
inline constexpr Text kConnecting{"connecting....", "verbinden...."};
inline constexpr Text kLinkNoConnection{"no connection!", "Keine Verbindung!"};
// A command whose replies did not all arrive, or whose device went away.
inline constexpr Text kLinkNoReply{"Read/write error!", "Lese-/Schreibfehler!"};
inline constexpr Text kLinkLost{"connection lost!", "Verbindung unterbrochen!"};

}  // namespace kvr::texts
