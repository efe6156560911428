// One program run's state: the platform it runs on and each subsystem's part.
#pragma once

#include "app/app_reporter.h"
#include "app/app_state.h"
#include "isp/isp_state.h"
#include "link/link_state.h"
#include "locks/lock_state.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/port_io.h"
#include "platform/reporter.h"
#include "platform/serial_device.h"
#include "res/language.h"
#include "settings/settings_image.h"
#include "update/update_session.h"

namespace kvr {

// The platform objects the program runs on.
struct Platform {
    Clock& clock;
    SerialDevice& serial;
    PortIo& portIo;
    Host& host;
};

// All state of one program run. Each subsystem owns its member.
struct Program {
    Program(const Platform& platform, Language language)
        : os(platform), lang(language), appReporter(*this), reporter(&appReporter) {}
    // Its reporter refers to it.
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform os;
    Language lang;
    AppState app;
    LinkData link;
    IspState isp;
    SettingsImage settings;
    UpdateSession update;
    LockState locks;
    // Where the core's operations report; the app layer's unless a front end
    // or a test puts its own in.
    AppReporter appReporter;
    Reporter* reporter;

    std::string_view T(const Text& text) const { return Pick(lang, text); }
};

}  // namespace kvr
