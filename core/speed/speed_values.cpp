// The speed tools' field labels, taken from their dialogs' templates.
#include "speed/speed_values.h"

#include "res/ids.h"
#include "res/templates.h"
#include "speed/speed_dialog.h"

namespace kvr {

std::string SpeedFieldLabel(Language lang, SpeedTool tool, SpeedField field) {
    const bool german = lang == Language::German;
    const int templateId = tool == SpeedTool::RevCounter
                               ? (german ? id::kRevTemplateDe : id::kRevTemplateEn)
                               : (german ? id::kRpmTemplateDe : id::kRpmTemplateEn);
    return res::ControlLabel(lang, templateId, SpeedControl(field));
}

}  // namespace kvr
