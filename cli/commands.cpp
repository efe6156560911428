// The command line's commands: each calls the core's value parts and prints what they return.
#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <vector>

#include "app/controller_info.h"
#include "app/settings_values.h"
#include "app/update_file_name.h"
#include "app/update_procedure.h"
#include "files/open_file.h"
#include "link/port_access.h"
#include "locks/lock_values.h"
#include "res/cli_texts.h"
#include "res/speed_texts.h"
#include "res/update_texts.h"
#include "settings/settings_text.h"
#include "sim_profiles.h"
#include "simulation.h"
#include "speed/rev_counter.h"
#include "speed/speed_values.h"
#include "update/update_file.h"

namespace kvr::cli {
namespace {

// The update's progress: a bar on a terminal, a line per percent
// elsewhere, and every other status text on a line of its own.
class Progress {
  public:
    Progress(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
    ~Progress() { EndBar(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Percent(int percent) {
        if (percent == lastPercent_) return;
        lastPercent_ = percent;
        if (!terminal_) {
            out_ << percent << '%' << std::endl;
            return;
        }
        const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
        out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << std::setw(3)
             << percent << '%' << std::flush;
        barShown_ = true;
    }

    void Status(const std::string& text) {
        const std::string shown = Trim(text);
        if (shown.empty() || shown == lastText_) return;
        lastText_ = shown;
        EndBar();
        out_ << shown << std::endl;
    }

  private:
    static constexpr int kWidth = 40;

    void EndBar() {
        if (!barShown_) return;
        out_ << std::endl;
        barShown_ = false;
    }

    std::ostream& out_;
    bool terminal_;
    int lastPercent_ = -1;
    std::string lastText_;
    bool barShown_ = false;
};

}  // namespace

Session::Session(const Options& options, int argc, char** argv, std::ostream& out,
                 std::ostream& err)
    : options_(options), out_(out), err_(err), host_(options.lang, err) {
    // The profile was checked before the session began; a wrong one leaves
    // the default controller.
    const sim::SimulateRequest request =
        options.simulate ? sim::ParseSimulate(options.simulateProfile) : sim::SimulateRequest{};
    const sim::DevicesMaker devices = sim::ChooseDevices(
        options.simulate,
        request.kind == sim::SimulateRequest::Kind::Run ? request.setup : sim::Setup{},
        options.virtualTime ? sim::ClockKind::Virtual : sim::ClockKind::Real,
        [argc, argv, fastPath = !options.noFastPath] { return OpenDevices(argc, argv, fastPath); });
    started_.emplace(devices(), host_, options.lang);
    Program& p = started_->program();
    reporter_.emplace(p);
    p.reporter = &*reporter_;

    // The one start-up, with --port's choice for this run only: the session
    // ends without saving.
    const std::string& port = options.port;
    const bool comPort =
        port.size() == 4 && port.compare(0, 3, "COM") == 0 && port[3] >= '1' && port[3] <= '8';
    ConsoleStatus status;
    StartWithoutWindow(p, status, comPort ? port[3] - '0' : 0);
}

Session::~Session() {
    // "Exit without saving": the lines at rest, the port closed, blsetup.cfg
    // as it was.
    LeaveProgram(p(), false);
    p().reporter = &p().appReporter;
}

std::string Session::FastPathNote() {
    if (!started_) return {};
    const std::string chip = p().os.serial.FastPath();
    return chip.empty() ? std::string() : Fill(Pick(options_.lang, texts::kCliFastPath), {chip});
}

std::string Session::DeviceText(int n) {
    return PortDeviceText(options_.lang, options_.simulate,
                          options_.simulate ? std::string() : started_->devices().DeviceForCom(n));
}

int RunPorts(Session& s) {
    const LinkState& link = s.p().link.state;
    for (int n = 1; n <= 8; ++n) {
        const std::string name = "COM" + std::to_string(n);
        s.out() << name << '\t' << s.DeviceText(n);
        if (link.medium == Medium::Serial && link.comDeviceName == name) {
            s.out() << '\t' << Pick(s.options().lang, texts::kCliChosenPort);
        }
        s.out() << '\n';
    }
    return kExitOk;
}

int RunRead(Session& s) {
    ConsoleStatus status;
    SettingsValues settings(s.p(), status);
    if (settings.Read() != Outcome::Done) return kExitFailed;
    if (!s.options().output.empty()) {
        if (settings.Save(s.options().output) != Outcome::Done) return kExitFailed;
        s.err() << Fill(Pick(s.options().lang, texts::kCliSaved), {s.options().output}) << '\n';
        return kExitOk;
    }
    std::vector<std::string> lines;
    if (settings.List(lines) != Outcome::Done) return kExitFailed;
    for (const std::string& line : lines) s.out() << line << '\n';
    return kExitOk;
}

int RunWrite(Session& s) {
    // What a user does in the window: Read, Load Settings..., Write.
    ConsoleStatus status;
    SettingsValues settings(s.p(), status);
    if (settings.Read() != Outcome::Done) return kExitFailed;
    if (settings.Load(s.options().file) != Outcome::Done) return kExitFailed;
    const WriteMode mode = s.options().dryRun ? WriteMode::ValidateOnly : WriteMode::Store;
    if (settings.Write(mode) != Outcome::Done) return kExitFailed;
    s.out() << Pick(s.options().lang, s.options().dryRun ? texts::kCliChecked : texts::kCliWritten)
            << '\n';
    return kExitOk;
}

int RunDiff(Session& s) {
    ConsoleStatus status;
    SettingsValues settings(s.p(), status);
    if (settings.Read() != Outcome::Done) return kExitFailed;
    std::vector<std::string> differences;
    if (settings.Compare(s.options().file, differences) != Outcome::Done) return kExitFailed;
    if (differences.empty()) {
        s.out() << Pick(s.options().lang, texts::kCliNoDifferences) << '\n';
    }
    for (const std::string& line : differences) s.out() << line << '\n';
    return kExitOk;
}

int RunInfo(Session& s) {
    ConsoleStatus status;
    const ChipInfo info = ReadChipInfo(s.p(), status);
    if (info.outcome != Outcome::Done) return kExitFailed;
    // The box with the chip's bytes is the output.
    s.out() << info.text;
    if (!info.text.empty() && info.text.back() != '\n') s.out() << '\n';
    s.out().flush();
    return kExitOk;
}

namespace {

// The update file as the window's file dialog names it: a full path, which
// blsetup.cfg records.
std::string FullPath(const std::string& file) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(PathFromUtf8(file), ec);
    if (ec) return file;
    const std::u8string text = full.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

int RunUpdate(Session& s) {
    Program& p = s.p();
    s.host().openFile = FullPath(s.options().file);
    ConsoleStatus status;
    if (!s.options().yes) {
        // Without the answer to its question the update does not begin: the
        // file is examined as the update would, the controller not touched.
        if (ExamineUpdateFile(p, status) != Outcome::Done) return kExitFailed;
        s.err() << Fill(Pick(s.options().lang, texts::kCliUpdateNotConfirmed),
                        {p.T(texts::kUpdateStart)})
                << '\n';
        return kExitFailed;
    }

    s.host().yes = true;
    Progress progress(s.out(), s.options().progressBar);
    s.reporter().onProgress = [&progress](int percent) { progress.Percent(percent); };
    status.onText = [&progress](const std::string& text) { progress.Status(text); };
    s.reporter().onStatus = status.onText;
    const UpdateResult result = RunFirmwareUpdate(p, status, {.verify = !s.options().noVerify});
    s.reporter().onStatus = nullptr;
    s.reporter().onProgress = nullptr;
    const Language lang = s.options().lang;
    if (result.check.check == FlashCheck::Differs) {
        char address[16];
        std::snprintf(address, sizeof address, "%04X", result.check.firstDifference);
        s.err() << Fill(Pick(lang, texts::kCliUpdateDiffers),
                        {address, std::to_string(result.check.differing)})
                << '\n';
    }
    if (result.notVerified) {
        if (s.options().noVerify) s.err() << Pick(lang, texts::kCliUpdateNotVerified) << '\n';
        return kExitNotVerified;
    }
    return result.outcome == Outcome::Done ? kExitOk : kExitFailed;
}

int RunRev(Session& s) {
    Program& p = s.p();
    const Options& o = s.options();
    ConsoleReporter& reporter = s.reporter();
    ConsoleStatus status;
    if (OpenRevCounter(p, status) != Outcome::Done) return kExitFailed;
    SpeedValues fields;
    (void)InitSpeedDialog(p, fields);
    if (!o.poles.empty() || !o.ratio.empty()) {
        // As typed into the dialog and taken with "Save Input".
        if (!o.poles.empty()) fields.SetText(SpeedField::PoleCount, o.poles);
        if (!o.ratio.empty()) fields.SetText(SpeedField::GearRatio, o.ratio);
        if (SaveMotorValues(p, fields) != Outcome::Done) return kExitFailed;
    }
    const auto label = [&](SpeedField field) {
        return SpeedFieldLabel(o.lang, SpeedTool::RevCounter, field);
    };
    const std::string labels[] = {label(SpeedField::Hz), label(SpeedField::ElectricalRpm),
                                  label(SpeedField::MotorRpm), label(SpeedField::RotorRpm)};
    int windows = 0;
    // The start countdown, while the motor is awaited.
    reporter.onCountdown = [&](int secondsLeft) {
        s.err() << p.T(texts::kRevSecondsLeft) << ": " << secondsLeft << std::endl;
    };
    reporter.onMeasured = [&](const SpeedFigures& speed) {
        ++windows;
        const int figures[] = {speed.hz, speed.electricalRpm, speed.motorRpm, speed.rotorRpm};
        for (int i = 0; i < 4; ++i) {
            s.out() << (i == 0 ? "" : "; ") << labels[i] << ": " << figures[i];
        }
        s.out() << std::endl;
    };
    // --seconds: the window's close button, between two windows.
    RevCounter counter(p);
    const std::uint32_t start = p.os.clock.TickCount();
    s.host().onPump = [&] {
        if (o.seconds <= 0) return;
        if (p.os.clock.TickCount() - start < static_cast<std::uint32_t>(o.seconds) * 1000u) return;
        counter.RequestStop();
    };
    counter.ReleaseMotor(fields);
    s.host().onPump = nullptr;
    reporter.onCountdown = nullptr;
    reporter.onMeasured = nullptr;
    if (windows > 0) return kExitOk;
    s.err() << Pick(o.lang, texts::kCliNoPulses) << '\n';
    return kExitFailed;
}

int RunRpm(Session& s) {
    const Options& o = s.options();
    Program& p = s.p();
    // The governor wants settings read first, as in the window.
    ConsoleStatus status;
    SettingsValues settings(p, status);
    if (settings.Read() != Outcome::Done) return kExitFailed;
    SpeedValues fields;
    if (OpenRpmControl(p, fields) != Outcome::Done) return kExitFailed;
    const auto step = [&](RpmStep button) { return RunRpmStep(p, fields, button); };
    if (!o.poles.empty() || !o.ratio.empty()) {
        // As typed into the dialog and taken with "Save Input".
        if (!o.poles.empty()) fields.SetText(SpeedField::PoleCount, o.poles);
        if (!o.ratio.empty()) fields.SetText(SpeedField::GearRatio, o.ratio);
        if (step(RpmStep::SaveInput) != Outcome::Done) return kExitFailed;
    }
    // A controller without a stored top speed asks for a rotor speed.
    const Outcome read = step(RpmStep::Read);
    if (read != Outcome::Done && read != Outcome::NotStored) return kExitFailed;
    const bool stored = read == Outcome::Done;
    const bool change = !o.rotorRpm.empty() || !o.proportional.empty() || !o.integral.empty();
    if (change) {
        if (!o.rotorRpm.empty()) {
            fields.SetText(SpeedField::RotorRpm, o.rotorRpm);
            if (step(RpmStep::Calculate) != Outcome::Done) return kExitFailed;
        } else if (!stored) {
            s.err() << Pick(o.lang, texts::kCliRpmNeedsRotor) << '\n';
            return kExitFailed;
        }
        if (!o.proportional.empty()) fields.SetText(SpeedField::Proportional, o.proportional);
        if (!o.integral.empty()) fields.SetText(SpeedField::Integral, o.integral);
        if (step(RpmStep::Write) != Outcome::Done) return kExitFailed;
    } else if (!stored) {
        s.err() << Pick(o.lang, texts::kCliRpmNotSetUp) << '\n';
        return kExitFailed;
    }
    for (const SpeedField field :
         {SpeedField::Hz, SpeedField::ElectricalRpm, SpeedField::MotorRpm, SpeedField::RotorRpm,
          SpeedField::Proportional, SpeedField::Integral}) {
        s.out() << SpeedFieldLabel(o.lang, SpeedTool::RpmControl, field) << ": "
                << Trim(fields.GetText(field, 16)) << '\n';
    }
    return kExitOk;
}

int RunLock(Session& s) {
    const Options& o = s.options();
    Program& p = s.p();
    // The lock functions want settings read first, as in the window.
    ConsoleStatus status;
    SettingsValues settings(p, status);
    if (settings.Read() != Outcome::Done) return kExitFailed;
    if (OpenLockFunctions(p, status) != Outcome::Done) return kExitFailed;
    LocksRead locks = ReadLocks(p);
    if (locks.outcome != Outcome::Done) return kExitFailed;
    if (!o.rcSetup.empty()) locks.rcSetupLocked = o.rcSetup == "lock";
    if (!o.testProgram.empty()) locks.testProgramLocked = o.testProgram == "lock";
    const bool change = !o.rcSetup.empty() || !o.testProgram.empty();
    if (change && WriteLocks(p, locks.rcSetupLocked, locks.testProgramLocked) != Outcome::Done) {
        s.err() << Pick(o.lang, texts::kCliLockFailed) << '\n';
        return kExitFailed;
    }
    for (const auto& [box, locked] : {std::pair{LockBox::RcSetup, locks.rcSetupLocked},
                                      std::pair{LockBox::TestProgram, locks.testProgramLocked}}) {
        s.out() << LockLabel(o.lang, box) << ": "
                << Pick(o.lang, locked ? texts::kCliOn : texts::kCliOff) << '\n';
    }
    return kExitOk;
}

}  // namespace kvr::cli
