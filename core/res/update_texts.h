#pragma once

#include "res/captions.h"
#include "res/language.h"
#include "res/settings_texts.h"

// Texts of the firmware update. Most read the same in both builds; several
// are German in both.
namespace kvr::texts {

inline constexpr Text kUpdateFilter{"*.upd", "*.upd"};
inline constexpr Text kUpdateDialogTitle{"Open a File", "Open a File"};
inline constexpr Text kUpdateNameError{"Open Error!", "Open Error!"};
inline constexpr Text kUpdateConfigError{"Open Error 'blsetup.cfg'!", "Open Error 'blsetup.cfg'!"};
inline constexpr Text kUpdateConfigWriteError{"Write Error 'blsetup.cfg'!",
                                              "Write Error 'blsetup.cfg'!"};
inline constexpr Text kCannotOpenInputFile{"Cannot open input file", "Cannot open input file"};
inline constexpr Text kWrongFile{"wrong file!", "wrong file!"};

inline constexpr Text kUpdateOpenError{"open error!", "open error!"};
inline constexpr Text kUpdateConnecting{"connecting....", "connecting...."};
inline constexpr Text kUpdateConnected{"connected", "connected"};
inline constexpr Text kUpdateNoSetup{
    "Kompatibilität nicht überprüfbar, da kein RC-Setup gemacht wurde.\n"
    "Es wird dringend empfohlen ein Setup zu machen.\n"
    "Update trotzdem ohne Setup starten?",
    "Kompatibilität nicht überprüfbar, da kein RC-Setup gemacht wurde.\n"
    "Es wird dringend empfohlen ein Setup zu machen.\n"
    "Update trotzdem ohne Setup starten?"};
inline constexpr Text kUpdateNotCompatible{"Datei nicht kompatibel!", "Datei nicht kompatibel!"};
inline constexpr Text kUpdateFileError1{"file error 1!", "file error 1!"};
inline constexpr Text kUpdateFileError2{"file error 2!", "file error 2!"};
inline constexpr Text kUpdateFileError3{"file error 3 !", "file error 3 !"};
inline constexpr Text kUpdateFileError4{"file error 4!", "file error 4!"};
inline constexpr Text kUpdateFileError5{"file error 5!", "file error 5!"};
inline constexpr Text kUpdateFileError6{"file error 6!", "file error 6!"};
inline constexpr Text kUpdateStart{"Update starten?", "Update starten?"};
inline constexpr Text kCannotOpenTempFile{"Cannot open temp-file", "Cannot open temp-file"};
inline constexpr Text kUpdateRunning{"Update laeuft", "Update laeuft"};
inline constexpr Text kUpdateCommitErrorCode1{"Read/write error - code1!",
                                              "Read/write error - code1!"};
inline constexpr Text kUpdateCommitError{"Read/write error!", "Read/write error!"};
// Reading the firmware back over the programming mode after a transfer on
// the Portix2 wiring.
inline constexpr Text kUpdateVerifying{"verifying....", "pr\u00fcfe...."};
inline constexpr Text kUpdateNotVerifiedLocked{
    "The update was written but not verified:\nthe chip's lock bits forbid reading its flash.",
    "Das Update wurde geschrieben, aber nicht gepr\u00fcft:\ndie Lock-Bits des Chips verbieten "
    "das Lesen des Flash-Speichers."};
inline constexpr Text kUpdateNotVerifiedNoIsp{
    "The update was written but not verified:\nthe chip's programming mode did not answer.",
    "Das Update wurde geschrieben, aber nicht gepr\u00fcft:\nder Programmiermodus des Chips "
    "antwortet nicht."};

}  // namespace kvr::texts
