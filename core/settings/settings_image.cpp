#include "settings/settings_image.h"

#include "program.h"
#include "res/app_texts.h"
#include "res/settings_texts.h"

namespace kvr {

int SettingsReadGate(Program& p) {
    if (p.settings.versionWord <= kVersionGateLimit) return 0;
    p.os.host.MessageBox(nullptr, std::string(p.T(texts::kReadValuesFirst)),
                         std::string(p.T(texts::kCaptionErrorBang)), MessageButtons::Ok);
    return 1;
}

}  // namespace kvr
