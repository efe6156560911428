// The command line's ports on Linux: the Qt serial device, which needs no
// window, only an application object.
#include <QCoreApplication>

#include "devices.h"
#include "qt_platform.h"

namespace kvr::cli {
namespace {

class CliQtDevices : public gui::QtDevices {
  public:
    CliQtDevices(int argc, char** argv, bool fastPath)
        : QtDevices(fastPath), argc_(argc), app_(argc_, argv) {}

  private:
    int argc_;
    QCoreApplication app_;
};

}  // namespace

std::unique_ptr<Devices> OpenDevices(int argc, char** argv, bool fastPath) {
    return std::make_unique<CliQtDevices>(argc, argv, fastPath);
}

}  // namespace kvr::cli
