// The shared window cases' words on the web page in headless Chromium,
// driven over WebDriver as a user drives it (clicks and keys), with the
// simulated controller behind the page's serial port (serial_stand_in.js).
#pragma once

#include <sys/types.h>

#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace kvr::testing {

// A WebDriver session of a chromedriver this object starts and ends.
class Browser {
  public:
    Browser();
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // A command of the session (path after /session/ID); its value, or
    // std::runtime_error with the driver's message.
    nlohmann::json Call(const std::string& method, const std::string& path,
                        const nlohmann::json& body = nlohmann::json::object());
    nlohmann::json Script(const std::string& script,
                          const nlohmann::json& args = nlohmann::json::array());
    // A script that ends by calling its last argument; up to two minutes.
    nlohmann::json AsyncScript(const std::string& script);
    nlohmann::json Cdp(const std::string& command, const nlohmann::json& params);
    // Clicks the element a script returns, as the mouse does.
    void Click(const std::string& script, const nlohmann::json& args = nlohmann::json::array());
    // Sends keys to the element a script returns (a file input takes a path).
    void Keys(const std::string& script, const nlohmann::json& args, const std::string& keys);

  private:
    nlohmann::json Request(const std::string& method, const std::string& path,
                           const nlohmann::json& body);
    std::string Element(const std::string& script, const nlohmann::json& args);

    pid_t driver_ = -1;
    int port_ = 0;
    std::string session_;
};

class WebUi : public UiDriver {
  public:
    // The page of the language at site (its URL), started on this
    // blsetup.cfg, on the default simulated controller.
    WebUi(Browser& browser, const std::string& site, Language lang, const std::string& config);
    ~WebUi() override;
    WebUi(const WebUi&) = delete;
    WebUi& operator=(const WebUi&) = delete;

    std::string Title() override;
    std::string Text(int id) override;
    bool Checked(int id) override;
    bool Enabled(int id) override;
    std::vector<std::string> ComboItems(int id) override;
    int ComboSel(int id) override;
    void Click(int id) override;
    void Type(int id, const std::string& text) override;
    std::string MainText(int id) override;
    // The page shows no program objects: only Inside() hands them out, and
    // it has none.
    bool IsMain(const Window*) override { return false; }
    bool MenuChecked(int id) override;
    bool MenuEnabled(int id) override;
    void Choose(int menuId) override;
    bool End() override;
    bool PlayDialog(int command, bool menu, int templateId,
                    const std::function<void()>& play) override;
    bool DialogOpen() override;
    bool DialogOverMain() override;
    bool NoDialogRan() override;
    void PickFiles(const std::vector<std::filesystem::path>& files) override;
    std::vector<std::string> FileDialogs() override { return fileDialogs_; }
    std::vector<UiBox> Boxes() override { return boxes_; }
    void Answer(int answer) override { answers_.push_back(answer); }

    int Byte(int address) override;
    void SetByte(int address, int value) override;
    std::vector<std::uint8_t> Flash() override;
    std::vector<std::pair<int, int>> Writes() override;
    int PageCommands() override;
    void ForgetWire() override;
    Language Lang() override { return lang_; }
    Program* Inside() override { return nullptr; }
    std::filesystem::path Folder() override { return folder_; }
    void Fail(const std::string& what, const char* file, int line) override;

  private:
    // Until the program waits for input or has ended, answering the message
    // boxes and file dialogs that come meanwhile as a user would.
    void Settle();
    nlohmann::json Front(const std::string& expression, int id);

    Browser& b_;
    Language lang_;
    std::filesystem::path folder_;
    nlohmann::json script_;
    std::vector<UiBox> boxes_;
    std::deque<int> answers_;
    std::deque<std::filesystem::path> picked_;
    std::vector<std::string> fileDialogs_;
    std::vector<std::filesystem::path> downloads_;
};

}  // namespace kvr::testing
