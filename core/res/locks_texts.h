#pragma once

#include "res/captions.h"
#include "res/ids.h"
#include "res/language.h"

// Texts of the lock functions dialog (its control ids are in ids.h).
namespace kvr::texts {

inline constexpr Text kLockStatusOk{"ok", "ok"};
// German in both builds.
inline constexpr Text kLockNotAvailable{
    "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!",
    "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!"};

}  // namespace kvr::texts
