#pragma once

#include <cstddef>
#include <vector>

#include "res/templates.h"

namespace kvr::res {

// How many columns a dialog's group boxes fill: as many as the template's
// width suggests (one to three), never more than there are boxes.
std::size_t ColumnCount(const DialogTemplate& t, std::size_t sections);

// The first section of each of k columns, the sections kept in order, such
// that the tallest column is as short as possible. Every front end lays out
// the templates' groups this way.
std::vector<std::size_t> BalancedColumns(const std::vector<int>& heights, std::size_t k);

}  // namespace kvr::res
