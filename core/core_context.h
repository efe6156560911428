// What link, isp, settings and update work with: the seam, their own state, a reporter.
#pragma once

#include "isp/isp_state.h"
#include "link/link_state.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/reporter.h"
#include "platform/serial_device.h"
#include "res/language.h"
#include "settings/settings_image.h"
#include "update/update_session.h"

namespace kvr {

// The seam objects the protocol drives.
struct Seam {
    Clock& clock;
    SerialDevice& serial;
    PortIo& portIo;
};

// The lower layers' part of a program run. What they need from the app (a
// folder, a file, an answer from the user) comes as a parameter.
struct CoreContext {
    CoreContext(const Seam& seam, Language language) : os(seam), lang(language) {}
    // A reporter may refer to it.
    CoreContext(const CoreContext&) = delete;
    CoreContext& operator=(const CoreContext&) = delete;

    Seam os;
    Language lang;
    LinkData link;
    IspState isp;
    SettingsImage settings;
    UpdateSession update;
    // Where the operations report; set by whoever owns the context.
    Reporter* reporter = nullptr;

    std::string_view T(const Text& text) const { return Pick(lang, text); }
};

}  // namespace kvr
