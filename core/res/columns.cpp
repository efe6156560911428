// A template's group boxes gathered in order and spread over balanced columns.
#include "res/columns.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace kvr::res {

std::size_t ColumnCount(const DialogTemplate& t, std::size_t sections) {
    const auto columns = static_cast<std::size_t>(std::clamp(t.width / 140, 1, 3));
    return std::max<std::size_t>(1, std::min(columns, sections));
}

std::vector<ControlGroup> GroupControls(const DialogTemplate& t, Language lang,
                                        std::vector<const ControlDef*>& bottomButtons) {
    std::vector<ControlGroup> groups;
    bool previousUngrouped = false;
    for (const ControlDef& c : t.controls) {
        if (!PresentIn(c, lang)) continue;
        if (IsEmpty(c.group)) {
            if (c.kind == ControlKind::PushButton) {
                bottomButtons.push_back(&c);
                continue;
            }
            if (!previousUngrouped) groups.push_back(ControlGroup{});
            groups.back().controls.push_back(&c);
            previousUngrouped = true;
            continue;
        }
        previousUngrouped = false;
        auto it = std::find_if(groups.begin(), groups.end(), [&](const ControlGroup& g) {
            return g.boxed && SameText(g.group, c.group);
        });
        if (it == groups.end()) {
            groups.push_back(ControlGroup{c.group, true, {}});
            it = std::prev(groups.end());
        }
        it->controls.push_back(&c);
    }
    return groups;
}

std::vector<std::size_t> BalancedColumns(const std::vector<int>& heights, std::size_t k) {
    const std::size_t n = heights.size();
    if (n == 0 || k == 0) return {0};
    std::vector<long> prefix(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + heights[i];
    constexpr long kInf = std::numeric_limits<long>::max();
    // best[j][i]: the tallest column when the first i sections fill j columns.
    std::vector<std::vector<long>> best(k + 1, std::vector<long>(n + 1, kInf));
    std::vector<std::vector<std::size_t>> cut(k + 1, std::vector<std::size_t>(n + 1, 0));
    best[0][0] = 0;
    for (std::size_t j = 1; j <= k; ++j) {
        for (std::size_t i = j; i <= n; ++i) {
            for (std::size_t m = j - 1; m < i; ++m) {
                if (best[j - 1][m] == kInf) continue;
                const long cost = std::max(best[j - 1][m], prefix[i] - prefix[m]);
                if (cost < best[j][i]) {
                    best[j][i] = cost;
                    cut[j][i] = m;
                }
            }
        }
    }
    std::vector<std::size_t> starts(k);
    std::size_t i = n;
    for (std::size_t j = k; j >= 1; --j) {
        starts[j - 1] = cut[j][i];
        i = cut[j][i];
    }
    return starts;
}

}  // namespace kvr::res
