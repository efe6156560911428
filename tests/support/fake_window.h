#pragma once

#include "platform/window_record.h"

namespace kvr::testing {

// The tests' window: the plain record of control states that the command
// line runs on too.
class FakeWindow : public WindowRecord {};

}  // namespace kvr::testing
