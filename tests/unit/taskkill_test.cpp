// Our taskkill: ends processes by name or number, SIGINT first and SIGKILL
// after 3 s for one that will not stop, reports in Windows-1252 to a pipe,
// and never ends its parent.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

pid_t spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
  std::vector<char*> pointers;
  for (const std::string& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
  pointers.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0].c_str(), actions, nullptr, pointers.data(), environ) == 0 ? pid : -1;
}

class TaskkillTest : public testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("taskkill-test-" + std::to_string(getpid()));
  std::string sleeper = "fgsleeper" + std::to_string(getpid());

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(EXEC_HELPER_BINARY, dir / sleeper);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The sleeper, started once it has said it is ready for signals.
  pid_t startSleeper(const char* mode) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    pid_t pid = spawn({(dir / sleeper).string(), mode, "30"}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    char ready[6] = {};
    bool ok = read(ends[0], ready, 6) == 6;
    close(ends[0]);
    return ok ? pid : -1;
  }

  // taskkill with its output going to files (not a terminal).
  Outcome taskkill(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argv = {TASKKILL_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    Outcome run;
    pid_t pid = spawn(argv, &actions);
    posix_spawn_file_actions_destroy(&actions);
    if (pid > 0 && waitpid(pid, &run.status, 0) == pid) run.status = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
    run.out = readFile(dir / "out");
    run.err = readFile(dir / "err");
    return run;
  }
};

// By name (any case, ".exe" optional) or by number, the process gets SIGINT
// and ends by its own handler, the way a recorder closes its file.
TEST_F(TaskkillTest, EndsByNameOrNumberWithSigintFirst) {
  for (bool byName : {true, false}) {
    pid_t child = startSleeper("sleep");
    ASSERT_GT(child, 0);
    std::string upper = sleeper;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    auto start = Clock::now();
    Outcome run = byName ? taskkill({"/F", "/IM", upper + ".EXE"}) : taskkill({"/f", "/pid", std::to_string(child)});
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "\xCAXITO: o processo \"" + sleeper + "\" com PID " + std::to_string(child) + " foi finalizado.\r\n");
    EXPECT_EQ(run.err, "");
    int status;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
  }
}

TEST_F(TaskkillTest, OneThatIgnoresSigintIsKilledAfterThreeSeconds) {
  pid_t child = startSleeper("stubborn");
  ASSERT_GT(child, 0);
  auto start = Clock::now();
  Outcome run = taskkill({"/f", "/pid", std::to_string(child)});
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(2900));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(run.status, 0) << run.err;
  int status;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

TEST_F(TaskkillTest, WithoutForceOnlyAsksWithSigterm) {
  pid_t child = startSleeper("stubborn");
  ASSERT_GT(child, 0);
  Outcome run = taskkill({"/pid", std::to_string(child)});
  EXPECT_EQ(run.status, 0) << run.err;
  int status;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

TEST_F(TaskkillTest, ErrorsAndTheirStatus) {
  Outcome run = taskkill({"/f", "/im", "fg-no-such-program.exe"});
  EXPECT_EQ(run.status, 128);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "ERRO: o processo \"fg-no-such-program.exe\" n\xE3o foi encontrado.\r\n");
  EXPECT_EQ(taskkill({"/pid", "999999999"}).status, 128);
  // Its parent (this test) is refused, and nothing happens to it.
  run = taskkill({"/f", "/pid", std::to_string(getpid())});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(std::to_string(getpid())), std::string::npos) << run.err;
  EXPECT_EQ(taskkill({}).status, 1);
  EXPECT_EQ(taskkill({"/x", "ffmpeg"}).status, 1);
  EXPECT_EQ(taskkill({"/im"}).status, 1);
}

}  // namespace
