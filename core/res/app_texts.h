#pragma once

#include <string_view>

#include "res/captions.h"
#include "res/language.h"

namespace kvr::texts {

inline constexpr Text kHelpDocument{"pc-setup-english.pdf", "pc-setup-deutsch.pdf"};
inline constexpr Text kHelpDocumentMissing{"pc-setup-english.pdf not found!",
                                           "pc-setup-deutsch.pdf not found!"};
inline constexpr Text kAboutCaption{"KVR Setup", "KVR Setup"};
inline constexpr Text kAboutCredits{
    "KVR-Duza2 Setup\n"
    "Setup program for the KVR-Duza2 brushless speed controller\n"
    "kvrsetup developers\n"
    "\n",
    "KVR-Duza2 Setup\n"
    "Setup-Programm f\u00fcr den KVR-Duza2 Brushless-Regler\n"
    "kvrsetup-Entwickler\n"
    "\n"};
inline constexpr Text kRpmControlInactive{"RPM control not active!",
                                          "Hinweis: Drehzahlregelung derzeit inaktiv!"};
// Started from the desktop menu; %1 is the folder.
inline constexpr Text kUserFolderError{
    "Cannot create or enter the folder\n%1",
    "Der Ordner l\u00e4sst sich nicht anlegen oder \u00f6ffnen:\n%1"};
inline constexpr std::string_view kServicePageAddress = "https://kvrsetup.example.org/service";

// Configuration file texts; the pole-count texts are German in both builds.
inline constexpr Text kConfigOpenError{"open error 'blsetup.cfg'", "open error 'blsetup.cfg'"};
inline constexpr Text kConfigWriteError{
    "write error 'blsetup.cfg' (disk full?): the values were not stored",
    "Schreibfehler 'blsetup.cfg' (Datentr\u00e4ger voll?): die Werte wurden nicht gespeichert"};
inline constexpr Text kConfigNotAFile{
    "'blsetup.cfg' is not a file (a folder, a device or a pipe): the port choice and the motor "
    "values cannot be kept",
    "'blsetup.cfg' ist keine Datei (ein Ordner, ein Ger\u00e4t oder eine Pipe): die Portwahl und "
    "die Motorwerte lassen sich nicht speichern"};
inline constexpr Text kPoleCountInvalid{"Polzahl: Wert nicht zul\u00e4ssig!",
                                        "Polzahl: Wert nicht zul\u00e4ssig!"};
inline constexpr Text kPoleCountOdd{"Polzahl: nur gerade Werte m\u00f6glich!",
                                    "Polzahl: nur gerade Werte m\u00f6glich!"};
inline constexpr Text kPoleCountTooBig{"Polzahl: max. 2-stellig!", "Polzahl: max. 2-stellig!"};
// The file keeps the gear ratio in at most 8 characters.
inline constexpr Text kGearRatioTooBig{"gearbox ratio: max. 99999.99!",
                                       "Getriebe-Untersetzung: max. 99999,99!"};
// The smallest ratio the file shows as itself; zero stands for 1.
inline constexpr Text kGearRatioTooSmall{"gearbox ratio: min. 0.01!",
                                         "Getriebe-Untersetzung: min. 0,01!"};

// The two combo boxes of the main window, in list order.
inline constexpr std::string_view kTimingEntries[] = {" 0\u00b0",   " 7,5\u00b0", "15,0\u00b0",
                                                      "22,5\u00b0", "30,0\u00b0", "auto"};
inline constexpr Text kBrakeEntries[] = {
    {"off", "aus"}, {"hard", "hart"}, {"medium", "mittel"}, {"soft", "weich"}};

}  // namespace kvr::texts
