// The process facility: command-line splitting, program lookup, starts
// without a shell, reaping, captured pipes that never block us, and the
// process list.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/process.h"
#include "services/pipes.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

fs::path makeTempFolder(const char* name) {
  fs::path dir = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Zombies whose parent is this process.
int zombieChildren() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    if (!std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0]))) continue;
    std::string stat = readFile(entry.path() / "stat");
    size_t end = stat.rfind(')');
    if (end == std::string::npos || end + 3 >= stat.size()) continue;
    if (stat[end + 2] == 'Z' && std::atoi(stat.c_str() + end + 4) == getpid()) count++;
  }
  return count;
}

// Sweeps until every child started so far is reaped, at most 10 s.
bool allReaped() {
  for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
    sweepChildren();
    if (unreapedChildCount() == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Reads a captured child's pipe until its writer closes it, at most 20 s.
std::string readUntilEnd(int fd) {
  std::string all;
  for (auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end;) {
    pollfd waiting = {fd, POLLIN, 0};
    poll(&waiting, 1, 100);
    std::string piece = readPipeText(fd);
    all += piece;
    if (piece.empty() && (waiting.revents & POLLHUP)) break;
  }
  return all;
}

TEST(CommandLine, SplitsAsWindowsProgramsDo) {
  struct { const char* text; std::vector<std::string> items; } cases[] = {
      {"a b\t c", {"a", "b", "c"}},
      {"  ", {}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\"b c\"d e", {"ab cd", "e"}},
      {"\"\" x", {"", "x"}},
      {"\"open", {"open"}},
      {R"(a\b c\\d)", {R"(a\b)", R"(c\\d)"}},            // backslashes not before a quote stay
      {R"(a\"b)", {R"(a"b)"}},                          // 2n+1 backslashes: n and a quote
      {R"(a\\"b c")", {R"(a\b c)"}},                    // 2n: n and the quote groups
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"("c:\dir\\" x)", {R"(c:\dir\)", "x"}},
      {R"("a""b" c)", {R"(a"b)", "c"}},                 // "" inside a group is a quote
      {R"("records\x.mp3")", {R"(records\x.mp3)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(splitArguments(c.text), c.items) << c.text;
}

TEST(CommandLine, ProgramNameHasItsOwnRule) {
  struct { const char* line; std::vector<std::string> items; } cases[] = {
      {R"("c:\my tools\p.exe" -x)", {R"(c:\my tools\p.exe)", "-x"}},
      {R"(c:\a\"b c)", {R"(c:\a\b c)"}},                // no escapes in the program name
      {"  taskkill /f /im ffmpeg.exe", {"taskkill", "/f", "/im", "ffmpeg.exe"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(splitCommandLine(c.line), c.items) << c.line;
}

// The program's folder (where the tests and their helper live) comes before
// PATH; ".exe" and letter case do not matter; plain files are no programs.
TEST(ProgramLookup, OwnFolderFirstThenPath) {
  fs::path dir = makeTempFolder("lookup");
  for (const char* name : {"exec_helper", "plain"}) std::ofstream(dir / name) << "#!/bin/sh\n";
  fs::permissions(dir / "exec_helper", fs::perms::owner_all);
  std::string path = std::getenv("PATH");
  setenv("PATH", (dir.string() + ":" + path).c_str(), 1);
  EXPECT_EQ(findProgram("exec_helper"), EXEC_HELPER_BINARY);
  EXPECT_EQ(findProgram("EXEC_HELPER.EXE"), EXEC_HELPER_BINARY);
  EXPECT_EQ(findProgram("plain"), "");
  std::string sh = findProgram("sh.exe");
  EXPECT_EQ(fs::path(sh).filename(), "sh");
  EXPECT_EQ(findProgram("Sh"), sh);
  EXPECT_EQ(findProgram("no-such-program-here"), "");
  EXPECT_EQ(findProgram(dir.string() + "\\Exec_Helper.exe"), (dir / "exec_helper").string());
  setenv("PATH", path.c_str(), 1);
  fs::remove_all(dir);
}

TEST(ProgramLookup, WindowsPathArgumentsAreTranslatedWhenTheirFolderExists) {
  fs::path dir = makeTempFolder("argpaths");
  fs::create_directories(dir / "Records");
  std::string windows = dir.string() + "\\records\\x.mp3";
  EXPECT_EQ(hostArgument(windows), (dir / "Records" / "x.mp3").string());
  EXPECT_EQ(hostArgument(dir.string() + "\\nowhere\\x.mp3"), dir.string() + "\\nowhere\\x.mp3");
  EXPECT_EQ(hostArgument("-ab"), "-ab");
  EXPECT_EQ(hostArgument("grava\xE7\xE3o"), "grava\xC3\xA7\xC3\xA3o");
  fs::remove_all(dir);
}

// Nothing passes through a shell: shell syntax arrives as typed.
TEST(Starting, ShellMetacharactersArriveByteForByte) {
  std::vector<std::string> args = {"; echo hacked", "a|b", "$(id)", "`id`", "&&", "x > y", "'q'", "*", "$HOME"};
  ChildPipes pipes;
  std::vector<std::string> argv = {"args"};
  argv.insert(argv.end(), args.begin(), args.end());
  ASSERT_TRUE(startProgram(EXEC_HELPER_BINARY, argv, ".", &pipes));
  std::string expected;
  for (const std::string& a : args) expected += a + "\n";
  EXPECT_EQ(readUntilEnd(pipes.output), expected);
  retirePipes(pipes);
  // And from a Windows command line, as EXECUTA's captured mode gives it.
  ASSERT_TRUE(startCaptured(std::string(EXEC_HELPER_BINARY) + R"( args "; rm -rf x" $(id) a&&b "`id`|c")"));
  std::string out;
  for (auto end = Clock::now() + std::chrono::seconds(10); out.empty() && Clock::now() < end;) out = readCapturedOutput();
  EXPECT_EQ(out, "; rm -rf x\n$(id)\na&&b\n`id`|c\n\r\n\r\n");
  EXPECT_TRUE(allReaped());
}

TEST(Starting, MissingProgramFailsAtOnce) {
  EXPECT_FALSE(startProgram("/no/such/program", {}, ".", nullptr));
  EXPECT_FALSE(startCaptured("no-such-program-here -x"));
  EXPECT_EQ(readCapturedOutput(), "");
}

TEST(Starting, ThousandShortChildrenLeaveNoZombies) {
  std::string program = findProgram("true");
  ASSERT_FALSE(program.empty());
  for (int i = 0; i < 1000; i++) ASSERT_TRUE(startProgram(program, {}, ".", nullptr)) << i;
  EXPECT_TRUE(allReaped());
  EXPECT_EQ(zombieChildren(), 0);
}

TEST(Starting, HiddenChildHasNoTerminalAndItsOwnSession) {
  fs::path dir = makeTempFolder("hidden");
  fs::path out = dir / "out";
  std::string script = "handles=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2); "
                       "{ echo \"$handles\"; pwd; echo $$; cut -d' ' -f6 /proc/$$/stat; } > out";
  ASSERT_TRUE(startProgram(findProgram("sh"), {"-c", script}, dir.string(), nullptr));
  ASSERT_TRUE(allReaped());
  std::istringstream lines(readFile(out));
  std::string line, pid, sid;
  for (int i = 0; i < 3 && std::getline(lines, line); i++) EXPECT_EQ(line, "/dev/null");
  std::getline(lines, line);
  EXPECT_EQ(line, dir.string());
  lines >> pid >> sid;
  EXPECT_EQ(sid, pid);  // a session leader: no controlling terminal
  fs::remove_all(dir);
}

// A child writing megabytes: each read returns at once with what is there,
// at most 65535 bytes, and every byte arrives.
TEST(CapturedPipes, MegabytesNeverBlockTheReader) {
  const long total = 8L << 20;
  ChildPipes pipes;
  ASSERT_TRUE(startProgram(EXEC_HELPER_BINARY, {"flood", std::to_string(total)}, ".", &pipes));
  long received = 0;
  auto slowest = Clock::duration::zero();
  for (auto end = Clock::now() + std::chrono::seconds(20); received < total && Clock::now() < end;) {
    auto start = Clock::now();
    size_t got = readPipeText(pipes.output).size();
    slowest = std::max(slowest, Clock::now() - start);
    EXPECT_LE(got, 65535u);
    received += static_cast<long>(got);
  }
  EXPECT_EQ(received, total);
  EXPECT_LT(slowest, std::chrono::milliseconds(200));
  EXPECT_EQ(readUntilEnd(pipes.error), "done");
  retirePipes(pipes);
  EXPECT_TRUE(allReaped());
}

// Nobody reads a captured child that floods: we go on; once its pipes are
// given up they are drained, so it finishes instead of blocking or dying of
// a broken pipe.
TEST(CapturedPipes, RetiredChildRunsToItsEnd) {
  fs::path done = makeTempFolder("retired") / "done";
  ASSERT_TRUE(startCaptured(std::string(EXEC_HELPER_BINARY) + " flood 4000000 " + done.string()));
  auto start = Clock::now();
  EXPECT_LE(readCapturedOutput().size(), 65535u + 4);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(unreapedChildCount(), 1u);  // blocked on its full pipe
  ASSERT_TRUE(startCaptured(std::string(EXEC_HELPER_BINARY) + " args"));
  EXPECT_TRUE(allReaped());
  EXPECT_EQ(readFile(done), "done");
  fs::remove_all(done.parent_path());
}

TEST(ProcessList, FindsRunningProgramsByNameOrPath) {
  fs::path dir = makeTempFolder("probe");
  std::string name = "fgprobe" + std::to_string(getpid());
  fs::copy_file(EXEC_HELPER_BINARY, dir / name);
  fs::copy_file(EXEC_HELPER_BINARY, dir / (name + "w.exe"));
  ChildPipes one, two;
  ASSERT_TRUE(startProgram((dir / name).string(), {"sleep", "30"}, ".", &one));
  ASSERT_TRUE(startProgram((dir / (name + "w.exe")).string(), {"sleep", "30"}, ".", &two));
  for (const std::string& query : {name, name + ".exe", "FGPROBE" + std::to_string(getpid()) + ".Exe",
                                   (dir / name).string(), name + "w", name + "W.EXE"})
    EXPECT_TRUE(isProgramRunning(query)) << query;
  EXPECT_FALSE(isProgramRunning(name + "x"));
  ProcessEntry entry;
  ASSERT_TRUE(readProcess(one.pid, entry));
  EXPECT_EQ(entry.name, name);
  EXPECT_EQ(entry.parent, getpid());
  // Ended but not yet reaped: a zombie does not run.
  kill(one.pid, SIGKILL);
  siginfo_t info;
  ASSERT_EQ(waitid(P_PID, one.pid, &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(readProcess(one.pid, entry));
  kill(two.pid, SIGKILL);
  retirePipes(one);
  retirePipes(two);
  EXPECT_TRUE(allReaped());
  EXPECT_FALSE(isProgramRunning(name));
  fs::remove_all(dir);
}

}  // namespace
