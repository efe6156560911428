#pragma once

// <windows.h> for this front end. Its MessageBox macro would rename the
// Host call of the same name in every file that sees both.
#include <windows.h>
#undef MessageBox
