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
