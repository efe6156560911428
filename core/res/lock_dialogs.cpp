// The lock functions dialog: template 1229 (English) and 1230 (German).
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
                                                  kGroups};
constexpr DialogTemplate kLockFunctionsDeTemplate{
    id::kLockTemplateDe, Language::German, "KVR-Setup", 208, 95, kFont, 8, 0, kControls, kGroups};

}  // namespace kvr::res
