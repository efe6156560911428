// The Windows headers this front end uses, in the order they need. The
// MessageBox macro of <windows.h> would rename the Host call of the same
// name in every file that sees both.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>
// clang-format on
#undef MessageBox
