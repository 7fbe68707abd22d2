// Hostile phoneme text through the built library: odd inputs and random
// bytes must neither crash, hang nor break the read limit.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "fuzz_write.h"
#include "mbrola_test_voice.h"
#include "temp_folder.h"

namespace {

struct Bound {
  void* handle = dlopen(MBROLA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  MbrCalls calls{};
  Bound() {
    if (!handle) return;
    calls.init = reinterpret_cast<int (*)(const char*)>(dlsym(handle, "init_MBR"));
    calls.write = reinterpret_cast<int (*)(const char*)>(dlsym(handle, "write_MBR"));
    calls.flush = reinterpret_cast<int (*)()>(dlsym(handle, "flush_MBR"));
    calls.read = reinterpret_cast<int (*)(short*, int)>(dlsym(handle, "read_MBR"));
    calls.reset = reinterpret_cast<int (*)()>(dlsym(handle, "reset_MBR"));
    calls.lastError = reinterpret_cast<int (*)()>(dlsym(handle, "lastError_MBR"));
    calls.setNoError = reinterpret_cast<void (*)(int)>(dlsym(handle, "setNoError_MBR"));
    calls.close = reinterpret_cast<void (*)()>(dlsym(handle, "close_MBR"));
  }
  ~Bound() { if (handle) dlclose(handle); }
};

// The library bound and the tiny voice written to a folder of the test's.
class MbrolaFuzz : public ::testing::Test {
 protected:
  Bound lib;
  TempFolder dir;
  std::string voice;
  void SetUp() override {
    ASSERT_TRUE(lib.handle) << dlerror();
    ASSERT_TRUE(dir.enter("mbrola_fuzz"));
    ASSERT_TRUE(mbr::saveVoiceDb("tiny.db", testvoice::make()));
    voice = dir.work + "/tiny.db";
  }
  void TearDown() override { dir.leave(); }
  long run(const std::string& bytes) {
    return fuzzWriteMbr(lib.calls, voice.c_str(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
};

}  // namespace

TEST_F(MbrolaFuzz, HostileTextAndRandomBytes) {
  // Exact cases first: the audio of well-formed text is all there.
  EXPECT_EQ(run("a 100\r\ni 50\n\xfe" "s 25\n"), (100 + 50 + 25) * 16);
  EXPECT_EQ(run("a 100\n\xfd" "i 50\n"), 50 * 16);
  const std::string odd[] = {
      std::string("a 30000 0 40 100 1000\n_ 30000\n"), "a 0\ni 0\n\xfe\xfe", "a 1e308\n", "_ 10 " + std::string(20000, '9') + "\n",
      std::string(70000, 'a') + "\na 10\n", "a 100 50 120 50 120 50 120 0 500\n", "#\n#\n\r\r\r\n", "a\t5\x01 7 8\n",
      std::string(3000, '\n'), "a 100 100 40 0 1000\n\xfe", "; only a comment", "a 10 1e-300 1e-300\n"};
  for (const auto& text : odd) EXPECT_GE(run(text), 0) << text.substr(0, 40);
  std::mt19937 random(11);
  const char alphabet[] = "aisq_#; .0123456789-e\r\n\t\xfd\xfe\xff";
  for (int i = 0; i < 300; ++i) {
    std::string bytes(random() % 200, ' ');
    for (auto& b : bytes) b = random() % 4 ? alphabet[random() % (sizeof alphabet - 1)] : char(random());
    EXPECT_GE(run(bytes), 0);
  }
}

// The fuzzer's corpus for write_MBR, kept so that what once broke stays fixed.
TEST_F(MbrolaFuzz, ReplaysTheCorpus) {
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::string(TEST_SOURCE_DIR) + "/fuzz/corpus/mbrola")) {
    std::ifstream in(e.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_GE(run(bytes), 0) << e.path();
    ++count;
  }
  EXPECT_GT(count, 0);
}
