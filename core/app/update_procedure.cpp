// "Open Update File": the file examined, the controller restarted into its boot loader, the
// firmware sent page by page and, where the wiring allows, read back.
#include "app/update_procedure.h"

#include <map>
#include <optional>
#include <string>

#include "app/link_messages.h"
#include "app/status_line.h"
#include "app/update_file_dialogs.h"
#include "app/update_file_name.h"
#include "isp/flash_verify.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "link/verified_writes.h"
#include "res/connect_texts.h"
#include "res/update_texts.h"
#include "settings/settings_image.h"
#include "update/update_file.h"
#include "update/update_scramble.h"

namespace kvr {

namespace {

constexpr int kPageSize = 64;
constexpr int kLastPage = 255;  // the page commands carry one byte
constexpr std::size_t kRecordColon = 4;
constexpr std::size_t kRecordChecked = 9;
constexpr std::size_t kDataPos = 7;
constexpr std::uint32_t kProgressDelayMs = 1000;
constexpr int kFamilyMask = 0xF000;
constexpr int kFamily = 0x6000;

class UpdateCommand {
  public:
    UpdateCommand(Program& p, StatusSink& status, UpdateOptions options = {})
        : p_(p), status_(status), s_(p.update), options_(options) {}

    void Run();
    // The file's part of the update only: the controller is not touched.
    bool Examine();
    const UpdateResult& result() const { return result_; }

  private:
    void Status(std::string_view text) {
        status_.Show(std::string(text));
        status_.Repaint();
    }
    void EnableStatus() { status_.Enable(true); }
    int Box(const Text& text, const Text& caption, MessageButtons buttons = MessageButtons::Ok) {
        return p_.host.MessageBox(nullptr, std::string(p_.T(text)), std::string(p_.T(caption)),
                                  buttons);
    }
    void Finish() {
        // Page steps still pending on a batching device go out first.
        PlayLines(p_);
        Status(" ");
        status_.Enable(false);
        status_.Repaint();
        CloseUpdateFiles(p_);
    }
    void FinishWith(const Text& text) {
        PlayLines(p_);
        Box(text, texts::kCaptionNone);
        Finish();
    }
    // A page command the link could not vouch for ends the update as a lost
    // commit does; a device that has gone is named as such.
    void FinishLinkFault() {
        if (p_.link.fault == LinkFault::Lost || p_.link.fault == LinkFault::Driver) {
            ShowLinkFault(p_, nullptr);
            Finish();
            return;
        }
        FinishWith(texts::kUpdateCommitError);
    }

    bool ExamineFile();
    bool ReachBootLoader();
    const Text* Question();
    bool TakeFileKind();
    bool FileFitsController() const;
    bool OpenForTransfer();
    void Transfer();
    bool SendRecord();
    void CompleteTransfer();
    void BadCharacter();
    void ShowProgress();
    void WriteBackLockByte();
    bool Verified(const Text*& notVerified);

    Program& p_;
    StatusSink& status_;
    UpdateSession& s_;
    UpdateOptions options_;
    UpdateResult result_;
    // What each page got at its last selection, for the read-back.
    std::map<int, FlashPage> sent_;
};

// Unsets the running flag however the transfer ends.
class TransferScope {
  public:
    explicit TransferScope(UpdateSession& s) : s_(s) { s_.transferRunning = true; }
    ~TransferScope() { s_.transferRunning = false; }
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;

  private:
    UpdateSession& s_;
};

char LineChar(const std::string& line, std::size_t pos) {
    return pos < line.size() ? line[pos] : '\0';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void UpdateCommand::Run() {
    s_.recordTotal = 0;
    s_.recordsSent = 0;
    if (!ExamineFile() || !ReachBootLoader()) return;
    const Text* question = Question();
    if (question == nullptr || !TakeFileKind()) return;
    if (Box(*question, texts::kCaptionWarningBang, MessageButtons::OkCancel) != kIdOk) {
        result_.outcome = Outcome::Refused;
        Finish();
        return;
    }
    TransferScope running(s_);
    Transfer();
}

bool UpdateCommand::Examine() {
    if (!ExamineFile() || !TakeFileKind()) return false;
    Finish();
    return true;
}

// The file is chosen, opened and its name recorded; false when the update
// ends here (with its message).
bool UpdateCommand::ExamineFile() {
    if (p_.link.state.medium == Medium::Parallel) {
        Box(texts::kNoSerialPort, texts::kCaptionErrorCaps);
        return false;
    }
    p_.app.statusWindow = status_.Owner();
    Status(" ");
    if (!ChooseUpdateFile(p_)) return false;
    if (!OpenUpdateFileForReading(s_.path)) {
        Box(texts::kUpdateOpenError, texts::kCaptionNone);
        return false;
    }
    if (!CheckUpdateFileName(p_)) {
        p_.host.MessageBox(status_.Owner(), p_.link.lastErrorText,
                           std::string(p_.T(texts::kCaptionError)), MessageButtons::Ok);
        Finish();
        return false;
    }
    EnableStatus();
    Status(s_.baseName);
    return true;
}

// The controller is restarted into its boot loader and its version read;
// false when the update ends here.
bool UpdateCommand::ReachBootLoader() {
    // A failed connection ends with its message and a blank status line,
    // never with the file name or "connecting...." left standing.
    if (ConnectLinkChecked(p_) != Outcome::Done) {
        Finish();
        return false;
    }
    EnableStatus();
    Status(p_.T(texts::kUpdateConnecting));

    SetResetLow(p_);
    SetClockLow(p_);
    WaitMs(p_, 100);
    SetResetHigh(p_);
    WaitMs(p_, 1000);
    if (ConnectLinkChecked(p_) != Outcome::Done) {
        Finish();
        return false;
    }
    Status(WithPath(p_, p_.T(texts::kUpdateConnected)));

    ReadRun run(p_);
    const int versionHigh = run.Read(VersionHigh).value;
    const int versionLow = run.Read(VersionLow).value;
    // A version that did not arrive decides nothing.
    if (run.End() != LinkFault::None) {
        FinishLinkFault();
        return false;
    }
    p_.settings.versionWord = versionHigh * 256 + versionLow;
    return true;
}

// The question to ask before the transfer, or null when the controller or
// the file rules the update out (with its message).
const Text* UpdateCommand::Question() {
    int& version = p_.settings.versionWord;
    if (version == kVersionRefused) {
        // A controller without RC set-up cannot be checked; the user decides.
        return &texts::kUpdateNoSetup;
    }
    if ((version & kFamilyMask) != kFamily) {
        Box(texts::kNotSuitable, texts::kCaptionErrorCaps);
        version = kVersionRefused;
        return nullptr;
    }
    if (!FileFitsController()) {
        FinishWith(texts::kUpdateNotCompatible);
        return nullptr;
    }
    return &texts::kUpdateStart;
}

// The kind is taken from the file on both ways, so a scrambled file is
// never sent as text.
bool UpdateCommand::TakeFileKind() {
    const std::optional<UpdateFileKind> kind = DetermineUpdateFileKind(p_);
    if (!kind) {
        FinishWith(texts::kUpdateFileError1);
        return false;
    }
    s_.kind = *kind;
    if (*kind == UpdateFileKind::Scrambled && CheckUpdateHeader(p_) != Outcome::Done) {
        Finish();
        return false;
    }
    return true;
}

bool UpdateCommand::FileFitsController() const {
    const int version = p_.settings.versionWord;
    int first = 0;
    int second = 0;
    return (ParseHexField(s_.baseName, 1, 4, first) && first == version) ||
           (ParseHexField(s_.baseName, 6, 4, second) && second == version);
}

bool UpdateCommand::OpenForTransfer() {
    if (s_.kind == UpdateFileKind::Text) {
        if (!OpenUpdateInput(p_)) {
            FinishWith(texts::kUpdateFileError2);
            return false;
        }
        while (ReadUpdateRecord(p_) == 0) ++s_.recordTotal;
        std::rewind(s_.input.get());
        return true;
    }

    if (!OpenUpdateInput(p_)) {
        FinishWith(texts::kUpdateFileError3);
        return false;
    }
    // The header's 160 bytes count as 20 records here.
    std::uint8_t pair[8];
    while (std::fread(pair, 1, sizeof pair, s_.input.get()) == sizeof pair &&
           WordAt(pair, 4) != kEndWord) {
        ++s_.recordTotal;
    }
    s_.input.reset();
    // Seeds the key afresh for the reading below. A file that no longer
    // passes (changed since it was examined) is not sent.
    if (CheckUpdateHeader(p_) != Outcome::Done) {
        Finish();
        return false;
    }
    if (!OpenUpdateInput(p_)) {
        FinishWith(texts::kUpdateFileError3);
        return false;
    }
    if (!OpenUpdateScratch(p_, p_.app.startDirectory)) {
        Box(texts::kCannotOpenTempFile, texts::kCaptionErrorCaps);
        CloseUpdateFiles(p_);
        return false;
    }
    std::fseek(s_.input.get(), static_cast<long>(kScrambledHeaderSize), SEEK_SET);
    return true;
}

// One record of the file into the boot loader's page buffer, committing
// the page before when the record starts another; false when the update
// ends here.
bool UpdateCommand::SendRecord() {
    ++s_.recordsSent;
    const std::string& line = s_.line;
    if (LineChar(line, kRecordColon) != ':') {
        FinishWith(texts::kUpdateFileError5);
        return false;
    }
    for (std::size_t i = 0; i < kRecordChecked; ++i) {
        const char c = LineChar(line, i);
        if (c < 0x30 || c > 0x46) {
            BadCharacter();
            return false;
        }
    }
    int address = 0;
    int data = 0;
    // Characters such as ':' or '@' pass the test above but carry no
    // value; such a record is refused like a bad character.
    if (!ParseHexField(line, 0, 4, address) || !ParseHexField(line, kDataPos, 2, data)) {
        BadCharacter();
        return false;
    }
    const int page = address / kPageSize;
    const int offset = address % kPageSize;
    if (page != s_.currentPage) {
        if (s_.pageOpen && CommitPage(p_, s_.currentPage) != 0) {
            if (LinkFaulty(p_)) {
                FinishLinkFault();
            } else {
                FinishWith(texts::kUpdateCommitErrorCode1);
            }
            return false;
        }
        // A page number that does not fit the command's byte would fill
        // another page; it can never be confirmed either.
        if (page > kLastPage) {
            FinishWith(texts::kUpdateCommitErrorCode1);
            return false;
        }
        s_.currentPage = page;
        sent_[page].fill(-1);
        if (SelectPage(p_, page) != 0) {
            FinishLinkFault();
            return false;
        }
    }
    if (LoadPageByte(p_, offset, data) != 0) {
        FinishLinkFault();
        return false;
    }
    sent_[page][static_cast<std::size_t>(offset)] = data;
    s_.pageOpen = true;
    if (p_.os.clock.TickCount() - s_.startTick > kProgressDelayMs) ShowProgress();
    return true;
}

void UpdateCommand::Transfer() {
    EnableStatus();
    status_.Repaint();
    s_.startTick = p_.os.clock.TickCount();
    // From here on the controller's flash may change: settings must be read
    // again before they can be written, however the transfer ends.
    p_.settings.versionWord = kVersionRefused;
    if (!OpenForTransfer()) return;
    s_.currentPage = -1;
    s_.pageOpen = false;
    EnableStatus();
    Status(p_.T(texts::kUpdateRunning));

    while (ReadUpdateRecord(p_) == 0) {
        if (!SendRecord()) return;
    }
    CompleteTransfer();
}

// The last page committed; after the firmware's first second the lock byte
// is given back with a plain write, then the flash is read back where the
// wiring allows, and only then "OK": it stays the last word of a good
// update.
void UpdateCommand::CompleteTransfer() {
    CloseUpdateFiles(p_);
    if (!RemoveUpdateScratch(p_.app.startDirectory)) RemoveUpdateScratch(p_.app.startDirectory);
    if (s_.currentPage == -1) {
        FinishWith(texts::kUpdateFileError4);
        return;
    }
    if (CommitPage(p_, s_.currentPage) != 0) {
        FinishLinkFault();
        return;
    }
    // What a firmware written a moment ago answers at once is unknown: it
    // gets its second before the lock byte goes back.
    WaitMs(p_, 1000);
    WriteBackLockByte();
    const Text* notVerified = nullptr;
    if (!Verified(notVerified)) return;
    p_.host.Beep();
    Status(p_.T(texts::kStatusOk));
    status_.Enable(false);
    status_.Repaint();
    CloseUpdateFiles(p_);
    p_.settings.versionWord = kVersionRefused;
    result_.outcome = Outcome::Done;
    // Nothing failed: the flash just could not be read. Said once, after
    // the "OK" of the written update.
    if (notVerified != nullptr) Box(*notVerified, texts::kCaptionInfo);
}

// Bit 0 set frees the controller's RC set-up again: a plain write whose
// result is not judged, as the pages are in whatever it finds. A lock byte
// that did not arrive is not written back with invented bits.
void UpdateCommand::WriteBackLockByte() {
    ReadRun run(p_);
    const int lockByte = run.Read(LockFlags).value;
    if (run.End() == LinkFault::None)
        (void)WriteControllerByte(p_, LockFlags, (lockByte | 1) & 0xFF);
    ClearLinkFault(p_);
}

// On the Portix2 wiring the boot loader gives nothing back, so the flash is
// read through the chip's programming mode and compared with what was sent.
// The UART form has had every byte's echo. False when the update ends here
// (with its message); notVerified names why a written flash could not be
// read back.
bool UpdateCommand::Verified(const Text*& notVerified) {
    if (p_.link.state.uartLink) return true;
    if (!options_.verify) {
        result_.notVerified = true;
        return true;
    }
    // As in the transfer: the window is served and the share shown once
    // the read-back has taken a second; its own words say it is checking,
    // not writing again.
    const std::uint32_t start = p_.os.clock.TickCount();
    result_.check = VerifyFlash(p_, sent_, [this, start](int percent) {
        if (percent == 0) {
            Status(p_.T(texts::kUpdateVerifying));
            return;
        }
        if (p_.os.clock.TickCount() - start <= kProgressDelayMs) return;
        p_.host.PumpMessages();
        p_.reporter->CheckProgress(percent);
    });
    switch (result_.check.check) {
        case FlashCheck::Same:
            return true;
        case FlashCheck::Locked:
            result_.notVerified = true;
            notVerified = &texts::kUpdateNotVerifiedLocked;
            return true;
        case FlashCheck::Differs:
            FinishWith(texts::kUpdateCommitError);
            return false;
        case FlashCheck::LinkLost:
            FinishLinkFault();
            return false;
        case FlashCheck::NoConnection:
            // The chip answered the boot loader but not its programming
            // mode: something is wrong, so no "OK".
            result_.notVerified = true;
            Box(texts::kUpdateNotVerifiedNoIsp, texts::kCaptionWarningBang);
            break;
    }
    Finish();
    return false;
}

void UpdateCommand::BadCharacter() {
    Status(" ");
    EndWithError(p_, status_, texts::kUpdateFileError6);
    CloseUpdateFiles(p_);
}

void UpdateCommand::ShowProgress() {
    p_.host.PumpMessages();
    long long percent = 0;
    if (s_.recordTotal > 0) percent = static_cast<long long>(s_.recordsSent) * 100 / s_.recordTotal;
    p_.reporter->Progress(static_cast<int>(percent));
}

}  // namespace

bool ParseHexField(std::string_view text, std::size_t pos, std::size_t maxDigits, int& value) {
    std::size_t digits = 0;
    int result = 0;
    while (digits < maxDigits && pos + digits < text.size()) {
        const int d = HexDigit(text[pos + digits]);
        if (d < 0) break;
        result = result * 16 + d;
        ++digits;
    }
    if (digits == 0) return false;
    value = result;
    return true;
}

UpdateResult RunFirmwareUpdate(Program& p, StatusSink& status, UpdateOptions options) {
    // Reached again through the message pump of a running transfer.
    if (p.update.transferRunning) {
        UpdateResult refused;
        refused.outcome = Outcome::Refused;
        return refused;
    }
    UpdateCommand command(p, status, options);
    command.Run();
    return command.result();
}

UpdateResult RunFirmwareUpdate(Program& p, Window& mainWindow, UpdateOptions options) {
    WindowStatus status(mainWindow);
    return RunFirmwareUpdate(p, status, options);
}

Outcome ExamineUpdateFile(Program& p, StatusSink& status) {
    UpdateCommand command(p, status);
    return command.Examine() ? Outcome::Done : Outcome::Refused;
}

}  // namespace kvr
