// The window cases both front ends share: each runs on a fresh program of
// its language, started on the blsetup.cfg given, through the UI driver of
// the front end under test.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace kvr::testing {

struct WindowCase {
    std::string name;
    Language lang;
    std::string config;
    std::function<void(UiDriver&)> run;
};

// A case's name where a test framework prints its parameter.
inline void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<WindowCase>& WindowCases();

// Controller Info from the main window shows the chip's box, and only it.
void ControllerInfoShowsItsBox(UiDriver& ui);

}  // namespace kvr::testing
