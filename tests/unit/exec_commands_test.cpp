// EXECUTA's launch modes and its splitting of the value, EXISTEPROG, the
// captured output as LE CONSOLE reads it, documents through the desktop's
// opener, and the return pause of the configuration.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "interpreter/values.h"
#include "platform/process.h"
#include "services/exec_commands.h"
#include "services/launch.h"
#include "services/pipes.h"
#include "speech/config.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A working folder with drive c: and the configuration inside it.
class ExecTest : public testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("exec-test-" + std::to_string(getpid()));
  fs::path before = fs::current_path();
  std::string helper = EXEC_HELPER_BINARY;

  void SetUp() override {
    setenv("OUVINO_CONSOLE", "headless", 1);
    fs::remove_all(dir);
    fs::create_directories(dir / "c");
    fs::create_directories(dir / "xdg" / "Ouvino");
    setenv("OUVINO_DRIVE_C", (dir / "c").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(before);
    unsetenv("OUVINO_DRIVE_C");
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
  }
  void configure(const std::string& line) {
    std::ofstream(dir / "xdg" / "Ouvino" / "Ouvino.ini") << "[OUVINO]\r\n" << line << "\r\n";
  }
  // EXECUTA with the value in the letter variable A, so no quoting is needed.
  bool executa(const std::string& value, const std::string& signs) {
    variable(0) = value;
    return cmdExecuta("A" + signs);
  }
  // Until every child has ended and been reaped, at most 10 s.
  static bool allEnded() {
    for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
      sweepChildren();
      if (unreapedChildCount() == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  static std::string waitForFile(const fs::path& file) { return allEnded() ? readFile(file) : "(still running)"; }
  static std::string waitForOutput() { return allEnded() ? readCapturedOutput() : "(still running)"; }
};

// Every mode but the waiting one returns at once; the started program gets
// the parameters split by the Windows rules, with Windows paths translated.
TEST_F(ExecTest, ModesStartTheProgramWithItsParameters) {
  fs::create_directories(dir / "records");
  for (const char* signs : {" &", "&&", " &&", "&&&&"}) {
    fs::remove(dir / "records" / "args");
    auto start = Clock::now();
    ASSERT_TRUE(executa(helper + R"( args-to records\args -i "http://h/x?a=1&b=2" "records\t e.mp3")", signs)) << signs;
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(waitForFile(dir / "records" / "args"), "-i\nhttp://h/x?a=1&b=2\nrecords/t e.mp3\n") << signs;
  }
}

// The example of LE CONSOLE: output, CR LF, error text, CR LF.
TEST_F(ExecTest, CapturedOutputIsReadAsTheScriptSeesIt) {
  struct { std::string value, expected; } cases[] = {
      {helper + " args ok", "ok\n\r\n\r\n"},
      {helper + " flood 0", "done\r\n"},           // error text only
      {helper + " flood 3", "xxx\r\ndone\r\n"},
      {helper + " args", ""},
      {"\"" + helper + "\" args \"a b\"", "a b\n\r\n\r\n"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(executa(c.value, "&&&")) << c.value;
    EXPECT_EQ(waitForOutput(), c.expected) << c.value;
    EXPECT_EQ(readCapturedOutput(), "");
  }
}

// A quoted program name keeps its blanks, in every mode.
TEST_F(ExecTest, QuotedProgramWithBlanks) {
  fs::create_directories(dir / "my tools");
  fs::copy_file(helper, dir / "my tools" / "p");
  std::string program = "\"" + (dir / "my tools" / "p.exe").string() + "\" ";
  ASSERT_TRUE(executa(program + " args -x ", "&&&"));
  EXPECT_EQ(waitForOutput(), "-x\n\r\n\r\n");
  ASSERT_TRUE(executa(program + "args-to out -y", "&&"));
  EXPECT_EQ(waitForFile(dir / "out"), "-y\n");
}

TEST_F(ExecTest, FailuresEndTheLineAtOnce) {
  EXPECT_FALSE(cmdExecuta(""));
  EXPECT_FALSE(cmdExecuta("&&"));
  EXPECT_FALSE(cmdExecuta("\"x\" y"));
  for (const char* signs : {"&", "&&", "&&&"}) {
    auto start = Clock::now();
    EXPECT_FALSE(executa("no-such-program-here -x", signs)) << signs;
    EXPECT_FALSE(executa("\"\" args", signs)) << signs;
    EXPECT_FALSE(executa(helper + " args " + std::string(1000, 'p'), signs)) << signs;
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  }
  EXPECT_TRUE(executa(helper + " args " + std::string(994, 'p'), "&&&"));  // 999 characters of parameters
  EXPECT_EQ(waitForOutput(), std::string(994, 'p') + "\n\r\n\r\n");
}

// The waiting mode waits for the console's return even when the start
// failed: 5 s while the console keeps the foreground, then the pause.
TEST_F(ExecTest, WaitModeWaitsEvenAfterAFailedStart) {
  configure("TEMPOESPERAPROGVOLTAR=0");
  auto start = Clock::now();
  EXPECT_FALSE(executa("no-such-program-here", ""));
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(5000));
  EXPECT_LT(took, std::chrono::milliseconds(5600));
}

TEST_F(ExecTest, ReturnPauseComesFromTheConfiguration) {
  EXPECT_EQ(returnPauseMs(), 1000u);  // no key
  struct { const char* value; unsigned ms; } cases[] = {
      {"250", 250}, {"0", 0}, {"1000", 1000}, {"5000", 1000}, {"-1", 1000}, {"abc", 1000}, {"$FA", 1000}, {"25x", 1000},
  };
  for (const auto& c : cases) {
    configure(std::string("TEMPOESPERAPROGVOLTAR=") + c.value);
    EXPECT_EQ(returnPauseMs(), c.ms) << c.value;
  }
}

TEST_F(ExecTest, ExisteprogTellsWhetherAProgramRuns) {
  std::string name = "fgexists" + std::to_string(getpid());
  fs::copy_file(helper, dir / name);
  ASSERT_TRUE(executa((dir / name).string() + " sleep 30", "&&"));
  struct { std::string args, expected; } cases[] = {
      {"\"" + name + ".EXE\" B", "1"},
      {"\"  " + name + "  \" B", "1"},  // the name is trimmed
      {"\"" + name + "x\" B", "0"},
  };
  for (const auto& c : cases) {
    variable(1) = "?";
    EXPECT_TRUE(cmdExisteprog(c.args)) << c.args;
    EXPECT_EQ(variable(1), c.expected) << c.args;
  }
  EXPECT_FALSE(cmdExisteprog("\"x\""));
  EXPECT_FALSE(cmdExisteprog(""));
  for (const ProcessEntry& p : listProcesses())
    if (p.name == name) kill(p.pid, SIGKILL);
  EXPECT_TRUE(allEnded());
  EXPECT_TRUE(cmdExisteprog("\"" + name + "\" B"));
  EXPECT_EQ(variable(1), "0");
}

// Documents and addresses go to the desktop's opener (one of ours on PATH
// here), as absolute host paths; what does not exist is not opened.
TEST_F(ExecTest, DocumentsAndAddressesGoToTheOpener) {
  fs::create_directories(dir / "bin");
  std::ofstream(dir / "bin" / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " << (dir / "opened").string() << "\n";
  fs::permissions(dir / "bin" / "xdg-open", fs::perms::owner_all);
  std::ofstream(dir / "c" / "Nota.txt") << "x";
  std::string path = std::getenv("PATH");
  setenv("PATH", ((dir / "bin").string() + ":" + path).c_str(), 1);
  EXPECT_EQ(shellOpenNormal("https://example.invalid/a?b=1&c=$(id)", ".", ""), kShellStarted);
  EXPECT_TRUE(allEnded());
  EXPECT_EQ(shellOpen("c:\\nota.TXT", ".", "", kShowHidden), kShellStarted);
  EXPECT_LT(shellOpenNormal("c:\\missing.txt", ".", ""), 32);
  EXPECT_LT(shellOpenNormal(std::string(512, 'a'), ".", ""), 32);
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(waitForFile(dir / "opened"),
            "https://example.invalid/a?b=1&c=$(id)\n" + (dir / "c" / "Nota.txt").string() + "\n");
}

}  // namespace
