// A serial port of the browser (Web Serial) as the program's serial device.
#pragma once

#include <string>

#include "platform/serial_device.h"

namespace kvr::web {

// What COMn is in the browser; empty when the site has no such port.
std::string BrowserPortName(int n);

// A serial port of the browser (Web Serial): COMn is the n-th port this
// site may use. Each call is one call of the port (a line change is one
// setSignals, the CTS bit one getSignals); a port that is unplugged or a
// call that fails makes the device lost until it is opened again.
class WebSerial : public SerialDevice {
  public:
    bool Open(const std::string& name) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool GetState(SerialConfig& config) override;
    // A change of speed or framing reopens the port, as Web Serial takes
    // them only when it opens one.
    bool SetState(const SerialConfig& config) override;
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool SetLine(LineFunction function) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) override;

  private:
    bool Alive() const;

    bool open_ = false;
    SerialConfig config_;
    SerialTimeouts timeouts_;
};

}  // namespace kvr::web
