#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/settings_commands.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "program.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "simulation.h"

namespace kvr::testing {

// A program on COM2 with a simulated controller behind it (virtual clock),
// and its main window as the window opens: lists filled, Write and the
// frequency display disabled.
struct SimProgram {
    explicit SimProgram(Language lang = Language::English)
        : sim(sim::ClockKind::Virtual),
          p({sim.clock(), sim.serial(), sim.portIo(), host}, lang),
          controller(sim.controller()) {
        p.link.state.medium = Medium::Serial;
        p.link.state.comDeviceName = "COM2";
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

    int Read() { return ReadSettings(p, w); }
    int Write() { return WriteSettings(p, w); }

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

    sim::Simulation sim;
    FakeHost host;
    FakeWindow w;
    Program p;
    sim::Controller& controller;
};

}  // namespace kvr::testing
