#pragma once

#include "res/language.h"

// Texts of the command line's own (the message boxes keep theirs). %1
// stands for the value filled in.
namespace kvr::texts {

inline constexpr Text kCliSimulated{"(simulated)", "(simuliert)"};
inline constexpr Text kCliNotPresent{"(not present)", "(nicht vorhanden)"};
inline constexpr Text kCliChosenPort{"(blsetup.cfg)", "(blsetup.cfg)"};
inline constexpr Text kCliNoDifferences{"no differences", "keine Unterschiede"};
inline constexpr Text kCliWritten{"OK: settings written", "OK: Einstellungen geschrieben"};
inline constexpr Text kCliChecked{"OK: the controller would take these settings; nothing written",
                                  "OK: Der Regler w\u00fcrde diese Einstellungen annehmen; nichts "
                                  "geschrieben"};
inline constexpr Text kCliSaved{"settings saved to %1", "Einstellungen gespeichert in %1"};
inline constexpr Text kCliUpdateNotConfirmed{
    "update: not started, nothing was sent. The update asks \"%1\" first; run it again with "
    "--yes to answer OK.",
    "update: nicht gestartet, nichts gesendet. Das Update fragt zuerst \"%1\"; mit --yes "
    "erneut aufrufen, um mit OK zu antworten."};
inline constexpr Text kCliUpdateDone{"update: done", "update: fertig"};
inline constexpr Text kCliAnsweredOk{"answered OK (--yes)", "mit OK beantwortet (--yes)"};
inline constexpr Text kCliAnsweredCancel{"answered Cancel (no --yes)",
                                         "mit Abbrechen beantwortet (kein --yes)"};
inline constexpr Text kCliNoPulses{"rev: no pulses from the motor within 10 s",
                                   "rev: keine Impulse vom Motor in 10 s"};
inline constexpr Text kCliRpmNotSetUp{
    "rpm: the controller holds no top speed yet; give one with --rotor-rpm",
    "rpm: Der Regler hat noch keine H\u00f6chstdrehzahl; mit --rotor-rpm angeben"};
inline constexpr Text kCliRpmNeedsRotor{
    "rpm: without a stored top speed, --rotor-rpm is needed",
    "rpm: ohne gespeicherte H\u00f6chstdrehzahl ist --rotor-rpm n\u00f6tig"};
inline constexpr Text kCliOn{"on", "ein"};
inline constexpr Text kCliOff{"off", "aus"};
inline constexpr Text kCliLockFailed{"lock: the locks were not written",
                                     "lock: die Sperren wurden nicht geschrieben"};

}  // namespace kvr::texts
