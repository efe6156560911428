// "Open Update File": the firmware update from the chosen file into the controller's flash.
#pragma once

#include "app/program.h"
#include "app/status_sink.h"
#include "isp/flash_verify.h"

namespace kvr {

// The main window's command "Open Update File": chooses an update file,
// restarts the controller into its boot mode and sends the firmware page by
// page. Commands that arrive while the transfer pumps window messages must
// be dropped by the caller while p.update.transferRunning is set; a nested
// call of this command returns at once.
struct UpdateOptions {
    // Read the flash back on the Portix2 wiring. Off only for a boot loader
    // known to store some byte other than sent (a patched reset vector),
    // which the read-back would take for a failed update.
    bool verify = true;
};

// How the update ended. `outcome`: Done when every page was sent and
// committed (and read back as sent, where that was done); Refused when the
// user cancelled it at its question; Failed otherwise. `notVerified`: every
// page went in, but the flash was not read back (the chip's lock bits forbid
// it, its programming mode did not answer, or the read-back was off).
struct UpdateResult {
    Outcome outcome = Outcome::Failed;
    bool notVerified = false;
    // The read-back's findings, where it ran.
    FlashReport check;
};

// The update with its status texts in `status`; its messages are boxes of
// the host's.
UpdateResult RunFirmwareUpdate(Program& p, StatusSink& status, UpdateOptions options = {});
// The window's command: the status line of the main window.
UpdateResult RunFirmwareUpdate(Program& p, Window& mainWindow, UpdateOptions options = {});

// The update as far as it goes without the controller: the file is chosen,
// opened, its name, kind and header examined, with the update's messages
// where one fails. Done when the update would go on to restart the
// controller; Refused otherwise.
Outcome ExamineUpdateFile(Program& p, StatusSink& status);

// Reads up to maxDigits hexadecimal digits (either case) from position pos
// of text. False when the text has no hexadecimal digit there.
bool ParseHexField(std::string_view text, std::size_t pos, std::size_t maxDigits, int& value);

}  // namespace kvr
