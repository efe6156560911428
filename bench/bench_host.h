// The benchmarks' desktop: boxes kept as "caption: text", every question
// answered OK, the file chooser gives `file`.
#pragma once

#include <string>
#include <vector>

#include "platform/host.h"

namespace kvr::bench {

class BenchHost : public Host {
  public:
    int MessageBox(Window*, const std::string& text, const std::string& caption,
                   MessageButtons) override {
        boxes.push_back(caption + ": " + text);
        return kIdOk;
    }
    void Beep() override {}
    PlatformFamily QueryPlatform() override { return PlatformFamily::Nt; }
    bool ShellOpen(const std::string&) override { return false; }
    std::string ChooseOpenFile(const OpenFileRequest&) override { return file; }
    std::string ChooseSaveFile(const SaveFileRequest&) override { return {}; }
    void PumpMessages() override {}
    int RunDialog(int, Window*, const DialogProc&) override { return 0; }
    void ErrorOutput(const std::string&) override {}

    std::string file;
    std::vector<std::string> boxes;
};

}  // namespace kvr::bench
