// The command line's ports on Linux: the Qt front end's serial device, which
// needs no window, only an application object.
#include <QCoreApplication>

#include "devices.h"
#include "qt_platform.h"
#include "qt_serial_device.h"
#include "serial_ports.h"

namespace kvr::cli {
namespace {

class QtDevices : public Devices {
  public:
    QtDevices(int argc, char** argv) : argc_(argc), app_(argc_, argv) {}
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    std::string DeviceForCom(int n) override { return gui::DeviceForCom(n); }

  private:
    int argc_;
    QCoreApplication app_;
    gui::QtClock clock_;
    gui::QtSerialDevice serial_;
    gui::NoPortIo portIo_;
};

}  // namespace

std::unique_ptr<Devices> OpenDevices(int argc, char** argv) {
    return std::make_unique<QtDevices>(argc, argv);
}

}  // namespace kvr::cli
