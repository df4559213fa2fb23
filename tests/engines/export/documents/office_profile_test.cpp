#include "engines/export/documents/office_profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_program.h"

namespace zembra::exporter {
namespace {

namespace fs = std::filesystem;

using testing::ListDirectory;
using testing::TestDirectory;

constexpr const char* kOffice = "/usr/bin/soffice";

// Sets an environment variable for one test, restoring it afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* old = ::getenv(name);
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (had_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(OfficeCacheRoot, TheUsersCacheDirectory) {
  struct Case {
    const char* cache;
    const char* home;
    const char* root;
  };
  for (const Case& c :
       {Case{"/c", "/h", "/c/zembra"}, Case{nullptr, "/h", "/h/.cache/zembra"}, Case{"", "/h", "/h/.cache/zembra"},
        Case{"relative", "/h", "/h/.cache/zembra"}, Case{nullptr, nullptr, ""}, Case{nullptr, "relative", ""}}) {
    const ScopedVariable cache("XDG_CACHE_HOME", c.cache);
    const ScopedVariable home("HOME", c.home);
    EXPECT_EQ(OfficeCacheRoot(), c.root) << (c.cache ? c.cache : "-") << " " << (c.home ? c.home : "-");
  }
}

TEST(OfficeProfileTemplate, NamedAfterTheBuildOfLibreOffice) {
  ZEMBRA_REQUIRE_PROGRAM(kOffice);
  const std::string name = OfficeProfileTemplate(kOffice, "/cache");
  EXPECT_EQ(name.rfind("/cache/office-profile-", 0), 0u) << name;
  EXPECT_GT(name.size(), std::string("/cache/office-profile-").size());
  EXPECT_EQ(OfficeProfileTemplate(kOffice, ""), "");
  EXPECT_EQ(OfficeProfileTemplate("/nonexistent/soffice", "/cache"), "");
}

// Converts a small spreadsheet with LibreOffice's own binary, which does not
// restart itself as the soffice script does: a profile it has to make
// itself makes it exit with 81, asking for a restart, before converting.
zembra::testing::ProgramResult ConvertWithProfile(const std::string& profile, const std::string& directory) {
  const std::string input = directory + "/sheet.fods";
  std::ofstream(input) << "<?xml version=\"1.0\"?><office:document "
                          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                          "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
                          "<office:spreadsheet><table:table table:name=\"S\"><table:table-row><table:table-cell/>"
                          "</table:table-row></table:table></office:spreadsheet></office:body></office:document>";
  return zembra::testing::RunProgram(
      {(fs::canonical(kOffice).parent_path() / "soffice.bin").string(), "-env:UserInstallation=file://" + profile,
       "--headless", "--norestore", "--convert-to", "xls", "--outdir", directory + "/out", input},
      "", {"HOME=" + directory, "TMPDIR=" + directory}, 180);
}

TEST(SeedOfficeProfile, MakesTheTemplateOnceAndSparesLibreOfficeItsFirstStart) {
  ZEMBRA_REQUIRE_PROGRAM(kOffice);
  const std::string directory = TestDirectory();
  const std::string cache = directory + "/cache";
  ASSERT_TRUE(SeedOfficeProfile(kOffice, cache, directory + "/first"));
  const std::string made = OfficeProfileTemplate(kOffice, cache);
  EXPECT_EQ(ListDirectory(cache), std::vector<std::string>{fs::path(made).filename().string()});
  const auto madeAt = fs::last_write_time(made);

  ASSERT_TRUE(SeedOfficeProfile(kOffice, cache, directory + "/second"));
  EXPECT_EQ(fs::last_write_time(made), madeAt);
  EXPECT_TRUE(fs::is_directory(directory + "/second/user"));
  const zembra::testing::ProgramResult seeded = ConvertWithProfile(directory + "/second", directory);
  EXPECT_EQ(seeded.exitCode, 0) << seeded.errorOutput;
  EXPECT_TRUE(fs::exists(directory + "/out/sheet.xls"));

  // The same conversion with a profile made from nothing: the restart the template spares.
  fs::remove_all(directory + "/out");
  const zembra::testing::ProgramResult fresh = ConvertWithProfile(directory + "/fresh", directory);
  EXPECT_EQ(fresh.exitCode, 81);
  EXPECT_FALSE(fs::exists(directory + "/out/sheet.xls"));
}

TEST(SeedOfficeProfile, TwoRunsMakingTheTemplateAtOnceBothGetAProfile) {
  ZEMBRA_REQUIRE_PROGRAM(kOffice);
  const std::string directory = TestDirectory();
  const std::string cache = directory + "/cache";
  // A template of another build, which goes.
  fs::create_directories(cache + "/office-profile-1-1/user");
  bool first = false, second = false;
  std::thread one([&] { first = SeedOfficeProfile(kOffice, cache, directory + "/one"); });
  std::thread two([&] { second = SeedOfficeProfile(kOffice, cache, directory + "/two"); });
  one.join();
  two.join();
  EXPECT_TRUE(first);
  EXPECT_TRUE(second);
  EXPECT_TRUE(fs::is_directory(directory + "/one/user"));
  EXPECT_TRUE(fs::is_directory(directory + "/two/user"));
  // One template, no work directory left behind.
  EXPECT_EQ(ListDirectory(cache),
            std::vector<std::string>{fs::path(OfficeProfileTemplate(kOffice, cache)).filename().string()});
}

TEST(SeedOfficeProfile, NoPlaceForTheTemplateLeavesTheProfileToLibreOffice) {
  ZEMBRA_REQUIRE_PROGRAM(kOffice);
  const std::string directory = TestDirectory();
  std::ofstream(directory + "/file") << "a file, not a directory";
  EXPECT_FALSE(SeedOfficeProfile(kOffice, directory + "/file/cache", directory + "/profile"));
  EXPECT_FALSE(SeedOfficeProfile(kOffice, "", directory + "/profile"));
  EXPECT_FALSE(fs::exists(directory + "/profile"));
}

}  // namespace
}  // namespace zembra::exporter
