// The lock functions dialog: templates id::kLockTemplateEn and id::kLockTemplateDe.
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/templates.h"

namespace kvr::res {

extern const DialogTemplate kLockFunctionsEnTemplate;
extern const DialogTemplate kLockFunctionsDeTemplate;

namespace {

using K = ControlKind;

constexpr Text kNoText{"", ""};
constexpr Text kOptions{"Options", "Optionen"};
constexpr Text kGroups[] = {kOptions};

constexpr ControlDef kControls[] = {
    {id::kLockRcSetup,
     K::CheckBox,
     {"lock RC-setup", "RC-Setup sperren"},
     kNoText,
     kOptions,
     kDisabled},
    {id::kLockTestProgram,
     K::CheckBox,
     {"lock testprogram", "Testprogramm sperren"},
     kNoText,
     kOptions,
     kDisabled},
    {id::kLockRead,
     K::PushButton,
     {"Read", "Lesen"},
     kNoText,
     kNoText,
     kDefaultButton | kFirstOfGroup},
    {id::kLockWrite, K::PushButton, {"Write", "Schreiben"}, kNoText, kNoText, kDisabled},
    {id::kEnd, K::PushButton, {"End", "Ende"}, kNoText, kNoText},
};

constexpr std::string_view kFont = "MS Sans Serif";

// The buttons stand in a column right of the group box; the German Read and
// End sit a little apart from the English ones, and the German test program
// box is wider, for its longer text.
constexpr Placement kPlacesEn[] = {
    {0, {7, 13, 108, 48}, kOptions.en},       {id::kLockRcSetup, {21, 29, 79, 10}},
    {id::kLockTestProgram, {21, 41, 84, 10}}, {id::kLockRead, {135, 18, 50, 14}},
    {id::kLockWrite, {135, 38, 50, 14}},      {id::kEnd, {136, 65, 50, 14}},
};
constexpr Placement kPlacesDe[] = {
    {0, {7, 13, 108, 48}, kOptions.de},       {id::kLockRcSetup, {21, 29, 79, 10}},
    {id::kLockTestProgram, {21, 41, 90, 10}}, {id::kLockRead, {136, 18, 50, 14}},
    {id::kLockWrite, {135, 38, 50, 14}},      {id::kEnd, {136, 67, 50, 14}},
};

}  // namespace

constexpr DialogTemplate kLockFunctionsEnTemplate{id::kLockTemplateEn,
                                                  Language::English,
                                                  "Lock Functions",
                                                  208,
                                                  90,
                                                  kFont,
                                                  8,
                                                  0,
                                                  kControls,
                                                  kGroups,
                                                  true,
                                                  kPlacesEn};
constexpr DialogTemplate kLockFunctionsDeTemplate{
    id::kLockTemplateDe, Language::German, "KVR-Setup", 208,      95, kFont, 8, 0,
    kControls,           kGroups,          true,        kPlacesDe};

}  // namespace kvr::res
