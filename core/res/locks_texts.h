#pragma once

#include "res/captions.h"
#include "res/language.h"

// Texts and control ids of the lock functions dialog.
namespace kvr::texts {

inline constexpr Text kLockStatusOk{"ok", "ok"};
// German in both builds.
inline constexpr Text kLockNotAvailable{
    "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!",
    "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!"};

}  // namespace kvr::texts

namespace kvr::id {

inline constexpr int kLockTemplateEn = 1229;
inline constexpr int kLockTemplateDe = 1230;
inline constexpr int kLockRead = 1204;
inline constexpr int kLockWrite = 1205;
inline constexpr int kLockRcSetup = 1206;
inline constexpr int kLockTestProgram = 1207;

}  // namespace kvr::id
