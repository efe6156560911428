// The locks' labels, taken from the lock functions' template.
#include "locks/lock_values.h"

#include "res/ids.h"
#include "res/templates.h"

namespace kvr {

std::string LockLabel(Language lang, LockBox box) {
    const int templateId = lang == Language::German ? id::kLockTemplateDe : id::kLockTemplateEn;
    return res::ControlLabel(lang, templateId,
                             box == LockBox::RcSetup ? id::kLockRcSetup : id::kLockTestProgram);
}

}  // namespace kvr
