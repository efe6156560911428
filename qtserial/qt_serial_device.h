// The serial device of the Qt front end, over QSerialPort.
#pragma once

#include <memory>

#include "platform/serial_device.h"

namespace kvr::gui {

// The serial device over QSerialPort. Open takes a program port name
// ("COM1".."COM8", mapped with DeviceForCom) or a device path ("/dev/...").
class QtSerialDevice : public SerialDevice {
  public:
    QtSerialDevice();
    ~QtSerialDevice() override;

    bool IsOpen() const override;
    KVR_SERIAL_DEVICE_CALLS;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvr::gui
