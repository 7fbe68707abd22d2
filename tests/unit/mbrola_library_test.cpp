// The library as a program binds it: by name, at run time, with a voice file.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "mbrola.h"
#include "mbrola_test_voice.h"
#include "temp_folder.h"

namespace {

const char* const kNames[] = {
    "init_MBR", "init_rename_MBR", "write_MBR", "flush_MBR", "read_MBR", "readtype_MBR",
    "close_MBR", "reset_MBR", "lastError_MBR", "lastErrorStr_MBR", "setNoError_MBR",
    "getNoError_MBR", "setFreq_MBR", "getFreq_MBR", "setVolumeRatio_MBR", "getVolumeRatio_MBR",
    "getVersion_MBR", "getDatabaseInfo_MBR", "setParser_MBR", "init_Phone", "reset_Phone",
    "close_Phone", "appendf0_Phone"};

struct Lib {
  void* handle = dlopen(MBROLA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ~Lib() { if (handle) dlclose(handle); }
  template <typename F> F* get(const char* name) { return reinterpret_cast<F*>(dlsym(handle, name)); }
};

class MbrolaLibrary : public ::testing::Test {
 protected:
  Lib lib;
  TempFolder dir;
  decltype(&write_MBR) write = nullptr;
  decltype(&read_MBR) read = nullptr;
  decltype(&lastError_MBR) lastError = nullptr;
  void SetUp() override {
    ASSERT_TRUE(lib.handle) << dlerror();
    ASSERT_TRUE(dir.enter("mbrola_lib"));
    ASSERT_TRUE(mbr::saveVoiceDb("tiny.db", testvoice::make()));
    write = lib.get<int(const char*)>("write_MBR");
    read = lib.get<int(short*, int)>("read_MBR");
    lastError = lib.get<int()>("lastError_MBR");
    ASSERT_EQ(lib.get<int(const char*)>("init_MBR")("tiny.db"), 0);
    lib.get<void(int)>("setNoError_MBR")(1);
  }
  void TearDown() override {
    lib.get<void()>("close_MBR")();
    dir.leave();
  }
  std::vector<short> drain() {
    std::vector<short> all;
    short block[1000];
    while (int n = read(block, 1000)) all.insert(all.end(), block, block + n);
    return all;
  }
  void flush() { lib.get<int()>("flush_MBR")(); }
};

double peak(const std::vector<short>& x) {
  double m = 0;
  for (short s : x) m = std::max(m, std::abs(double(s)));
  return m;
}

}  // namespace

TEST_F(MbrolaLibrary, ExportsAllNames) {
  for (const char* name : kNames) EXPECT_NE(dlsym(lib.handle, name), nullptr) << name;
}

TEST_F(MbrolaLibrary, StartFailsWithoutAVoice) {
  auto init = lib.get<int(const char*)>("init_MBR");
  writeFile("junk.db", "not a voice at all, just some text");
  EXPECT_LT(init("missing.db"), 0);
  EXPECT_NE(lastError(), 0);
  EXPECT_LT(init("junk.db"), 0);
  std::string voice = readFile("tiny.db");
  writeFile("cut.db", voice.substr(0, voice.size() / 2));
  EXPECT_LT(init("cut.db"), 0);
  EXPECT_LT(write("a 100\r\n"), 0);
  char text[100];
  EXPECT_GT(lib.get<int(char*, int)>("lastErrorStr_MBR")(text, sizeof text), 0);
}

TEST_F(MbrolaLibrary, LastPhonesWaitForFlushThenAllAudioComes) {
  write("_ 50\r\n");
  write("a 100 50 120\r\n");
  write("i 100 50 120\r\n");
  size_t before = drain().size();
  EXPECT_LT(before, size_t(250 * 16));
  write("a 50\r\n");
  EXPECT_EQ(lastError(), 0);
  flush();
  EXPECT_EQ(before + drain().size(), size_t(300 * 16));
  EXPECT_EQ(read(nullptr, 10), 0);
}

TEST_F(MbrolaLibrary, PiecesOfLinesSoundLikeWholeLines) {
  write("_ 20\r\na 120 0 110 100 140\r\ni 80\r\n_ 20\r\n");
  flush();
  auto whole = drain();
  for (const char* piece : {"_ 2", "0\r", "\na 120 0 110", " 100 140\r\ni", " 80\n_ 20\r\n"}) write(piece);
  flush();
  EXPECT_EQ(drain(), whole);
}

TEST_F(MbrolaLibrary, HashFlushesLikeTheCall) {
  write("a 100\r\n#\r\n");
  EXPECT_EQ(drain().size(), 1600u);
}

TEST_F(MbrolaLibrary, ResetDropsPendingInputAndOutput) {
  write("a 100\r\ni 100\r\na 100\r\ns 10");  // the last line unfinished
  lib.get<int()>("reset_MBR")();
  write("0\r\n");  // would have finished "s 10"
  flush();
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(lastError(), MBR_ERR_SYNTAX);  // "0" alone is no phone line
}

TEST_F(MbrolaLibrary, UnknownsAreSilentAndErrorsOnlyWhenAsked) {
  struct Case { const char* text; int noError; int error; } cases[] = {
      {"_ 50\r\ni 100\r\ns 100\r\n_ 50\r\n", 1, 0},
      {"_ 50\r\ni 100\r\ns 100\r\n_ 50\r\n", 0, MBR_ERR_PHONEME},
      {"_ 50\r\nq 100\r\n_ 50\r\n", 0, MBR_ERR_PHONEME},
      {"_ 50\r\nq 100\r\n_ 50\r\n", 1, 0},
      {"a 1x0\r\n", 1, MBR_ERR_SYNTAX},
  };
  for (const auto& c : cases) {
    lib.get<int()>("reset_MBR")();
    lib.get<void(int)>("setNoError_MBR")(c.noError);
    write(c.text);
    EXPECT_EQ(lastError(), c.error) << c.text << c.noError;
    flush();
    drain();
  }
  lib.get<void(int)>("setNoError_MBR")(1);
  write("_ 50\r\ni 100\r\ns 100\r\n_ 50\r\n");  // i-s missing: from mid i to mid s
  flush();
  auto out = drain();
  ASSERT_EQ(out.size(), 4800u);
  EXPECT_EQ(peak(std::vector<short>(out.begin() + 1900, out.begin() + 2500)), 0);
  EXPECT_GT(peak(std::vector<short>(out.begin() + 900, out.begin() + 1300)), 1000);
}

TEST_F(MbrolaLibrary, VolumeRateAndInformation) {
  EXPECT_EQ(lib.get<int()>("getFreq_MBR")(), 16000);
  write("a 200\r\n");
  flush();
  double full = peak(drain());
  lib.get<void(float)>("setVolumeRatio_MBR")(0.5f);
  EXPECT_FLOAT_EQ(lib.get<float()>("getVolumeRatio_MBR")(), 0.5f);
  write("a 200\r\n");
  flush();
  EXPECT_NEAR(peak(drain()), full / 2, 2);
  ASSERT_EQ(lib.get<int(int)>("setFreq_MBR")(8000), 0);
  write("a 200\r\n");
  flush();
  EXPECT_NEAR(double(drain().size()), 1600, 2);
  char text[64];
  EXPECT_GT(lib.get<int(char*, int)>("getVersion_MBR")(text, sizeof text), 0);
  EXPECT_GT(lib.get<int(char*, int, int)>("getDatabaseInfo_MBR")(text, sizeof text, 1), 0);
  EXPECT_STREQ(text, "diphones 15");
  lib.get<int(int)>("setFreq_MBR")(16000);
  lib.get<void(float)>("setVolumeRatio_MBR")(1.0f);
}

TEST_F(MbrolaLibrary, RenamesAndPhoneCalls) {
  auto initRename = lib.get<int(const char*, const char*, const char*)>("init_rename_MBR");
  ASSERT_EQ(initRename("tiny.db", "a A", "i I"), 0);
  lib.get<void(int)>("setNoError_MBR")(0);
  write("A 100\r\nI 100\r\ni 100\r\n");
  EXPECT_EQ(lastError(), 0);
  write("a 100\r\n");
  EXPECT_EQ(lastError(), MBR_ERR_PHONEME);
  auto* phone = lib.get<mbr_phone*(const char*, float)>("init_Phone")("a", 100);
  ASSERT_NE(phone, nullptr);
  EXPECT_EQ(lib.get<int(mbr_phone*, float, float)>("appendf0_Phone")(phone, 50, 120), 1);
  EXPECT_EQ(lib.get<int(mbr_phone*, float, float)>("appendf0_Phone")(phone, 50, -1), -1);
  lib.get<void(mbr_phone*)>("reset_Phone")(phone);
  EXPECT_EQ(lib.get<int(mbr_phone*, float, float)>("appendf0_Phone")(phone, 10, 120), 1);
  lib.get<void(mbr_phone*)>("close_Phone")(phone);
}

TEST_F(MbrolaLibrary, UserParser) {
  auto parser = [](const char* line, char* name, int size, float* duration, float*, int) -> int {
    if (line[0] == '!') return -1;
    snprintf(name, size_t(size), "%c", line[0]);
    *duration = 100;
    return 0;
  };
  lib.get<void(mbr_parser_fn)>("setParser_MBR")(parser);
  write("!skipped\r\na\r\ni\r\n");
  flush();
  EXPECT_EQ(drain().size(), 3200u);
  lib.get<void(mbr_parser_fn)>("setParser_MBR")(nullptr);
}
