// A serial port of the browser as the program's serial device: each call handed to the page.
#include "web_serial.h"

#include <emscripten.h>

#include <cstdlib>

// The port's side of each call: KvrSerial in site/page.js.
// clang-format off
EM_ASYNC_JS(int, kvr_serial_open, (int index), { return await KvrSerial.open(index) ? 1 : 0; });
EM_ASYNC_JS(void, kvr_serial_close, (), { await KvrSerial.close(); });
EM_JS(int, kvr_serial_alive, (), { return KvrSerial.alive() ? 1 : 0; });
EM_ASYNC_JS(int, kvr_serial_configure, (int baud, int bits, int parity, int stop), {
    return await KvrSerial.configure(baud, bits, parity, stop) ? 1 : 0;
});
// A line change does not wait for the port (see site/serial.js).
EM_JS(int, kvr_serial_signal, (int which, int on), {
    return KvrSerial.signal(which, on != 0) ? 1 : 0;
});
EM_ASYNC_JS(int, kvr_serial_cts, (), { return await KvrSerial.clearToSend(); });
EM_ASYNC_JS(int, kvr_serial_read, (unsigned char* buffer, int count, double interval,
                                   double multiplier, double constant), {
    const bytes = await KvrSerial.read(count, interval, multiplier, constant);
    if (bytes === null) return -1;
    HEAPU8.set(bytes, buffer);
    return bytes.length;
});
EM_ASYNC_JS(int, kvr_serial_write, (const unsigned char* buffer, int count), {
    return await KvrSerial.write(HEAPU8.slice(buffer, buffer + count)) ? 1 : 0;
});
EM_JS(char*, kvr_serial_port_name, (int index), {
    return KvrPage.cString(KvrSerial.portName(index));
});
// clang-format on

namespace kvr::web {
namespace {

// "COM1".."COM8" as 0..7; -1 for any other name.
int PortIndex(const std::string& name) {
    if (name.size() != 4 || name.compare(0, 3, "COM") != 0) return -1;
    const int n = name[3] - '1';
    return n >= 0 && n < 8 ? n : -1;
}

}  // namespace

bool WebSerial::Alive() const {
    return open_ && kvr_serial_alive() != 0;
}

bool WebSerial::Open(const std::string& name) {
    Close();
    const int index = PortIndex(name);
    if (index < 0 || kvr_serial_open(index) == 0) return false;
    open_ = true;
    // The port opens as Web Serial's default: 9600 baud, 8N1.
    config_ = SerialConfig{};
    timeouts_ = SerialTimeouts{};
    return true;
}

void WebSerial::Close() {
    if (!open_) return;
    open_ = false;
    kvr_serial_close();
}

bool WebSerial::GetState(SerialConfig& config) {
    if (!Alive()) return false;
    config = config_;
    config.keepLines = true;
    return true;
}

bool WebSerial::SetState(const SerialConfig& config) {
    if (!Alive()) return false;
    if (kvr_serial_configure(static_cast<int>(config.baudRate), config.byteSize, config.parity,
                             config.stopBits) == 0) {
        return false;
    }
    config_ = config;
    // A configuration built from zero drops DTR and RTS.
    if (!config.keepLines) {
        return SetLine(LineFunction::ClrDtr) && SetLine(LineFunction::ClrRts);
    }
    return true;
}

bool WebSerial::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!Alive()) return false;
    timeouts_ = timeouts;
    return true;
}

bool WebSerial::SetLine(LineFunction function) {
    if (!Alive()) return false;
    // 0: request to send, 1: data terminal ready, 2: break.
    switch (function) {
        case LineFunction::SetRts:
            return kvr_serial_signal(0, 1) != 0;
        case LineFunction::ClrRts:
            return kvr_serial_signal(0, 0) != 0;
        case LineFunction::SetDtr:
            return kvr_serial_signal(1, 1) != 0;
        case LineFunction::ClrDtr:
            return kvr_serial_signal(1, 0) != 0;
        case LineFunction::SetBreak:
            return kvr_serial_signal(2, 1) != 0;
        case LineFunction::ClrBreak:
            return kvr_serial_signal(2, 0) != 0;
    }
    return false;
}

bool WebSerial::GetModemStatus(std::uint32_t& status) {
    if (!Alive()) return false;
    const int cts = kvr_serial_cts();
    if (cts < 0) return false;
    status = cts != 0 ? kModemCtsOn : 0;
    return true;
}

bool WebSerial::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    if (!Alive()) return false;
    const int n = kvr_serial_read(buffer, static_cast<int>(count), timeouts_.readIntervalMs,
                                  timeouts_.readTotalMultiplierMs, timeouts_.readTotalConstantMs);
    if (n < 0) return false;
    got = static_cast<std::size_t>(n);
    return true;
}

bool WebSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    if (!Alive()) return false;
    if (kvr_serial_write(buffer, static_cast<int>(count)) == 0) return false;
    written = count;
    return true;
}

std::string BrowserPortName(int n) {
    char* name = kvr_serial_port_name(n - 1);
    std::string s(name);
    std::free(name);
    return s;
}

}  // namespace kvr::web
