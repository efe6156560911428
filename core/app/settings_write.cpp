// "Write": the form validated, encoded, sent to the controller and read back.
#include <algorithm>
#include <string>

#include "app/link_messages.h"
#include "app/settings_commands.h"
#include "app/settings_form_io.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "link/verified_writes.h"
#include "res/app_texts.h"
#include "res/connect_texts.h"
#include "res/settings_texts.h"
#include "settings/controller_settings.h"
#include "settings/settings_form.h"

namespace kvr {
namespace {

// How a refusal leaves the status line.
enum class RefusalEnd {
    Box,             // as it was
    BoxThenDisable,  // disabled
    BoxThenClear,    // emptied and disabled
};

struct RefusalMessage {
    Refusal refusal;
    const Text* text;
    RefusalEnd end;
};

constexpr RefusalMessage kRefusals[] = {
    {Refusal::FullSpeedRange, &texts::kFullSpeedRange, RefusalEnd::Box},
    {Refusal::StopRange, &texts::kStopRange, RefusalEnd::Box},
    {Refusal::NeutralFullSpeed, &texts::kNeutralFullSpeed, RefusalEnd::Box},
    {Refusal::NeutralStop, &texts::kNeutralStop, RefusalEnd::Box},
    {Refusal::LowVoltageMissing, &texts::kLowVoltageMissing, RefusalEnd::BoxThenClear},
    {Refusal::RpmNoUndervoltageCutOff, &texts::kRpmNoUndervoltageCutOff, RefusalEnd::Box},
    {Refusal::RpmNoOvertempCutOff, &texts::kRpmNoOvertempCutOff, RefusalEnd::Box},
    {Refusal::RpmNoForwardReverse, &texts::kRpmNoForwardReverse, RefusalEnd::Box},
    {Refusal::RpmNoTurbo, &texts::kRpmNoTurbo, RefusalEnd::Box},
    {Refusal::RpmNoBrake, &texts::kRpmNoBrake, RefusalEnd::Box},
    {Refusal::ThresholdMissing, &texts::kThresholdMissing, RefusalEnd::BoxThenDisable},
    {Refusal::LipoCountRange, &texts::kLipoCountRange, RefusalEnd::BoxThenDisable},
    {Refusal::ThresholdRange, &texts::kThresholdRange, RefusalEnd::BoxThenClear},
    {Refusal::FrequencyAt8Mhz, &texts::kFrequencyAt8Mhz, RefusalEnd::BoxThenClear},
    {Refusal::AccelerationRange, &texts::kAccelerationRange, RefusalEnd::BoxThenClear},
    {Refusal::TimingMissing, &texts::kTimingMissing, RefusalEnd::BoxThenClear},
    {Refusal::BrakeMissing, &texts::kBrakeMissing, RefusalEnd::BoxThenClear},
    {Refusal::StartupPowerRange, &texts::kStartupPowerRange, RefusalEnd::BoxThenClear},
    {Refusal::LogCounterRange, &texts::kLogCounterRange, RefusalEnd::BoxThenClear},
};

// Ends a Write that did not store everything.
void ResetStatus(StatusSink& status) {
    status.Show("");
    status.Enable(false);
}

// The refusal's message: Refused.
Outcome Refuse(Program& p, StatusSink& status, Refusal refusal) {
    const auto* m =
        std::find_if(std::begin(kRefusals), std::end(kRefusals),
                     [refusal](const RefusalMessage& x) { return x.refusal == refusal; });
    if (m == std::end(kRefusals)) {
        ResetStatus(status);
        return Outcome::Refused;
    }
    p.host.MessageBox(status.Owner(), std::string(p.T(*m->text)),
                      std::string(p.T(texts::kCaptionErrorBang)), MessageButtons::Ok);
    if (m->end == RefusalEnd::BoxThenClear) ResetStatus(status);
    if (m->end == RefusalEnd::BoxThenDisable) status.Enable(false);
    return Outcome::Refused;
}

// The governor's defaults, with the link's message when they could not be
// given. True when done.
bool GiveGovernorDefaults(Program& p) {
    const GovernorDefaultsOutcome outcome = WriteGovernorDefaults(p);
    if (!outcome.repliesArrived) ShowLinkFault(p, nullptr);
    ShowWriteFailure(p, outcome.written);
    return outcome.Done();
}

// Validates the form as Write takes it: Done when it may be stored, Refused
// after the refusal's message, Failed when the governor's defaults could
// not be given (after the link's message). Defaults the governor needs stay
// in the controller even when a later check refuses; a check alone leaves
// the controller and the shared values as they are.
Outcome Validate(Program& p, StatusSink& status, const SettingsForm& form, WriteMode mode,
                 CheckedSettings& checked) {
    checked = CheckSettings(form, p.settings);
    if (mode == WriteMode::ValidateOnly) {
        return checked.refusal == Refusal::None ? Outcome::Done
                                                : Refuse(p, status, checked.refusal);
    }
    p.settings.batteryCode = checked.batteryCode;
    p.settings.lipoCount = checked.lipoCount;
    if (checked.governorDefaultsDue && !GiveGovernorDefaults(p)) {
        ResetStatus(status);
        return Outcome::Failed;
    }
    return checked.refusal == Refusal::None ? Outcome::Done : Refuse(p, status, checked.refusal);
}

// Sends the writes and reads them back: Done when every byte holds, Failed
// after the failure's message.
Outcome Store(Program& p, StatusSink& status, const SettingsForm& form,
              const EncodedSettings& encoded) {
    SettingsImage& s = p.settings;
    // The status line may still say "OK" from the Read: a Write that cannot
    // connect must not look done.
    if (ConnectLinkChecked(p) != Outcome::Done) {
        ResetStatus(status);
        return Outcome::Failed;
    }
    status.Repaint();
    status.Show(WithPath(p, p.T(texts::kWriting)));
    status.Enable(true);
    status.Repaint();

    const bool governorWasOn = (s.options & kOptRpmControl) != 0;
    s.options = encoded.options;
    std::size_t attempted = 0;
    const WriteOutcome outcome = WriteControllerBytes(p, encoded.writes, &attempted);
    ShowWriteFailure(p, outcome);
    const auto sent = encoded.writes.begin() + static_cast<long>(attempted);
    if (std::any_of(encoded.writes.begin(), sent,
                    [](const ByteWrite& x) { return x.address == RpmControlMode; })) {
        // The exit commands remind the user of a governor that was in use
        // (running, or just set up in the RPM-control dialog) and is now
        // off; a user who never uses it is not bothered.
        const bool rpmControl = form.Checked(Field::RpmControl);
        p.app.rpmControlInactive = !rpmControl && (governorWasOn || p.app.rpmControlInactive);
    }
    if (outcome == WriteOutcome::Written) return Outcome::Done;
    ResetStatus(status);
    status.Repaint();
    return Outcome::Failed;
}

}  // namespace

Outcome WriteSettings(Program& p, StatusSink& status, const SettingsForm& form, WriteMode mode) {
    p.app.statusWindow = status.Owner();
    if (SettingsReadGate(p) != Outcome::Done) return Outcome::Refused;
    // Write talks over the link Read left; it starts without a fault.
    ClearLinkFault(p);

    CheckedSettings checked;
    if (const Outcome valid = Validate(p, status, form, mode, checked); valid != Outcome::Done) {
        return valid;
    }
    if (mode == WriteMode::ValidateOnly) return Outcome::Done;

    if (const Outcome stored = Store(p, status, form, EncodeSettings(form, checked, p.settings));
        stored != Outcome::Done) {
        return stored;
    }
    status.Show(std::string(p.T(texts::kStatusOk)));
    status.Enable(false);
    status.Repaint();
    p.host.Beep();
    return Outcome::Done;
}

Outcome WriteSettings(Program& p, Window& w, WriteMode mode) {
    WindowStatus status(w);
    return WriteSettings(p, status, ReadForm(w), mode);
}

}  // namespace kvr
