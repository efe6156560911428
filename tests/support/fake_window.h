// The tests' window: the record of control states, with the status line's history.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "res/ids.h"
#include "window_record.h"

namespace kvr::testing {

// The tests' window: the plain record of control states that the command
// line runs on too. It keeps every text of the status line and hands each
// to onStatus.
class FakeWindow : public WindowRecord {
  public:
    std::vector<std::string> statusHistory;
    std::function<void(const std::string&)> onStatus;

    void SetText(int id, const std::string& text) override {
        WindowRecord::SetText(id, text);
        if (id != id::kStatusLine) return;
        statusHistory.push_back(text);
        if (onStatus) onStatus(text);
    }
};

}  // namespace kvr::testing
