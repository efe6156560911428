// The shared window cases on the web page: the same cases the Qt and Win32
// programs run, through the page in headless Chromium. Run by
// scripts/test-web.sh, which serves the site at KVR_SITE.
#include "window_cases.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "web_ui.h"

namespace {

using kvr::testing::Browser;
using kvr::testing::WindowCase;

class WebWindowCases : public ::testing::TestWithParam<WindowCase> {
  protected:
    // One browser for every case: starting Chromium takes seconds.
    static void SetUpTestSuite() { browser_ = std::make_unique<Browser>(); }
    static void TearDownTestSuite() { browser_.reset(); }
    static std::unique_ptr<Browser> browser_;
};

std::unique_ptr<Browser> WebWindowCases::browser_;

TEST_P(WebWindowCases, Run) {
    const char* site = std::getenv("KVR_SITE");
    ASSERT_NE(site, nullptr) << "KVR_SITE names the served site (scripts/test-web.sh)";
    kvr::testing::WebUi ui(*browser_, site, GetParam().lang, GetParam().config);
    GetParam().run(ui);
}

INSTANTIATE_TEST_SUITE_P(Web, WebWindowCases, ::testing::ValuesIn(kvr::testing::WindowCases()),
                         [](const ::testing::TestParamInfo<WindowCase>& info) {
                             return info.param.name;
                         });

}  // namespace
