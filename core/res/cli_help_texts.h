#pragma once

#include "res/language.h"

// The command line's --help texts.
namespace kvr::texts {

inline constexpr Text kHelpProgram{
    "kvrsetup-cli: reads and writes the settings of a KVR-Duza2 speed controller, updates its "
    "firmware and shows its chip's bytes, from the command line.\n"
    "Every message of the window programs is one line \"caption: text\" on standard error. "
    "Exit status: 0 done, 1 refused or failed, 2 wrong command line.",
    "kvrsetup-cli: liest und schreibt die Einstellungen eines KVR-Duza2-Reglers, aktualisiert "
    "seine Firmware und zeigt die Bytes seines Prozessors, von der Kommandozeile.\n"
    "Jede Meldung der Fensterprogramme ist eine Zeile \"Titel: Text\" auf der "
    "Fehlerausgabe. Ende-Status: 0 erledigt, 1 abgelehnt oder fehlgeschlagen, 2 falscher "
    "Aufruf."};
inline constexpr Text kHelpHelp{"Print this help and exit", "Diese Hilfe zeigen und beenden"};
inline constexpr Text kHelpLang{"Language of the messages: en or de",
                                "Sprache der Meldungen: en oder de"};
inline constexpr Text kHelpSimulate{
    "Run on a simulated controller, in real time, instead of a real port: --simulate for the "
    "default one, --simulate=NAME for a profile, --simulate=FILE for a profile file, "
    "--simulate=list names the profiles",
    "Mit einem simulierten Regler arbeiten, in Echtzeit, statt an einem echten Port: "
    "--simulate f\u00fcr den Standard, --simulate=NAME f\u00fcr ein Profil, --simulate=DATEI "
    "f\u00fcr eine Profildatei, --simulate=list nennt die Profile"};
inline constexpr Text kHelpNoCommand{"A command is required; --help lists them.",
                                     "Ein Befehl fehlt; --help nennt sie."};
inline constexpr Text kHelpVirtualTime{
    "With --simulate: the simulated controller's clock runs only as the program works, so "
    "every command ends at once (for tests)",
    "Mit --simulate: die Uhr des simulierten Reglers l\u00e4uft nur, w\u00e4hrend das "
    "Programm arbeitet, jeder Befehl endet sofort (f\u00fcr Tests)"};
inline constexpr Text kHelpPort{
    "COM1..COM8: the port for this run; blsetup.cfg keeps its own choice",
    "COM1..COM8: der Port f\u00fcr diesen Aufruf; blsetup.cfg beh\u00e4lt seine Wahl"};
inline constexpr Text kHelpPorts{"List COM1..COM8 and the device each one opens",
                                 "COM1..COM8 und das Ger\u00e4t dahinter auflisten"};
inline constexpr Text kHelpRead{
    "Read the controller's settings and print them as name = value lines",
    "Die Einstellungen des Reglers lesen und als Zeilen Name = Wert ausgeben"};
inline constexpr Text kHelpOutput{"Write the settings to this settings file instead (JSON)",
                                  "Die Einstellungen stattdessen in diese Datei schreiben (JSON)"};
inline constexpr Text kHelpWrite{
    "Read the controller, load a settings file into the form and Write it, with the window's "
    "checks and messages",
    "Den Regler lesen, eine Einstellungsdatei laden und schreiben, mit den Pr\u00fcfungen und "
    "Meldungen des Fensters"};
inline constexpr Text kHelpSettingsFile{"Settings file (JSON)", "Einstellungsdatei (JSON)"};
inline constexpr Text kHelpDryRun{"Only check the settings; write nothing",
                                  "Die Einstellungen nur pr\u00fcfen, nichts schreiben"};
inline constexpr Text kHelpDiff{
    "Print the settings whose value in the file differs from the controller",
    "Die Einstellungen ausgeben, deren Wert in der Datei vom Regler abweicht"};
inline constexpr Text kHelpInfo{
    "Print the chip's signature, fuse and lock bytes (Controller Info)",
    "Signatur, Fuse- und Lock-Bytes des Prozessors ausgeben (Prozessor-Info)"};
inline constexpr Text kHelpUpdate{
    "Update the controller's firmware from an update file. Without --yes it only checks the "
    "file and stops before it touches the controller.",
    "Die Firmware des Reglers aus einer Update-Datei erneuern. Ohne --yes wird nur die Datei "
    "gepr\u00fcft, der Regler bleibt unber\u00fchrt."};
inline constexpr Text kHelpUpdateFile{"Update file (*.upd)", "Update-Datei (*.upd)"};
inline constexpr Text kHelpYes{"Answer the update's questions with OK and run it",
                               "Die Fragen des Updates mit OK beantworten und es ausf\u00fchren"};
inline constexpr Text kHelpRev{
    "Release the motor and print its speed for every 2-second measurement window (Portix2 "
    "adapter, test program locked)",
    "Den Motor freigeben und seine Drehzahl f\u00fcr jedes 2-Sekunden-Messfenster ausgeben "
    "(Portix2-Adapter, Testprogramm gesperrt)"};
inline constexpr Text kHelpPoles{
    "Motor pole count, stored in blsetup.cfg like the dialog's \"Save Input\"",
    "Polzahl des Motors, in blsetup.cfg gespeichert wie mit \"Werte \u00fcbernehmen\""};
inline constexpr Text kHelpRatio{
    "Gearbox ratio 1:R, stored in blsetup.cfg like the dialog's \"Save Input\"",
    "Getriebe-Untersetzung 1:R, in blsetup.cfg gespeichert wie mit \"Werte \u00fcbernehmen\""};
inline constexpr Text kHelpSeconds{
    "Stop measuring after this many seconds (0: until the motor stops)",
    "Nach so vielen Sekunden aufh\u00f6ren zu messen (0: bis der Motor steht)"};
inline constexpr Text kHelpRpm{
    "Show the speed governor's set-up; with --rotor-rpm, --p or --i, calculate and write it as "
    "the RPM-control dialog does (settings are read first)",
    "Die Einstellung der Drehzahlregelung zeigen; mit --rotor-rpm, --p oder --i berechnen und "
    "schreiben wie der Dialog (die Einstellungen werden zuerst gelesen)"};
inline constexpr Text kHelpRotorRpm{"Desired rotor (propeller) speed, rpm",
                                    "Gew\u00fcnschte Rotor-Drehzahl, U/min"};
inline constexpr Text kHelpP{"Governor P value, 1 - 5", "P-Glied, 1 - 5"};
inline constexpr Text kHelpI{"Governor I value, 1 - 5", "I-Glied, 1 - 5"};
inline constexpr Text kHelpLock{
    "Show the controller's RC-setup and test-program locks, or change them",
    "Die Sperren von RC-Setup und Testprogramm zeigen oder \u00e4ndern"};
inline constexpr Text kHelpRcSetup{"lock or free the RC set-up",
                                   "RC-Setup sperren (lock) oder freigeben (free)"};
inline constexpr Text kHelpTestProgram{"lock or free the test program",
                                       "Testprogramm sperren (lock) oder freigeben (free)"};

// The parser's own words.
inline constexpr Text kHelpUsage{"Usage", "Aufruf"};
inline constexpr Text kHelpOptions{"OPTIONS", "OPTIONEN"};
inline constexpr Text kHelpSubcommand{"SUBCOMMAND", "BEFEHL"};
inline constexpr Text kHelpRequired{"REQUIRED", "N\u00d6TIG"};
inline constexpr Text kHelpOptionsGroup{"Options", "Optionen"};
inline constexpr Text kHelpCommandsGroup{"Commands", "Befehle"};
inline constexpr Text kHelpPositionals{"Arguments", "Argumente"};

}  // namespace kvr::texts
