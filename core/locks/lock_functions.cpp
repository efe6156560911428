// The lock functions dialog: the controller's LockFlags read, and its two lock bits written.
#include "locks/lock_functions.h"

#include <string>

#include "app/command_gate.h"
#include "app/link_messages.h"
#include "app/settings_commands.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "link/verified_writes.h"
#include "locks/lock_values.h"
#include "res/connect_texts.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/settings_texts.h"
#include "settings/conversions.h"
#include "settings/settings_image.h"

namespace kvr {

namespace {

void Box(Program& p, Window* owner, const std::string& text, const Text& caption) {
    p.host.MessageBox(owner, text, std::string(p.T(caption)), MessageButtons::Ok);
}

void Box(Program& p, const Text& text, const Text& caption) {
    Box(p, nullptr, std::string(p.T(text)), caption);
}

// The status line lives in the main window; the dialog has none.
void FinishStatus(Program& p, std::string_view text) {
    Window* w = p.app.statusWindow;
    if (w == nullptr) return;
    EndStatus(*w, text);
}

void Close(Program& p, Window& dialog) {
    if (Window* w = p.app.statusWindow) {
        w->SetText(id::kStatusLine, " ");
        w->Repaint();
    }
    dialog.EndDialog(1);
}

// A reply that did not arrive ends the command with the link's message
// and a blank status line; nothing read is shown or kept.
bool RepliesArrived(Program& p, ReadRun& run) {
    if (run.End() == LinkFault::None) return true;
    ShowLinkFault(p, nullptr);
    FinishStatus(p, " ");
    return false;
}

}  // namespace

LocksRead ReadLocks(Program& p) {
    // One command, as when its button is pressed; within the dialog the
    // dialog's own.
    const CommandScope command(p);
    if (ConnectLinkChecked(p) != Outcome::Done) {
        FinishStatus(p, " ");
        return {Outcome::Failed};
    }
    SettingsImage& s = p.settings;
    ReadRun run(p);
    const int high = run.Read(VersionHigh).value & 0xFF;
    const int low = run.Read(VersionLow).value & 0xFF;
    if (!RepliesArrived(p, run)) return {Outcome::Failed};
    s.versionWord = high * 256 + low;
    s.versionText = VersionText(high, low, -1);
    if (s.versionWord == kVersionRefused) {
        Box(p, texts::kNotSetUp, texts::kCaptionErrorCaps);
        return {Outcome::Refused};
    }
    if ((s.versionWord & kVersionFamilyMask) != kVersionFamily) {
        Box(p, texts::kNotSuitable, texts::kCaptionErrorCaps);
        s.versionWord = kVersionRefused;
        return {Outcome::Refused};
    }
    const int features = run.Read(FeatureFlags).value & 0xFF;
    const int requiredLevel = run.Read(RequiredLevel).value;
    if (!RepliesArrived(p, run)) return {Outcome::Failed};
    s.features = features;
    s.versionText = VersionText(high, low, s.features);
    if (Window* w = p.app.statusWindow) w->SetText(id::kVersionText, s.versionText);
    if (requiredLevel > kProgramVersion) {
        Box(p, texts::kNeedLatestVersion, texts::kCaptionNone);
        return {Outcome::Refused};
    }
    if ((s.versionWord & 0x0FFF) < 3) {
        Box(p, texts::kLockNotAvailable, texts::kCaptionErrorCaps);
        return {Outcome::Refused};
    }
    const int lockByte = run.Read(LockFlags).value & 0xFF;
    if (!RepliesArrived(p, run)) return {Outcome::Failed};
    p.locks.lockByte = lockByte;
    p.host.Beep();
    FinishStatus(p, p.T(texts::kLockStatusOk));
    return {Outcome::Done, (lockByte & kLockRcSetupFree) == 0,
            (lockByte & kLockTestProgramFree) == 0};
}

Outcome WriteLocks(Program& p, bool lockRcSetup, bool lockTestProgram) {
    const CommandScope command(p);
    if (ConnectLinkChecked(p) != Outcome::Done) {
        FinishStatus(p, " ");
        return Outcome::Failed;
    }
    p.locks.lockByte = ApplyLockChoices(p.locks.lockByte, lockRcSetup, lockTestProgram);
    // The run reads the lock byte back: the echo vouches for one byte only.
    const WriteOutcome outcome = WriteControllerBytes(p, {{LockFlags, p.locks.lockByte}});
    if (outcome != WriteOutcome::Written) {
        ShowWriteFailure(p, outcome);
        // The dialog repeats a refused write in its own box.
        if (outcome == WriteOutcome::NotWritten) {
            Box(p, texts::kWritingError, texts::kCaptionErrorBang);
        }
        FinishStatus(p, " ");
        return Outcome::Failed;
    }
    FinishStatus(p, p.T(texts::kLockStatusOk));
    p.host.Beep();
    return Outcome::Done;
}

Outcome OpenLockFunctions(Program& p, StatusSink& status) {
    if (SettingsReadGate(p) != Outcome::Done) return Outcome::Refused;
    p.app.statusWindow = status.Owner();
    status.Enable(true);
    status.Show(std::string(p.T(texts::kConnecting)));
    status.Repaint();
    if (!InitSerialLines(p)) {
        Box(p, status.Owner(), p.link.lastErrorText, texts::kCaptionError);
        EndStatus(status, " ");
        return Outcome::Failed;
    }
    EndStatus(status, " ");
    return Outcome::Done;
}

namespace {

// The dialog's steps: the value parts, then the boxes shown.
Outcome Read(Program& p, Window& dialog) {
    const LocksRead locks = ReadLocks(p);
    if (locks.outcome != Outcome::Done) return locks.outcome;
    dialog.Enable(id::kLockRcSetup, true);
    dialog.Enable(id::kLockTestProgram, true);
    dialog.Enable(id::kLockWrite, true);
    dialog.SetCheck(id::kLockRcSetup, locks.rcSetupLocked);
    dialog.SetCheck(id::kLockTestProgram, locks.testProgramLocked);
    return Outcome::Done;
}

Outcome Write(Program& p, Window& dialog) {
    return WriteLocks(p, dialog.IsChecked(id::kLockRcSetup),
                      dialog.IsChecked(id::kLockTestProgram));
}

constexpr DialogStep kSteps[] = {{id::kLockRead, Read}, {id::kLockWrite, Write}};

}  // namespace

int ApplyLockChoices(int lockByte, bool lockRcSetup, bool lockTestProgram) {
    int value = lockByte & 0xFF & ~(kLockRcSetupFree | kLockTestProgramFree);
    if (!lockRcSetup) value |= kLockRcSetupFree;
    if (!lockTestProgram) value |= kLockTestProgramFree;
    return value;
}

int LockFunctionsDialog(Program& p, Window& dialog, DialogEvent event, int id) {
    if (event == DialogEvent::Init) return 1;
    const CommandScope command(p);
    if (command.refused()) return 0;
    switch (id) {
        case id::kOk:
        case id::kEnd:
            Close(p, dialog);
            return 1;
        default:
            return RunDialogStep(p, dialog, id, kSteps) ? 1 : 0;
    }
}

void LockFunctionsCommand(Program& p, Window& mainWindow) {
    WindowStatus status(mainWindow);
    if (OpenLockFunctions(p, status) != Outcome::Done) return;
    const int templateId = p.lang == Language::German ? id::kLockTemplateDe : id::kLockTemplateEn;
    RunCommandDialog(p, templateId, &mainWindow, [&p](Window& dialog, DialogEvent event, int id) {
        return LockFunctionsDialog(p, dialog, event, id);
    });
}

}  // namespace kvr
