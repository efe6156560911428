// A serial port of Windows through the Win32 communications calls.
#pragma once

#include <functional>

#include "platform/serial_device.h"
#include "windows_api.h"

namespace kvr::win32 {

// A serial port through the Win32 communications calls: one call per seam
// call, so each line change is one EscapeCommFunction. Open takes a port
// name ("COM1".."COM8") or a device path ("\\.\..."). The read time-outs are
// Windows' own, exactly as the link sets them.
class Win32SerialDevice : public SerialDevice {
  public:
    Win32SerialDevice() = default;
    ~Win32SerialDevice() override;
    Win32SerialDevice(const Win32SerialDevice&) = delete;
    Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    KVR_SERIAL_DEVICE_CALLS;

    // Tests only: sees every device control block before SetCommState
    // applies it, since a port may not report all of it back.
    std::function<void(const DCB&)> stateHook;

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace kvr::win32
