// A program on COM2 with a simulated controller behind it, for the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "app/settings_commands.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_window.h"
#include "file_builders.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "simulation.h"
#include "test_program.h"

namespace kvr::testing {

// How a SimProgram starts; the setters chain.
struct SimOptions {
    Language lang = Language::English;
    // The link the controller answers on; the profile's own when not given.
    std::optional<sim::LinkKind> link;
    // The main window as it opens: lists filled, Write and the frequency
    // display disabled.
    bool openWindow = true;
    // Commands show their status in the main window.
    bool statusWindow = false;
    // A fresh current folder, the start folder, holding this blsetup.cfg (as
    // MakeAt makes it: "<folder>" for a folder in its place).
    std::optional<std::string> config;
    // The port the program uses, made over the simulation (an adapter chip's
    // path); the simulated serial port itself when not given.
    std::function<SerialDevice&(sim::Simulation&)> port;

    SimOptions& In(Language l) { return lang = l, *this; }
    SimOptions& On(sim::LinkKind k) { return link = k, *this; }
    SimOptions& BareWindow() { return openWindow = false, *this; }
    SimOptions& StatusInWindow() { return statusWindow = true, *this; }
    SimOptions& Through(std::function<SerialDevice&(sim::Simulation&)> device) {
        return port = std::move(device), *this;
    }
    SimOptions& InFolder(const std::string& blsetupCfg = ConfigFile()) {
        return config = blsetupCfg, *this;
    }
};

// A program on COM2 with a simulated controller behind it (virtual clock).
// The port is watched by a spy that records nothing until told to.
struct SimProgram {
    explicit SimProgram(const SimOptions& options);
    explicit SimProgram(Language lang = Language::English) : SimProgram(SimOptions().In(lang)) {}

    Outcome Read() { return ReadSettings(p, w); }
    Outcome Write() { return WriteSettings(p, w); }

    sim::Controller& ctl() { return controller; }
    void Set(int address, int value) {
        controller.memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    }
    int Get(int address) const { return controller.memory[static_cast<std::size_t>(address)]; }
    // (address, value) of every write on the wire, in order.
    std::vector<std::pair<int, int>> Writes() const {
        std::vector<std::pair<int, int>> writes;
        for (const auto& e : controller.TraceOf('V')) writes.emplace_back(e.address, e.value);
        return writes;
    }
    std::vector<std::string> BoxTexts() const { return host.BoxTexts(); }

    // Plays the next dialog the program runs: the controls its template
    // disables, Init, then the commands in turn until the dialog ends, each
    // after `before`. A disabled button takes no click, a failure unless
    // `skipDisabled`. While it runs the dialog is openDialog; lastDialog
    // keeps its state at the end.
    using BeforeCommand = std::function<void(FakeWindow& dialog, int command)>;
    void PlayDialog(std::vector<int> commands, std::vector<int> disabledAtStart,
                    BeforeCommand before = {}, bool skipDisabled = false);

    std::unique_ptr<TempDir> dir;
    sim::Simulation sim;
    SerialSpy serial;
    FakeHost host;
    FakeWindow w;
    Program p;
    sim::Controller& controller;
    FakeWindow* openDialog = nullptr;
    const DialogProc* openDialogProc = nullptr;
    FakeWindow lastDialog;
};

inline SimProgram::SimProgram(const SimOptions& options)
    : dir(options.config ? std::make_unique<TempDir>() : nullptr),
      sim(sim::ClockKind::Virtual),
      serial(options.port ? options.port(sim) : sim.serial()),
      p({sim.clock(), serial, sim.portIo(), host}, options.lang),
      controller(sim.controller()) {
    serial.recording = false;
    p.link.state.medium = Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    if (options.link) controller.profile.link = *options.link;
    if (options.statusWindow) p.app.statusWindow = &w;
    if (dir) {
        p.app.startDirectory = dir->path();
        MakeAt(dir->path() / "blsetup.cfg", *options.config);
    }
    if (!options.openWindow) return;
    for (std::string_view entry : texts::kTimingEntries) {
        w.ComboAdd(id::kTimingList, std::string(entry));
    }
    for (const Text& entry : texts::kBrakeEntries) {
        w.ComboAdd(id::kBrakeList, std::string(p.T(entry)));
    }
    w.Enable(id::kWrite, false);
    w.Enable(id::kStatusLine, false);
    w.Enable(id::kMaxFrequency, false);
}

inline void SimProgram::PlayDialog(std::vector<int> commands, std::vector<int> disabledAtStart,
                                   BeforeCommand before, bool skipDisabled) {
    host.dialogScript = [=, this](int, Window& window, const DialogProc& proc) {
        FakeWindow& d = static_cast<FakeWindow&>(window);
        for (int id : disabledAtStart) d.controls[id].enabled = false;
        openDialog = &d;
        openDialogProc = &proc;
        EXPECT_EQ(proc(window, DialogEvent::Init, 0), 1);
        for (int c : commands) {
            if (!d.controls[c].enabled) {
                if (!skipDisabled) ADD_FAILURE() << "button " << c << " is disabled";
                continue;
            }
            if (before) before(d, c);
            proc(window, DialogEvent::Command, c);
            if (d.endResult) break;
        }
        lastDialog = d;
        openDialog = nullptr;
        return d.endResult.value_or(0);
    };
}

}  // namespace kvr::testing
