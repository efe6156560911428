// The commands a second path to the controller must serve as the serial port's own calls do.
//
// Header only: the shared support library is built without GoogleTest.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "app/update_procedure.h"
#include "isp/flash_verify.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "locks/lock_functions.h"
#include "sim_program.h"

namespace kvr::testing {

// A command on a wiring: what it does, giving its results as text (Said),
// and what a sound path says.
struct PathCase {
    std::string name;
    sim::LinkKind link;
    std::function<std::string(SimProgram&)> run;
    std::string expected;
    bool command = true;  // a command of the window: its status line names the path
};

// The program every path runs the cases on: in a folder of its own, the
// status in the window.
inline SimOptions PathOptions(sim::LinkKind link) {
    return SimOptions().On(link).InFolder().StatusInWindow();
}

// Values in the order given (a braced list is evaluated in order), then
// the link's fault.
inline std::string Said(const SimProgram& s, std::initializer_list<int> values) {
    std::string said;
    for (int v : values) said += std::to_string(v) + " ";
    return said + "fault " + std::to_string(static_cast<int>(s.p.link.fault));
}

// An update file of `bytes` bytes and its read-back.
inline std::string Update(SimProgram& s, int bytes) {
    const std::string file = (s.dir->path() / "K6123_6124.upd").string();
    WriteFileBytes(file, UpdateText(UpdateRecords(bytes, [](int a) { return a * 37 + 5; })));
    s.host.chosenFiles.push_back(file);
    const UpdateResult u = RunFirmwareUpdate(s.p, s.w);
    return Said(s,
                {static_cast<int>(u.outcome), static_cast<int>(u.check.check), u.check.differing});
}

// Write starts on read settings, as a person works.
inline std::string WriteAfterRead(SimProgram& s) {
    const int read = static_cast<int>(s.Read());
    s.w.SetText(id::kAcceleration, "7");
    return Said(s, {read, static_cast<int>(s.Write())});
}

// Byte exchanges, settings Read and Write, an update and its read-back, the
// lock byte on the bit-serial wiring; Read, Write and the update on the
// UART's.
inline const std::vector<PathCase>& PathCases() {
    using sim::LinkKind;
    const auto read = [](SimProgram& s) { return Said(s, {static_cast<int>(s.Read())}); };
    const auto update = [](SimProgram& s) { return Update(s, 150); };
    static const std::vector<PathCase> cases = {
        {"probe, read and write a byte", LinkKind::BitSerial,
         [](SimProgram& s) {
             s.Set(12, 0xA7);
             ReadRun run(s.p);
             return Said(
                 s, {ConnectLink(s.p), ProbeLink(s.p, 5, 5, 5), run.Read(12).value,
                     static_cast<int>(run.End()), WriteControllerByte(s.p, 13, 0x5C), s.Get(13)});
         },
         "0 248 167 0 0 92 fault 0", false},
        {"settings Read", LinkKind::BitSerial, read, "0 fault 0"},
        {"settings Write", LinkKind::BitSerial, WriteAfterRead, "0 0 fault 0"},
        {"update and its read-back", LinkKind::BitSerial, update, "0 0 0 fault 0"},
        {"read-back finds a changed byte", LinkKind::BitSerial,
         [](SimProgram& s) {
             std::map<int, FlashPage> pages{{1, {}}};
             pages[1].fill(0xFF);
             pages[1][3] = 0x12;
             const FlashReport f = VerifyFlash(s.p, pages, [](int) {});
             return Said(s, {static_cast<int>(f.check), f.firstDifference, f.differing});
         },
         "1 67 1 fault 0", false},
        {"lock byte", LinkKind::BitSerial,
         [](SimProgram& s) {
             s.Set(13, 0xFD);
             const int read = static_cast<int>(s.Read());
             s.p.settings.versionWord = std::min(s.p.settings.versionWord, 0x6123);
             s.PlayDialog({id::kLockRead, id::kLockWrite},
                          {id::kLockRcSetup, id::kLockTestProgram, id::kLockWrite},
                          [](FakeWindow& d, int c) {
                              if (c == id::kLockWrite) d.SetCheck(id::kLockRcSetup, true);
                          });
             LockFunctionsCommand(s.p, s.w);
             return Said(s, {read, s.Get(13)});
         },
         "0 252 fault 0"},
        {"settings Read on the UART", LinkKind::Uart, read, "0 fault 0"},
        {"settings Write on the UART", LinkKind::Uart, WriteAfterRead, "0 0 fault 0"},
        {"update on the UART", LinkKind::Uart, update, "0 0 0 fault 0"},
    };
    return cases;
}

// What a command left, and the status line's texts so far.
struct PathResult {
    std::string said, window;
    std::vector<std::uint8_t> memory, flash;
    std::vector<std::string> boxes;
    std::string status;
};

inline PathResult RunOn(SimProgram& s, const std::function<std::string(SimProgram&)>& run) {
    s.host.boxes.clear();
    PathResult r;
    r.said = run(s);
    std::ostringstream window;
    for (const auto& [control, c] : s.w.controls) {
        if (control != id::kStatusLine)
            window << control << " '" << c.text << "' " << c.enabled << "\n";
    }
    r.window = window.str();
    r.memory.assign(s.ctl().memory.begin(), s.ctl().memory.end());
    r.flash = s.ctl().flash;
    r.boxes = s.BoxTexts();
    for (const std::string& text : s.w.statusHistory) r.status += text + "|";
    return r;
}

// All but the status line, which may name the path.
inline void ExpectSame(const PathResult& path, const PathResult& reference) {
    EXPECT_EQ(path.said, reference.said);
    EXPECT_EQ(path.window, reference.window);
    EXPECT_EQ(path.memory, reference.memory);
    EXPECT_EQ(path.flash, reference.flash);
    EXPECT_EQ(path.boxes, reference.boxes);
}

}  // namespace kvr::testing
