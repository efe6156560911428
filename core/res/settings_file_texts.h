#pragma once

#include <string_view>

#include "res/captions.h"
#include "res/language.h"

// Texts of the settings files: "Save Settings..." and "Load Settings...".
// %1, %2 stand for the values filled in.
namespace kvr::texts {

inline constexpr Text kSaveSettingsTitle{"Save settings", "Einstellungen speichern"};
inline constexpr Text kLoadSettingsTitle{"Load settings", "Einstellungen laden"};
inline constexpr Text kSettingsFilesFilter{"Settings files", "Einstellungsdateien"};
inline constexpr std::string_view kSettingsFilePattern = "*.json";
inline constexpr std::string_view kSettingsFileExtension = "json";

// Save.
inline constexpr Text kSettingsFieldNoNumber{
    "Not saved: the field \"%1\" holds \"%2\", which is not a number.",
    "Nicht gespeichert: Das Feld \"%1\" enth\u00e4lt \"%2\", das ist keine Zahl."};
inline constexpr Text kSettingsWriteFailed{
    "Cannot write the settings file\n%1\nAny earlier file of that name is unchanged.",
    "Die Einstellungsdatei l\u00e4sst sich nicht schreiben:\n%1\nEine fr\u00fchere Datei "
    "dieses Namens ist unver\u00e4ndert."};

// Load: a refused file changes nothing.
inline constexpr Text kSettingsNotLoaded{
    "Settings not loaded from\n%1\n%2\nNothing was changed.",
    "Einstellungen nicht geladen aus\n%1\n%2\nEs wurde nichts ge\u00e4ndert."};
inline constexpr Text kSettingsCannotOpen{"The file cannot be opened.",
                                          "Die Datei l\u00e4sst sich nicht \u00f6ffnen."};
inline constexpr Text kSettingsNotJson{"The file is damaged: it is not JSON (%1).",
                                       "Die Datei ist besch\u00e4digt: kein JSON (%1)."};
inline constexpr Text kSettingsNotAFile{
    "This is not a file (a folder, a device or a pipe).",
    "Das ist keine Datei (ein Ordner, ein Ger\u00e4t oder eine Pipe)."};
inline constexpr Text kSettingsTooLarge{
    "The file is too large for a settings file (over 1 MiB).",
    "Die Datei ist zu gro\u00df f\u00fcr eine Einstellungsdatei (\u00fcber 1 MiB)."};
// Where a damaged file went wrong, for kSettingsNotJson and
// kSettingsNumberTooLarge.
inline constexpr Text kSettingsErrorPlace{"line %1, column %2", "Zeile %1, Spalte %2"};
inline constexpr Text kSettingsNumberTooLarge{
    "The file is damaged: a number is too large (%1).",
    "Die Datei ist besch\u00e4digt: eine Zahl ist zu gro\u00df (%1)."};
inline constexpr Text kSettingsForeign{"This is not a kvrsetup settings file.",
                                       "Das ist keine Einstellungsdatei von kvrsetup."};
inline constexpr Text kSettingsNewerFormat{
    "The file was made by a newer kvrsetup (format %1).",
    "Die Datei stammt von einem neueren kvrsetup (Format %1)."};
inline constexpr Text kSettingsUnknownName{"Unknown name \"%1\" in the file.",
                                           "Unbekannter Name \"%1\" in der Datei."};
inline constexpr Text kSettingsWrongType{"\"%1\" must be %2.", "\"%1\" muss %2 sein."};
inline constexpr Text kSettingsOutOfRange{"\"%1\" is out of range: %2 (allowed %3).",
                                          "\"%1\" liegt au\u00dferhalb des Bereichs: %2 "
                                          "(erlaubt %3)."};
inline constexpr Text kSettingsNotAChoice{"\"%1\" must be one of %2, not %3.",
                                          "\"%1\" muss eines von %2 sein, nicht %3."};

// What a value must be, for kSettingsWrongType.
inline constexpr Text kKindNumber{"a number or null", "eine Zahl oder null"};
inline constexpr Text kKindWholeNumber{"a whole number or null", "eine ganze Zahl oder null"};
inline constexpr Text kKindTrueFalse{"true or false", "true oder false"};
inline constexpr Text kKindName{"a name in quotes or null",
                                "ein Name in Anf\u00fchrungszeichen "
                                "oder null"};
inline constexpr Text kKindText{"a text in quotes", "ein Text in Anf\u00fchrungszeichen"};
inline constexpr Text kKindObject{"a group of names and values { }",
                                  "eine Gruppe von Namen und Werten { }"};

// Load of a file made for another controller: what applies is loaded.
inline constexpr Text kSettingsLoadedFrom{"Settings loaded from\n%1",
                                          "Einstellungen geladen aus\n%1"};
inline constexpr Text kSettingsOtherController{
    "The file was made for controller %1, this one is %2.",
    "Die Datei wurde f\u00fcr Regler %1 gemacht, dieser ist %2."};
inline constexpr Text kSettingsLeftOut{"Left out, this controller does not have it: %1",
                                       "Weggelassen, dieser Regler hat es nicht: %1"};
inline constexpr Text kSettingsNotInFile{"Not in the file, kept as read: %1",
                                         "Nicht in der Datei, wie gelesen belassen: %1"};

}  // namespace kvr::texts
