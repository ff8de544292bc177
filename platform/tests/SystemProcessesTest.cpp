// The system's child processes for a batch, on Linux and on Windows (under Wine): the arguments
// arrive as given, output goes to its file, the end is told apart from a crash, and a process
// that hangs is ended. The child is this test program itself, running one of the helpers below.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "platform/SystemProcesses.h"

namespace mailshift::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHelperVariable = "MAILSHIFT_PROCESS_HELPER";

const char* Helper() { return std::getenv(kHelperVariable); }

// The child's arguments as UTF-8; on Windows from the wide command line, as the programs read them.
std::vector<std::string> Arguments() {
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int index = 0; index < count; ++index) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide[index], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, wide[index], -1, text.data(), length, nullptr, nullptr);
    arguments.push_back(text);
  }
  LocalFree(wide);
  return arguments;
#else
  return ::testing::internal::GetArgvs();
#endif
}

// The helpers run only in a child started by the tests; in the test run itself they do nothing.
TEST(ProcessHelper, Acts) {
  const char* helper = Helper();
  if (helper == nullptr) GTEST_SKIP() << "only in a child";
  const std::string what = helper;
  if (what == "echo") {
    std::cout << "arguments:";
    for (const std::string& argument : Arguments()) std::cout << "[" << argument << "]";
    std::cout << std::endl;
    std::cerr << "to errors" << std::endl;
    std::exit(7);
  }
  if (what == "hang") std::this_thread::sleep_for(std::chrono::minutes(5));
  if (what == "crash") {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 0xC0000005u);
#else
    raise(SIGKILL);
#endif
  }
}

void SetHelper(const char* what) {
#ifdef _WIN32
  _putenv_s(kHelperVariable, what);
#else
  setenv(kHelperVariable, what, 1);
#endif
}

class SystemProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("processes-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder_);
    program_ = ThisProgramPath();
    ASSERT_FALSE(program_.empty());
  }
  void TearDown() override {
#ifdef _WIN32
    _putenv_s(kHelperVariable, "");
#else
    unsetenv(kHelperVariable);
#endif
    std::error_code error;
    fs::remove_all(folder_, error);
  }

  std::unique_ptr<batch::ChildProcess> Start(const char* helper, std::vector<std::string> extra = {}) {
    SetHelper(helper);
    std::vector<std::string> arguments{program_, "--gtest_filter=ProcessHelper.Acts"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::string problem;
    auto child = processes_.Start(arguments, (folder_ / "output.txt").string(), problem);
    EXPECT_TRUE(child) << problem;
    return child;
  }

  static std::optional<batch::ProcessEnd> WaitFor(batch::ChildProcess& child, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      if (auto end = child.Poll()) return end;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
  }

  std::string Output() const {
    std::ifstream file(folder_ / "output.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  fs::path folder_;
  std::string program_;
  SystemProcesses processes_;
};

TEST_F(SystemProcessesTest, PassesArgumentsAndTellsTheExitCode) {
  const std::vector<std::string> odd{"two words", "quote \"inside\"", "back\\slash\\", "", "zoë Jörg"};
  auto child = Start("echo", odd);
  ASSERT_TRUE(child);
  const auto end = WaitFor(*child, std::chrono::seconds(60));
  ASSERT_TRUE(end);
  EXPECT_EQ(end->exitCode, 7);
  EXPECT_FALSE(end->crashed);
  const std::string output = Output();
  EXPECT_NE(output.find("[two words][quote \"inside\"][back\\slash\\][][zoë Jörg]"), std::string::npos)
      << output;
  EXPECT_NE(output.find("to errors"), std::string::npos) << output;
}

TEST_F(SystemProcessesTest, TellsACrashAndEndsAHang) {
  auto crash = Start("crash");
  ASSERT_TRUE(crash);
  const auto crashed = WaitFor(*crash, std::chrono::seconds(60));
  ASSERT_TRUE(crashed);
  EXPECT_TRUE(crashed->crashed) << crashed->how;

  auto hang = Start("hang");
  ASSERT_TRUE(hang);
  EXPECT_FALSE(WaitFor(*hang, std::chrono::seconds(1)));
  hang->Kill();
  const auto ended = WaitFor(*hang, std::chrono::seconds(30));
  ASSERT_TRUE(ended);
  EXPECT_TRUE(ended->crashed || ended->exitCode != 0) << ended->how;
}

TEST_F(SystemProcessesTest, SaysWhyAProgramCannotStart) {
  std::string problem;
  EXPECT_FALSE(
      processes_.Start({(folder_ / "missing.exe").string()}, (folder_ / "out.txt").string(), problem));
  EXPECT_NE(problem.find("missing.exe"), std::string::npos);
  EXPECT_FALSE(processes_.Start({program_}, (folder_ / "no" / "such" / "out.txt").string(), problem));
}

}  // namespace
}  // namespace mailshift::platform
