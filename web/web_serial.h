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
    bool IsOpen() const override { return open_; }
    // SetState: a change of speed or framing reopens the port, as Web Serial
    // takes them only when it opens one.
    KVR_SERIAL_DEVICE_CALLS;

  private:
    bool Alive() const;

    bool open_ = false;
    SerialConfig config_;
    SerialTimeouts timeouts_;
};

}  // namespace kvr::web
