// A library by the driver's name that lacks its entries: the program must
// refuse each access, not call into nothing.
#include <windows.h>

extern "C" __declspec(dllexport) ULONG WINAPI DlPortVersion() {
    return 1;
}
