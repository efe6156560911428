#include "sim_profiles.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <functional>
#include <nlohmann/json.hpp>
#include <utility>

#include "files/open_file.h"
#include "res/cli_texts.h"
#include "sim_devices.h"

namespace kvr::sim {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kPrefix = "--simulate: ";
static_assert(kPrefix.starts_with(kSimulateOption));
constexpr std::uint32_t kMaxMotorPulseHz = 2000;
// A profile file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxProfileBytes = 1 << 20;

struct NamedProfile {
    std::string_view name;
    std::string_view description;
    std::function<void(Setup&)> make;
};

void PortixAdapter(Setup& s) {
    s.profile.link = LinkKind::BitSerial;
}

void UartAdapter(Setup& s) {
    s.profile.link = LinkKind::Uart;
}

// The controllers anyone can try without hardware. The program's behaviour
// on each is in the test that goes with this table.
const std::vector<NamedProfile>& Catalogue() {
    static const std::vector<NamedProfile> profiles = {
        {"default", "Portix2 adapter, 16 MHz, set up with the transmitter, firmware 61.23 running",
         [](Setup&) {}},
        {"bit-serial", "the default: the Portix2 adapter's bit-serial link and programming mode",
         PortixAdapter},
        {"uart", "the one-wire UART adapter at 19200 baud (no Controller Info, no rev counter)",
         UartAdapter},
        {"8mhz", "an 8 MHz controller (no 15,6 kHz, other speed figures)",
         [](Setup& s) { s.memory = Controller::DefaultMemory(8); }},
        {"blank", "a blank controller: parameter memory erased, never set up",
         [](Setup& s) { s.memory.fill(0xFF); }},
        {"not-set-up", "firmware 61.23, but never set up with the transmitter",
         [](Setup& s) { s.memory[12] = 0xFF; }},
        {"other-model", "another model of the family on the Portix2 adapter (not supported)",
         [](Setup& s) {
             PortixAdapter(s);
             s.profile.probeAnswer = 0xFD;
         }},
        {"locked-chip", "Portix2 adapter, chip locked: its programming mode answers 00 01 02",
         [](Setup& s) {
             PortixAdapter(s);
             s.profile.signature = {0x00, 0x01, 0x02};
             s.profile.lockBits = 0xFC;
         }},
        {"erased-chip", "Portix2 adapter, chip erased: Controller Info warns",
         [](Setup& s) {
             PortixAdapter(s);
             s.profile.signature = {0xFF, 0xFF, 0xFF};
         }},
        {"old-firmware", "firmware 60.02, too old for the lock functions",
         [](Setup& s) {
             s.memory[32] = 0x60;
             s.memory[33] = 0x02;
         }},
        {"newer-firmware", "firmware 61.40, which needs a newer setup program",
         [](Setup& s) {
             s.memory[33] = 0x40;
             s.memory[35] = 0x26;
         }},
        {"motor[:HZ]",
         "Portix2 adapter, test program locked, a motor giving HZ pulses a second once "
         "released (200 when not given)",
         [](Setup& s) {
             PortixAdapter(s);
             s.memory[13] = 0xFD;
             s.profile.motorPulseHz = kDefaultMotorPulseHz;
         }},
        {"flaky", "UART adapter on a line that loses every 40th byte from the controller",
         [](Setup& s) {
             UartAdapter(s);
             s.faults.dropEverySentByte = 40;
         }},
        {"falls-silent", "UART adapter, a controller that answers two commands, then falls silent",
         [](Setup& s) {
             UartAdapter(s);
             s.faults.silentAfterLinkAnswers = 2;
         }},
        {"silent", "no controller behind the port", [](Setup& s) { s.profile.silent = true; }},
    };
    return profiles;
}

// The simulated controller without a profile, as --simulate always ran it.
Setup DefaultSetup() {
    return Setup{};
}

SimulateRequest Error(std::string text) {
    SimulateRequest r;
    r.kind = SimulateRequest::Kind::Error;
    r.text = std::string(kPrefix) + std::move(text);
    return r;
}

// A message that starts with the option names it as the user gave it.
SimulateRequest Said(SimulateRequest r, std::string_view option) {
    if (r.kind == SimulateRequest::Kind::Error && option != kSimulateOption) {
        r.text.replace(0, kSimulateOption.size(), option);
    }
    return r;
}

const NamedProfile* FindProfile(std::string_view name) {
    for (const NamedProfile& p : Catalogue()) {
        std::string_view own = p.name;
        if (const auto bracket = own.find('['); bracket != std::string_view::npos) {
            own = own.substr(0, bracket);
        }
        if (own == name) return &p;
    }
    return nullptr;
}

bool ParseWhole(std::string_view text, long long& value, int base = 10) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool IsHexText(std::string_view text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// A whole number written in decimal, or in hexadecimal as "0x..".
bool ParseNumberText(std::string_view text, long long& value) {
    return IsHexText(text) ? ParseWhole(text.substr(2), value, 16) : ParseWhole(text, value);
}

enum class NumberFault { None, NotWhole, OutOfRange };

// A JSON value as a whole number from min to max: a JSON integer, or a
// string "0x.." for those who think of bytes in hexadecimal.
NumberFault ReadNumber(const Json& v, long long min, long long max, long long& out) {
    long long n = 0;
    if (v.is_number_unsigned() &&
        v.get<unsigned long long>() > static_cast<unsigned long long>(max)) {
        return NumberFault::OutOfRange;
    }
    if (v.is_number_integer()) {
        n = v.get<long long>();
    } else if (!v.is_string() || !IsHexText(v.get<std::string>()) ||
               !ParseNumberText(v.get<std::string>(), n)) {
        return NumberFault::NotWhole;
    }
    if (n < min || n > max) return NumberFault::OutOfRange;
    out = n;
    return NumberFault::None;
}

// Reads the fields of one JSON object into their places, each checked
// against its range; the first fault is kept as the message.
class FieldReader {
  public:
    FieldReader(const Json& object, std::string where, std::string& error)
        : object_(object), where_(std::move(where)), error_(error) {
        if (!object_.is_object() && error_.empty()) {
            error_ = (where_.empty() ? std::string("the file") : where_) + " must be a JSON object";
        }
    }

    template <class T>
    void Number(const char* key, T& out, long long min, long long max) {
        if (const Json* v = Take(key)) NumberValue(*v, Name(key), out, min, max);
    }

    void Byte(const char* key, std::uint8_t& out) { Number(key, out, 0, 255); }

    // A value that is not a field of this object (a list's element).
    template <class T>
    void NumberValue(const Json& v, const std::string& name, T& out, long long min, long long max) {
        long long n = 0;
        switch (ReadNumber(v, min, max, n)) {
            case NumberFault::None:
                out = static_cast<T>(n);
                return;
            case NumberFault::NotWhole:
                return Fail(name + " must be a whole number");
            case NumberFault::OutOfRange:
                return Fail(name + " must be from " + std::to_string(min) + " to " +
                            std::to_string(max));
        }
    }

    void Flag(const char* key, bool& out) {
        const Json* v = Take(key);
        if (v == nullptr) return;
        if (!v->is_boolean()) return Fail(Name(key) + " must be true or false");
        out = v->get<bool>();
    }

    const Json* Take(const char* key) {
        seen_.push_back(key);
        if (!error_.empty() || !object_.is_object()) return nullptr;
        const auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }

    void Fail(const std::string& text) {
        if (error_.empty()) error_ = text;
    }

    std::string Name(const std::string& key) const {
        return where_.empty() ? key : where_ + "." + key;
    }

    // A field this program does not know is a mistake worth reporting: a
    // misspelt name would otherwise be silently ignored.
    void Finish() {
        if (!error_.empty() || !object_.is_object()) return;
        for (const auto& [key, value] : object_.items()) {
            bool known = false;
            for (const std::string& k : seen_) known = known || k == key;
            if (!known) return Fail("unknown field " + Name(key));
        }
    }

  private:
    const Json& object_;
    std::string where_;
    std::string& error_;
    std::vector<std::string> seen_;
};

void ReadProfileFields(const Json& json, Profile& p, std::string& error) {
    FieldReader f(json, "profile", error);
    if (const Json* link = f.Take("link")) {
        if (*link == "uart") {
            p.link = LinkKind::Uart;
        } else if (*link == "bit-serial") {
            p.link = LinkKind::BitSerial;
        } else {
            f.Fail("profile.link must be \"uart\" or \"bit-serial\"");
        }
    }
    f.Byte("probeAnswer", p.probeAnswer);
    f.Flag("silent", p.silent);
    f.Flag("runningAtStart", p.runningAtStart);
    f.Number("startupMs", p.startupMs, 0, 60000);
    f.Number("uartRequestsIgnored", p.uartRequestsIgnored, 0, 10);
    f.Number("uartBaud", p.uartBaud, 300, 1000000);
    f.Flag("restLevel", p.restLevel);
    f.Flag("ispPresent", p.ispPresent);
    if (const Json* sig = f.Take("signature")) {
        if (!sig->is_array() || sig->size() != 3) {
            f.Fail("profile.signature must be a list of three bytes");
        } else {
            for (std::size_t i = 0; i < 3; ++i) {
                f.NumberValue((*sig)[i], "profile.signature[" + std::to_string(i) + "]",
                              p.signature[i], 0, 255);
            }
        }
    }
    f.Byte("fuseLow", p.fuseLow);
    f.Byte("fuseHigh", p.fuseHigh);
    f.Byte("lockBits", p.lockBits);
    f.Number("motorPulseHz", p.motorPulseHz, 0, kMaxMotorPulseHz);
    f.Number("motorSpinUpMs", p.motorSpinUpMs, 0, 60000);
    f.Finish();
}

void ReadFaultFields(const Json& json, Faults& x, std::string& error) {
    FieldReader f(json, "faults", error);
    f.Flag("wrongEchoOnWrite", x.wrongEchoOnWrite);
    f.Number("wrongEchoAddress", x.wrongEchoAddress, -1, 255);
    f.Number("dropReceivedByte", x.dropReceivedByte, -1, LONG_MAX);
    f.Number("dropSentByte", x.dropSentByte, -1, LONG_MAX);
    f.Number("dropEverySentByte", x.dropEverySentByte, 0, LONG_MAX);
    f.Flag("uartNoise", x.uartNoise);
    f.Number("ispSkewBits", x.ispSkewBits, 0, 7);
    f.Number("serialVanishesAfterCalls", x.serialVanishesAfterCalls, -1, LONG_MAX);
    f.Number("lostCommitPage", x.lostCommitPage, -1, 255);
    f.Number("patchedFlashByte", x.patchedFlashByte, -1, 256 * 64 - 1);
    f.Number("silentAfterLinkAnswers", x.silentAfterLinkAnswers, -1, INT_MAX);
    f.Finish();
}

void ReadMemoryFields(const Json& json, std::array<std::uint8_t, 256>& memory, std::string& error) {
    if (!json.is_object()) {
        if (error.empty()) error = "memory must be an object of address: byte";
        return;
    }
    FieldReader f(json, "memory", error);
    for (const auto& [key, value] : json.items()) {
        long long address = -1;
        if (!ParseNumberText(key, address) || address < 0 || address > 255) {
            return f.Fail("memory: address \"" + key + "\" is not from 0 to 255");
        }
        f.NumberValue(value, f.Name(key), memory[static_cast<std::size_t>(address)], 0, 255);
    }
}

SimulateRequest Named(const NamedProfile& p, std::string_view value) {
    SimulateRequest r;
    r.setup = DefaultSetup();
    p.make(r.setup);
    r.name = std::string(value);
    if (const auto colon = value.find(':'); colon != std::string_view::npos) {
        long long hz = 0;
        if (!ParseWhole(value.substr(colon + 1), hz) || hz < 1 || hz > kMaxMotorPulseHz) {
            return Error(std::string(value) + ": the pulse rate must be a whole number from 1 to " +
                         std::to_string(kMaxMotorPulseHz));
        }
        r.setup.profile.motorPulseHz = static_cast<std::uint32_t>(hz);
    }
    return r;
}

}  // namespace

std::string ProfileList() {
    constexpr std::size_t kNameColumn = 16;
    std::string text;
    for (const NamedProfile& p : Catalogue()) {
        std::string line(p.name);
        line.resize(std::max(kNameColumn, line.size() + 1), ' ');
        text += line + std::string(p.description) + "\n";
    }
    return text;
}

namespace {

SimulateRequest ReadProfileText(const std::string& text, const std::string& source,
                                std::string_view option) {
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::exception& e) {
        // A syntax error, and also a number no double holds (1e400).
        return Error(source + " is not a profile file: " + e.what());
    }
    std::string error;
    SimulateRequest r;
    r.setup = DefaultSetup();
    r.name = source;
    FieldReader top(json, "", error);
    if (const Json* base = top.Take("base")) {
        const NamedProfile* p = base->is_string() ? FindProfile(base->get<std::string>()) : nullptr;
        if (p == nullptr) {
            top.Fail("base must name a profile (" + std::string(option) + "=list shows them)");
        } else {
            p->make(r.setup);
        }
    }
    int clockMhz = 0;
    top.Number("clockMhz", clockMhz, 8, 16);
    if (error.empty() && clockMhz != 0 && clockMhz != 8 && clockMhz != 16) {
        error = "clockMhz must be 8 or 16";
    }
    if (clockMhz != 0) r.setup.memory = Controller::DefaultMemory(clockMhz);
    bool blank = false;
    top.Flag("blank", blank);
    if (blank) r.setup.memory.fill(0xFF);
    if (const Json* memory = top.Take("memory")) ReadMemoryFields(*memory, r.setup.memory, error);
    if (const Json* profile = top.Take("profile"))
        ReadProfileFields(*profile, r.setup.profile, error);
    if (const Json* faults = top.Take("faults")) ReadFaultFields(*faults, r.setup.faults, error);
    top.Finish();
    if (!error.empty()) return Error(source + ": " + error);
    return r;
}

SimulateRequest ParseValue(std::string_view value, std::string_view option);

}  // namespace

SimulateRequest ReadProfileFile(const std::string& text, const std::string& source,
                                std::string_view option) {
    return Said(ReadProfileText(text, source, option), option);
}

SimulateRequest ParseSimulate(std::string_view value, std::string_view option) {
    return Said(ParseValue(value, option), option);
}

std::optional<std::string> SimulateArgument(int argc, const char* const* argv) {
    constexpr std::string_view kOption = "--simulate";
    std::optional<std::string> value;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == kOption) {
            value.emplace();
        } else if (arg.size() > kOption.size() && arg.substr(0, kOption.size()) == kOption &&
                   arg[kOption.size()] == '=') {
            value = std::string(arg.substr(kOption.size() + 1));
        }
    }
    return value;
}

namespace {

SimulateRequest ParseValue(std::string_view value, std::string_view option) {
    if (value.empty()) value = "default";
    if (value == "list") {
        SimulateRequest r;
        r.kind = SimulateRequest::Kind::List;
        r.text = ProfileList();
        return r;
    }
    const std::string_view name = value.substr(0, value.find(':'));
    if (const NamedProfile* p = FindProfile(name)) {
        if (name != value && p->name.find('[') == std::string_view::npos) {
            return Error(std::string(value) + ": the profile " + std::string(name) +
                         " takes no value");
        }
        return Named(*p, value);
    }
    const std::string path(value);
    std::string text;
    switch (ReadRegularFile(PathFromUtf8(path), kMaxProfileBytes, text)) {
        case FileCheck::Regular:
            break;
        case FileCheck::Missing:
            return Error("no profile or file named '" + path + "' (" + std::string(option) +
                         "=list shows the profiles)");
        case FileCheck::Folder:
            return Error("'" + path + "' is a folder");
        case FileCheck::NotAFile:
            return Error("'" + path + "' is not a file (a device or a pipe)");
        case FileCheck::TooLarge:
            return Error("'" + path + "' is too large for a profile file (over 1 MiB)");
        case FileCheck::Unreadable:
            return Error("cannot read '" + path + "'");
    }
    SimulateRequest r = ReadProfileText(text, "'" + path + "'", option);
    r.name = path;
    return r;
}

}  // namespace

void ApplySetup(const Setup& setup, Controller& controller) {
    controller.profile = setup.profile;
    controller.faults = setup.faults;
    controller.memory = setup.memory;
}

std::unique_ptr<Simulation> StartSimulation(const Setup& setup, ClockKind clock) {
    auto simulation = std::make_unique<Simulation>(clock);
    ApplySetup(setup, simulation->controller());
    simulation->simPortIo().driverPresent = false;
    return simulation;
}

std::string SimulatedTitleSuffix(const SimulateRequest& request, Language lang) {
    // The word the Port menu says "(simulated)" with, in the same language.
    std::string_view word = Pick(lang, texts::kCliSimulated);
    word = word.substr(1, word.size() - 2);
    const std::string said(word);
    return request.name == "default" ? " [" + said + "]" : " [" + said + ": " + request.name + "]";
}

SimulateChoice ReadSimulateOption(int argc, const char* const* argv, const TellFunction& tell,
                                  std::string_view option) {
    SimulateChoice choice;
    const std::optional<std::string> value = SimulateArgument(argc, argv);
    if (!value) return choice;
    choice.simulated = true;
    choice.request = ParseSimulate(*value, option);
    if (choice.request.kind == SimulateRequest::Kind::List) {
        tell(choice.request.text, false);
        choice.exitStatus = 0;
    } else if (choice.request.kind == SimulateRequest::Kind::Error) {
        tell(choice.request.text, true);
        choice.exitStatus = 2;
    }
    return choice;
}

DevicesMaker ChooseDevices(bool simulated, const Setup& setup, ClockKind clock, DevicesMaker real) {
    if (!simulated) return real;
    return [setup, clock]() -> std::unique_ptr<Devices> { return StartSimulation(setup, clock); };
}

DevicesMaker ChooseDevices(const SimulateChoice& choice, DevicesMaker real) {
    return ChooseDevices(choice.simulated, choice.request.setup, ClockKind::Real, std::move(real));
}

}  // namespace kvr::sim
