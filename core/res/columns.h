// How every front end lays out a template's group boxes in balanced columns.
#pragma once

#include <cstddef>
#include <vector>

#include "res/templates.h"

namespace kvr::res {

// The controls of one group box, or a run of controls outside any box.
struct ControlGroup {
    Text group;
    bool boxed = false;
    std::vector<const ControlDef*> controls;
};

// The template's controls present in `lang`, by group box in order of first
// appearance; push buttons outside any box go to `bottomButtons`, the row at
// the bottom of the window.
std::vector<ControlGroup> GroupControls(const DialogTemplate& t, Language lang,
                                        std::vector<const ControlDef*>& bottomButtons);

// How many columns a dialog's group boxes fill: as many as the template's
// width suggests (one to three), never more than there are boxes.
std::size_t ColumnCount(const DialogTemplate& t, std::size_t sections);

// The first section of each of k columns, the sections kept in order, such
// that the tallest column is as short as possible. Every front end lays out
// the templates' groups this way.
std::vector<std::size_t> BalancedColumns(const std::vector<int>& heights, std::size_t k);

}  // namespace kvr::res
