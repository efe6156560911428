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

    bool Open(const std::string& name) override;
    void Close() override;
    bool IsOpen() const override;
    bool GetState(SerialConfig& config) override;
    bool SetState(const SerialConfig& config) override;
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool SetLine(LineFunction function) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvr::gui
