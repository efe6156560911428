#include "win32_platform.h"

namespace kvr::win32 {

namespace {
// The library's entries: write a 16-bit value to an I/O port, read 32 bits
// from one.
using WritePortUshort = void(WINAPI*)(ULONG port, USHORT value);
using ReadPortUlong = ULONG(WINAPI*)(ULONG port);

template <typename F>
F Entry(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // GetProcAddress returns a generic function pointer; the entry's real
    // type is the one the library documents.
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

std::uint32_t Win32Clock::TickCount() {
    return static_cast<std::uint32_t>(GetTickCount());
}

std::uint64_t Win32Clock::PreciseNs() {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    if (!QueryPerformanceCounter(&count) || !QueryPerformanceFrequency(&frequency) ||
        frequency.QuadPart <= 0) {
        return 0;
    }
    const auto c = static_cast<unsigned long long>(count.QuadPart);
    const auto f = static_cast<unsigned long long>(frequency.QuadPart);
    return (c / f) * 1000000000ull + (c % f) * 1000000000ull / f;
}

void Win32Clock::SleepUs(std::uint32_t us) {
    Sleep(us / 1000);
}

Win32Devices::Win32Devices(bool fastPath) {
    wchar_t value[8];
    const DWORD n = GetEnvironmentVariableW(L"KVR_NO_FAST_PATH", value, 8);
    const bool off = n > 0 && !(n == 1 && value[0] == L'0');
    serial_.SetFastPath(fastPath && !off);
}

Win32PortIo::Win32PortIo(std::wstring libraryName) : libraryName_(std::move(libraryName)) {}

Win32PortIo::~Win32PortIo() {
    if (module_ != nullptr) FreeLibrary(module_);
}

bool Win32PortIo::LoadDriver() {
    if (module_ == nullptr) module_ = LoadLibraryW(libraryName_.c_str());
    return module_ != nullptr;
}

bool Win32PortIo::DriverWritePortUshort(std::uint16_t port, std::uint16_t value) {
    const auto write = Entry<WritePortUshort>(module_, "DlPortWritePortUshort");
    if (write == nullptr) return false;
    write(port, value);
    return true;
}

bool Win32PortIo::DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) {
    const auto read = Entry<ReadPortUlong>(module_, "DlPortReadPortUlong");
    if (read == nullptr) return false;
    value = static_cast<std::uint32_t>(read(port));
    return true;
}

}  // namespace kvr::win32
