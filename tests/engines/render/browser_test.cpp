#include "engines/render/browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace zembra::render {
namespace {

bool Has(const std::vector<std::string>& argv, const std::string& word) {
  return std::find(argv.begin(), argv.end(), word) != argv.end();
}

TEST(RenderChromiumCommandLine, PipeProfileAndQuietNetwork) {
  BrowserSettings settings;
  const auto argv = ChromiumCommandLine("/usr/bin/chromium-headless-shell", "/tmp/p", settings);
  EXPECT_EQ(argv.front(), "/usr/bin/chromium-headless-shell");
  EXPECT_FALSE(Has(argv, "--headless"));
  for (const char* flag : {"--remote-debugging-pipe", "--user-data-dir=/tmp/p", "--disable-background-networking",
                           "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-dev-shm-usage",
                           "--disable-gpu", "--incognito", "--in-process-gpu",
                           "--enable-features=NetworkServiceInProcess2"})
    EXPECT_TRUE(Has(argv, flag)) << flag;
  EXPECT_FALSE(Has(argv, "--no-sandbox"));
  EXPECT_FALSE(Has(argv, "--no-zygote"));  // needs the sandbox off
  EXPECT_EQ(argv.back(), "about:blank");
}

TEST(RenderChromiumCommandLine, FullBrowserRootAndProxy) {
  BrowserSettings settings;
  settings.sandbox = false;
  settings.proxy = "socks5://127.0.0.1:1080";
  settings.minimumFontSize = 14;
  const auto argv = ChromiumCommandLine("/usr/bin/chromium", "/tmp/p", settings);
  EXPECT_TRUE(Has(argv, "--headless"));
  EXPECT_TRUE(Has(argv, "--no-sandbox"));
  EXPECT_TRUE(Has(argv, "--no-zygote"));
  EXPECT_TRUE(Has(argv, "--proxy-server=socks5://127.0.0.1:1080"));
  EXPECT_TRUE(Has(argv, "--proxy-bypass-list=<-loopback>"));
  EXPECT_TRUE(Has(argv, "--blink-settings=minimumFontSize=14"));
}

TEST(RenderFindChromium, EnvironmentChoosesAndMissingIsEmpty) {
  ::setenv("ZEMBRA_CHROMIUM", "/bin/true", 1);
  EXPECT_EQ(FindChromium(), "/bin/true");
  ::setenv("ZEMBRA_CHROMIUM", "/nonexistent/chromium", 1);
  EXPECT_EQ(FindChromium(), "");
  ::unsetenv("ZEMBRA_CHROMIUM");
}

}  // namespace
}  // namespace zembra::render
