// The shared window cases' words on the web page, over WebDriver in headless Chromium.
#include "web_ui.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "file_builders.h"
#include "res/ids.h"
#include "test_program.h"

extern char** environ;

namespace kvr::testing {

namespace {

using nlohmann::json;

constexpr const char* kElementKey = "element-6066-11e4-a52e-4f735466cecf";

// One request to a local HTTP server; the body of its answer.
std::string Http(int port, const std::string& method, const std::string& path,
                 const std::string& body) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("no WebDriver on port " + std::to_string(port));
    }
    const std::string request = method + " " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                "Content-Type: application/json; charset=utf-8\r\n"
                                "Content-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    // The answer ends where its length says: the driver may keep the
    // connection open.
    std::string answer;
    char buffer[65536];
    std::size_t start = std::string::npos;
    std::size_t length = std::string::npos;
    while (start == std::string::npos || answer.size() < start + 4 + length) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
        if (start != std::string::npos || (start = answer.find("\r\n\r\n")) == std::string::npos)
            continue;
        std::string head = answer.substr(0, start);
        for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::size_t field = head.find("content-length:");
        if (field != std::string::npos) length = std::stoul(head.substr(field + 15));
    }
    close(fd);
    if (start == std::string::npos) throw std::runtime_error("no answer to " + path);
    return answer.substr(start + 4, length);
}

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

std::string Env(const char* name, const std::string& otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

// The front window's control by id: the topmost open dialog, else the main
// window. Scripts start with these.
constexpr const char* kFront = R"(
  const dialogs = [...document.querySelectorAll("dialog.window[open]")];
  const front = dialogs.length ? dialogs.at(-1) : document.querySelector("main.window");
  const main = document.querySelector("main.window");
  const control = (root, id) => root.querySelector(`[id$="-${id}"]`);
)";

// What a user sees next: a message box, a file dialog, the end, or the
// program waiting for input.
constexpr const char* kSettle = R"(
  const done = arguments[arguments.length - 1];
  const check = () => {
    const box = document.querySelector("dialog.message");
    if (box) {
      return done({ box: { caption: box.querySelector("h2").textContent,
                           text: box.querySelector(".text").textContent,
                           owner: Number(box.dataset.owner || 0),
                           okCancel: box.querySelectorAll("button").length > 1 } });
    }
    const file = document.querySelector("dialog.file");
    if (file) {
      return done({ file: { title: file.querySelector("h2").textContent,
                            open: !!file.querySelector("input[type=file]") } });
    }
    if (!document.getElementById("ended").hidden) return done({ ended: true });
    if (typeof KvrPage !== "undefined" && KvrPage.idle() &&
        window.kvrStandIn && kvrStandIn.ready()) {
      return done({ idle: true });
    }
    setTimeout(check, 5);
  };
  check();
)";

}  // namespace

Browser::Browser() {
    port_ = FreePort();
    const std::string driver = Env("KVR_CHROMEDRIVER", "/usr/bin/chromedriver");
    const std::string portArg = "--port=" + std::to_string(port_);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = {const_cast<char*>(driver.c_str()),
                               const_cast<char*>(portArg.c_str()), nullptr};
    const int spawned =
        posix_spawn(&driver_, driver.c_str(), &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) throw std::runtime_error("cannot start " + driver);
    for (int i = 0;; ++i) {
        try {
            if (json::parse(Http(port_, "GET", "/status", ""))["value"]["ready"] == true) break;
        } catch (const std::exception&) {
            if (i == 100) throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const json options = {{"args",
                           {"--headless=new", "--no-sandbox", "--disable-gpu",
                            "--disable-dev-shm-usage", "--window-size=1200,900"}}};
    const json created =
        Request("POST", "/session",
                {{"capabilities", {{"alwaysMatch", {{"goog:chromeOptions", options}}}}}});
    session_ = created["sessionId"].get<std::string>();
}

Browser::~Browser() {
    try {
        if (!session_.empty()) Request("DELETE", "/session/" + session_, json::object());
    } catch (const std::exception&) {
        // The browser goes with its driver.
    }
    kill(driver_, SIGTERM);
    waitpid(driver_, nullptr, 0);
}

json Browser::Request(const std::string& method, const std::string& path, const json& body) {
    const std::string text = Http(port_, method, path, method == "GET" ? "" : body.dump());
    json answer = json::parse(text);
    json value = answer["value"];
    if (value.is_object() && value.contains("error")) {
        throw std::runtime_error(path + ": " + value["error"].get<std::string>() + ": " +
                                 value.value("message", std::string()));
    }
    return value;
}

json Browser::Call(const std::string& method, const std::string& path, const json& body) {
    return Request(method, "/session/" + session_ + "/" + path, body);
}

json Browser::Script(const std::string& script, const json& args) {
    return Call("POST", "execute/sync", {{"script", script}, {"args", args}});
}

json Browser::AsyncScript(const std::string& script) {
    Call("POST", "timeouts", {{"script", 120000}});
    return Call("POST", "execute/async", {{"script", script}, {"args", json::array()}});
}

json Browser::Cdp(const std::string& command, const json& params) {
    return Call("POST", "goog/cdp/execute", {{"cmd", command}, {"params", params}});
}

std::string Browser::Element(const std::string& script, const json& args) {
    const json element = Script(script, args);
    if (!element.is_object() || !element.contains(kElementKey))
        throw std::runtime_error("no element (" + element.dump() + ") of " + args.dump() + ": " +
                                 script);
    return element[kElementKey].get<std::string>();
}

void Browser::Click(const std::string& script, const json& args) {
    Call("POST", "element/" + Element(script, args) + "/click");
}

void Browser::Keys(const std::string& script, const json& args, const std::string& keys) {
    Call("POST", "element/" + Element(script, args) + "/value", {{"text", keys}});
}

WebUi::WebUi(Browser& browser, const std::string& site, Language lang, const std::string& config)
    : b_(browser), lang_(lang) {
    std::string folder = (std::filesystem::temp_directory_path() / "kvr-web-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) throw std::runtime_error("no folder for the case");
    folder_ = folder;
    b_.Cdp("Browser.setDownloadBehavior",
           {{"behavior", "allow"}, {"downloadPath", folder_.string()}});
    // Before the page: its kept blsetup.cfg, the stand-in port with eight
    // ports allowed (COM1 to COM8), and a count of the dialogs it opens.
    const std::string module = Env("KVR_STAND_IN", "build-web/stand-in/serial_stand_in.js");
    std::vector<int> bytes(config.begin(), config.end());
    for (int& byte : bytes) byte &= 0xFF;
    const std::string source =
        "localStorage.clear();\n"
        "localStorage.setItem('kvrsetup:blsetup.cfg', btoa(String.fromCharCode(..." +
        json(bytes).dump() +
        ")));\n"
        "window.kvrDialogsRun = 0;\n"
        "new MutationObserver((records) => { for (const r of records) for (const n of "
        "r.addedNodes) if (n.matches?.('dialog.window')) ++window.kvrDialogsRun; })"
        ".observe(document, { childList: true, subtree: true });\n"
        "const KVR_STAND_IN_OPTIONS = { profile: 'default', latencyMs: 0, ports: 8 };\n" +
        ReadFileBytes(module) + "\n" +
        ReadFileBytes(std::filesystem::path(KVR_WEB_TESTS_DIR) / "serial_stand_in.js");
    script_ = b_.Cdp("Page.addScriptToEvaluateOnNewDocument", {{"source", source}});
    b_.Call("POST", "url",
            {{"url", site + (lang == Language::German ? "/de.html" : "/index.html")}});
    Settle();
}

WebUi::~WebUi() {
    try {
        b_.Cdp("Page.removeScriptToEvaluateOnNewDocument", script_);
        // The next case starts on a page of its own.
        b_.Call("POST", "url", {{"url", "about:blank"}});
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void WebUi::Settle() {
    for (;;) {
        const json next = b_.AsyncScript(kSettle);
        if (next.contains("box")) {
            const json& box = next["box"];
            const int owner = box["owner"].get<int>();
            boxes_.push_back({box["caption"].get<std::string>(), box["text"].get<std::string>(),
                              owner == 0   ? BoxOwner::None
                              : owner == 1 ? BoxOwner::MainWindow
                                           : BoxOwner::Other,
                              box["okCancel"].get<bool>()});
            int answer = kIdOk;
            if (boxes_.back().okCancel && !answers_.empty()) {
                answer = answers_.front();
                answers_.pop_front();
            }
            b_.Click("return document.querySelectorAll('dialog.message button')[arguments[0]]",
                     {answer == kIdOk ? 0 : 1});
        } else if (next.contains("file")) {
            fileDialogs_.push_back(next["file"]["title"].get<std::string>());
            if (picked_.empty()) {
                b_.Click("return [...document.querySelectorAll('dialog.file button')].at(-1)");
            } else if (next["file"]["open"].get<bool>()) {
                b_.Keys("return document.querySelector('dialog.file input[type=file]')",
                        json::array(), picked_.front().string());
            } else {
                // The browser saves the download into the case's folder.
                b_.Keys("return document.querySelector('dialog.file input')", json::array(),
                        picked_.front().filename().string() + "\xee\x80\x87");  // Enter
                downloads_.push_back(folder_ / picked_.front().filename());
            }
            if (!picked_.empty()) picked_.pop_front();
        } else {
            break;
        }
    }
    // A download lands a moment after the command.
    for (const std::filesystem::path& file : downloads_) {
        for (int i = 0; i < 100 && !std::filesystem::exists(file); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    downloads_.clear();
}

json WebUi::Front(const std::string& expression, int id) {
    return b_.Script(std::string(kFront) + "const e = control(front, arguments[0]);\n" +
                         "if (!e) return null;\n" + expression,
                     {id});
}

std::string WebUi::Title() {
    return b_.Script(std::string(kFront) + "return front.querySelector('.title').textContent;")
        .get<std::string>();
}

// A control's text as shown: a field's value, a list's chosen entry, the
// words beside a check box, a button's or a static text's own.
constexpr const char* kShownText = R"(
  if (e.type === "radio" || e.type === "checkbox") return e.parentElement.textContent;
  if (e.tagName === "INPUT") return e.value;
  if (e.tagName === "SELECT") return e.selectedIndex >= 0 ? e.options[e.selectedIndex].textContent : "";
  return e.textContent;
)";

std::string WebUi::Text(int id) {
    const json text = Front(std::string("return (() => {") + kShownText + "})();", id);
    return text.is_string() ? text.get<std::string>() : "<no control>";
}

std::string WebUi::MainText(int id) {
    const json text = b_.Script(std::string(kFront) + "const e = control(main, arguments[0]);\n" +
                                    "if (!e) return null;\n" + kShownText,
                                {id});
    return text.is_string() ? text.get<std::string>() : "<no control>";
}

bool WebUi::Checked(int id) {
    return Front("return e.checked === true;", id) == true;
}

bool WebUi::Enabled(int id) {
    return Front("return e.tagName === 'DIV' ? !e.classList.contains('disabled') : !e.disabled;",
                 id) == true;
}

std::vector<std::string> WebUi::ComboItems(int id) {
    const json items = Front("return [...e.options].map((o) => o.textContent);", id);
    return items.is_array() ? items.get<std::vector<std::string>>() : std::vector<std::string>{};
}

int WebUi::ComboSel(int id) {
    const json sel = Front("return e.selectedIndex;", id);
    return sel.is_number() ? sel.get<int>() : -2;
}

void WebUi::Click(int id) {
    b_.Click(std::string(kFront) + "return control(front, arguments[0]);", {id});
    Settle();
}

void WebUi::Type(int id, const std::string& text) {
    // Control+A, release, Delete, then the text.
    b_.Keys(std::string(kFront) + "return control(front, arguments[0]);", {id},
            "\xee\x80\x89"
            "a"
            "\xee\x80\x80"
            "\xee\x80\x97" +
                text);
}

bool WebUi::MenuChecked(int id) {
    return b_.Script(
               "return document.getElementById('k1-m' + arguments[0])"
               "?.getAttribute('aria-checked') === 'true';",
               {id}) == true;
}

bool WebUi::MenuEnabled(int id) {
    return b_.Script(
               "const b = document.getElementById('k1-m' + arguments[0]);"
               "return !!b && !b.disabled;",
               {id}) == true;
}

void WebUi::Choose(int menuId) {
    const json top = b_.Script(
        "return document.getElementById('k1-m' + arguments[0])"
        "?.closest('.menu')?.querySelector('[aria-haspopup]') ?? null;",
        {menuId});
    if (!top.is_null()) {
        b_.Call("POST", "element/" + top[kElementKey].get<std::string>() + "/click");
    }
    b_.Click("return document.getElementById('k1-m' + arguments[0]);", {menuId});
    Settle();
}

bool WebUi::End() {
    Click(id::kEnd);
    if (b_.Script("return document.getElementById('ended').hidden;") == true) return false;
    // The page's folder is the browser's storage: its blsetup.cfg, copied
    // where the case looks.
    const json kept = b_.Script(
        "const kept = localStorage.getItem('kvrsetup:blsetup.cfg');"
        "return kept === null ? null : [...atob(kept)].map((c) => c.charCodeAt(0));");
    if (kept.is_array()) {
        std::string bytes;
        for (const json& c : kept) bytes.push_back(static_cast<char>(c.get<int>()));
        WriteFileBytes(folder_ / "blsetup.cfg", bytes);
    }
    return true;
}

bool WebUi::PlayDialog(int command, bool menu, int templateId, const std::function<void()>& play) {
    menu ? Choose(command) : Click(command);
    const json opened = b_.Script(
        "return document.querySelector('dialog.window[open]')?.dataset.template ?? null;");
    if (opened != std::to_string(templateId)) return false;
    play();
    Settle();
    return !DialogOpen();
}

bool WebUi::DialogOpen() {
    return b_.Script("return !!document.querySelector('dialog.window[open]');") == true;
}

bool WebUi::DialogOverMain() {
    return b_.Script(
               "return !!document.querySelector('dialog.window[open]')?.matches(':modal');") ==
           true;
}

bool WebUi::NoDialogRan() {
    return b_.Script("return window.kvrDialogsRun;") == 0;
}

void WebUi::PickFiles(const std::vector<std::filesystem::path>& files) {
    picked_.assign(files.begin(), files.end());
    fileDialogs_.clear();
}

int WebUi::Byte(int address) {
    return b_.Script("return kvrStandIn.byte(arguments[0]);", {address}).get<int>();
}

void WebUi::SetByte(int address, int value) {
    b_.Script("kvrStandIn.setByte(arguments[0], arguments[1]);", {address, value});
}

std::vector<std::uint8_t> WebUi::Flash() {
    return b_.Script("return kvrStandIn.flash();").get<std::vector<std::uint8_t>>();
}

std::vector<std::pair<int, int>> WebUi::Writes() {
    std::vector<std::pair<int, int>> writes;
    for (const json& w : b_.Script("return kvrStandIn.exchanges('V');"))
        writes.emplace_back(w[0].get<int>(), w[1].get<int>());
    return writes;
}

int WebUi::PageCommands() {
    return b_
        .Script(
            "return ['W', 'Y', 'X'].map((c) => kvrStandIn.exchanges(c).length)"
            ".reduce((a, b) => a + b);")
        .get<int>();
}

void WebUi::ForgetWire() {
    b_.Script("kvrStandIn.forgetExchanges();");
}

void WebUi::Fail(const std::string& what, const char* file, int line) {
    ADD_FAILURE_AT(file, line) << what;
}

}  // namespace kvr::testing
