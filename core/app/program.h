// One program run's state: the lower layers' context, the host and the app's own part.
#pragma once

#include "app/app_reporter.h"
#include "app/app_state.h"
#include "core_context.h"
#include "locks/lock_state.h"
#include "platform/host.h"

namespace kvr {

// The platform objects the program runs on.
struct Platform {
    Clock& clock;
    SerialDevice& serial;
    PortIo& portIo;
    Host& host;
};

// All state of one program run. Each subsystem owns its member; link, isp,
// settings and update see only the CoreContext part.
struct Program : CoreContext {
    Program(const Platform& platform, Language language)
        : CoreContext({platform.clock, platform.serial, platform.portIo}, language),
          host(platform.host),
          appReporter(*this) {
        reporter = &appReporter;
    }

    Host& host;
    AppState app;
    LockState locks;
    // Where the core's operations report; the app layer's unless a front end
    // or a test puts its own in.
    AppReporter appReporter;
};

}  // namespace kvr
