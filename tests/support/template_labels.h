#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "res/templates.h"

namespace kvr::testing {

// Label and group of each control with an id, in the template's language.
struct Labelled {
    int id;
    std::string label;
    std::string group;
    bool operator==(const Labelled&) const = default;
};

inline std::vector<Labelled> LabelsOf(const res::DialogTemplate& t) {
    std::vector<Labelled> out;
    for (const res::ControlDef& c : t.controls) {
        if (c.id == 0) continue;
        out.push_back(
            {c.id, std::string(Pick(t.language, c.label)), std::string(Pick(t.language, c.group))});
    }
    return out;
}

inline void PrintTo(const Labelled& l, std::ostream* os) {
    *os << l.id << " \"" << l.label << "\" [" << l.group << "]";
}

}  // namespace kvr::testing
