// The controller's side of the settings: the bytes Read takes and the
// governor parameters Write makes sane. Only the link is spoken to; what
// the user sees is the caller's.
#pragma once

#include "core_context.h"
#include "link/exchange.h"
#include "link/verified_writes.h"

namespace kvr {

// One parameter byte of the run, 0..255; vouched for only by its End.
int ReadSettingsByte(ReadRun& run, int address);

// The parameter bytes after the version checks, as read.
struct ControllerParameters {
    int clockMhz = 0;
    int fullSpeedTime = 0;
    int neutralTime = 0;
    int stopTime = 0;
    int options = 0;
    int timingCode = 0;
    int pwmCode = 0;
    int brakeLevel = 0;
    int rpmPeriod = 0;
    int lowVoltageMode = 0;
    int batteryCode = 0;
    int lipoCells = 0;
    int overtempMode = 0;
    int acceleration = 0;
    int startupPower = 0;
    int logTransmitter = 0;
    int logOvertemp = 0;
    int logUndervoltage = 0;
};

// Reads in the controller's order, in the run; the governor period (and the
// byte after it) only with RPM control on, the cell count only for a LiPo
// battery.
ControllerParameters ReadControllerParameters(ReadRun& run);

// How giving the governor its defaults ended: a reply that did not arrive
// (the link's fault left), or the outcome of the last run of writes.
struct GovernorDefaultsOutcome {
    bool repliesArrived = true;
    WriteOutcome written = WriteOutcome::Written;
    bool Done() const { return repliesArrived && written == WriteOutcome::Written; }
};

// Gives the governor sane parameters where the controller holds erased
// ones; a default is written only on a value that did arrive.
GovernorDefaultsOutcome WriteGovernorDefaults(CoreContext& p);

}  // namespace kvr
