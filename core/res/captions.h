#pragma once

#include "res/language.h"

// Message box captions; the same in both builds.
namespace kvr::texts {

inline constexpr Text kCaptionError{"Error", "Error"};
inline constexpr Text kCaptionErrorBang{"Error!", "Error!"};
inline constexpr Text kCaptionErrorCaps{"ERROR!", "ERROR!"};
inline constexpr Text kCaptionErrorColon{"ERROR:", "ERROR:"};
inline constexpr Text kCaptionWarningBang{"Warning!", "Warning!"};
inline constexpr Text kCaptionWarningColon{"Warning:", "Warning:"};
inline constexpr Text kCaptionInfo{"Info:", "Info:"};
inline constexpr Text kCaptionNone{"", ""};

}  // namespace kvr::texts
