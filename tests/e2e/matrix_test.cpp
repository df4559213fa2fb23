// The installed zemconv with the real engines: every output suffix, series
// naming, a page served over HTTP, a protected PDF, a missing input.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

std::string Installed() { return std::string(ZEMBRA_INSTALL_PREFIX) + "/bin/zemconv"; }

std::string FileType(const std::string& path) {
  const ProgramResult result = RunProgram({"/usr/bin/file", "-b", path});
  return result.output;
}

class Matrix : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM(Installed());
    directory_ = MakeTempDirectory("zembra-matrix");
    invoice_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/invoice.html";
    report_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/report.html";
  }
  void TearDown() override { RemoveDirectory(directory_); }

  ProgramResult Convert(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {Installed()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, directory_, {}, 300);
  }

  std::string directory_, invoice_, report_;
};

struct FormatCase {
  const char* suffix;
  const char* fileSays;  // a piece of what file(1) says about the result
};

const FormatCase kFormats[] = {
    {"pdf", "PDF document"},          {"jpg", "JPEG image data"},
    {"tif", "TIFF image data"},       {"png", "PNG image data"},
    {"tga", "Targa image data"},      {"pcx", "PCX"},
    {"bmp", "PC bitmap"},             {"gif", "GIF image data"},
    {"txt", "text"},                  {"doc", "Composite Document File"},
    {"rtf", "Rich Text Format"},      {"xls", "Composite Document File"},
    {"pptx", "PowerPoint 2007+"},     {"emf", "Enhanced Metafile"},
    {"wmf", "metafile"},              {"csv", "text"},
    {"ps", "PostScript document"},    {"eps", "PostScript document"},
};

TEST_F(Matrix, EverySuffixInBothCasesGivesItsFormat) {
  for (const FormatCase& format : kFormats) {
    std::string upper = format.suffix;
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    for (const std::string& suffix : {std::string(format.suffix), upper}) {
      const std::string output = "invoice-" + suffix + "." + suffix;
      const ProgramResult result = Convert({invoice_, output});
      EXPECT_EQ(result.output, invoice_ + "==>" + output + "\nresult=OK\n") << output;
      EXPECT_NE(FileType(directory_ + "/" + output).find(format.fileSays), std::string::npos)
          << output << ": " << FileType(directory_ + "/" + output);
    }
  }
  // Nothing but the results: no intermediate PDF, no temporary file.
  for (const std::string& name : FilesIn(directory_)) EXPECT_EQ(name.find("temp.pdf"), std::string::npos) << name;
  for (const std::string& name : FilesIn(directory_)) EXPECT_NE(name.front(), '.') << name;
}

TEST_F(Matrix, OutputNamesThatStartWithADashGiveTheirFormat) {
  // Relative names, so every sibling sees a path that starts with "-":
  // -x.pdf with toolbox work hands zemkit.lib the input -xtemp.pdf.
  std::vector<std::vector<std::string>> runs = {
      {"-ownerpassword", "o", "-userpassword", "u", invoice_, "-protected.pdf"}};
  for (const FormatCase& format : kFormats) runs.push_back({invoice_, std::string("-x.") + format.suffix});
  for (const auto& run : runs) {
    const std::string output = run.back();
    const ProgramResult result = Convert(run);
    EXPECT_EQ(result.output, invoice_ + "==>" + output + "\nresult=OK\n") << output;
    const std::string suffix = output.substr(output.rfind('.') + 1);
    for (const FormatCase& format : kFormats) {
      if (suffix != format.suffix) continue;
      EXPECT_NE(FileType(directory_ + "/" + output).find(format.fileSays), std::string::npos) << output;
    }
  }
  EXPECT_NE(RunProgram({"/usr/bin/qpdf", "--check", directory_ + "/-protected.pdf"}).exitCode, 0);  // needs "u"
  EXPECT_EQ(RunProgram({"/usr/bin/qpdf", "--check", "--password=u", directory_ + "/-protected.pdf"}).exitCode, 0);
  EXPECT_EQ(FilesIn(directory_).size(), runs.size());  // no intermediate PDF, no temporary file
}

TEST_F(Matrix, SeveralPagesGiveASeriesWhereTheFormatNeedsOne) {
  const ProgramResult result = Convert({report_, "page.png"});
  EXPECT_EQ(result.output, report_ + "==>page.png\nresult=OK\n");
  EXPECT_TRUE(FileExists(directory_ + "/page0001.png"));
  EXPECT_TRUE(FileExists(directory_ + "/page0002.png"));
  EXPECT_FALSE(FileExists(directory_ + "/page.png"));
  const ProgramResult pdf = Convert({report_, "whole.pdf"});
  EXPECT_EQ(pdf.exitCode, 0);
  EXPECT_TRUE(FileExists(directory_ + "/whole.pdf"));
}

TEST_F(Matrix, ProtectedPdfNeedsItsPassword) {
  const ProgramResult result =
      Convert({"-ownerpassword", "own", "-userpassword", "usr", "-key128bit", "-permit", "printing", invoice_, "p.pdf"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const std::string path = directory_ + "/p.pdf";
  EXPECT_NE(RunProgram({"/usr/bin/qpdf", "--check", path}).exitCode, 0);  // no password: refused
  const ProgramResult shown = RunProgram({"/usr/bin/qpdf", "--show-encryption", "--password=usr", path});
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_NE(shown.output.find("AESv2"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("print high resolution: allowed"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("extract for any purpose: not allowed"), std::string::npos) << shown.output;
  EXPECT_FALSE(FileExists(directory_ + "/ptemp.pdf"));
}

TEST_F(Matrix, MissingInputIsReported) {
  for (const char* output : {"m.pdf", "m.png", "m.doc"}) {
    const ProgramResult result = Convert({directory_ + "/no-such-page.html", output});
    EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << output;
    EXPECT_EQ(result.exitCode, 1);
  }
  EXPECT_TRUE(FilesIn(directory_).empty());
}

// A one-page web server on 127.0.0.1, enough for a browser to load a page.
class PageServer {
 public:
  explicit PageServer(std::string body) : body_(std::move(body)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 16);
    thread_ = std::thread([this] { Serve(); });
  }
  ~PageServer() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    thread_.join();
  }
  int port() const { return port_; }

 private:
  void Serve() {
    for (;;) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      char request[4096];
      [[maybe_unused]] const ssize_t n = ::read(client, request, sizeof request);
      const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                   std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
      [[maybe_unused]] const ssize_t written = ::write(client, response.data(), response.size());
      ::close(client);
    }
  }
  std::string body_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(Matrix, PageServedOverHttp) {
  PageServer server("<html><head><title>Served</title></head><body><h1>Served over HTTP</h1></body></html>");
  const std::string address = "http://127.0.0.1:" + std::to_string(server.port()) + "/page.html";
  const ProgramResult result = Convert({address, "web.txt"});
  ASSERT_EQ(result.output, address + "==>web.txt\nresult=OK\n");
  EXPECT_NE(ReadFile(directory_ + "/web.txt").find("Served over HTTP"), std::string::npos);
}

}  // namespace
}  // namespace zembra::testing
