// Replays the fuzz corpus through the fuzz target bodies, so inputs that
// once crashed stay fixed in every ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../fuzz/fuzz_targets.h"

namespace fs = std::filesystem;

static int replay(const char* corpus, void (*target)(const uint8_t*, size_t)) {
  int count = 0;
  for (const auto& e : fs::directory_iterator(fs::path(TEST_SOURCE_DIR) / "fuzz" / "corpus" / corpus)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    count++;
  }
  return count;
}

TEST(FuzzCorpus, ReplaysEveryInput) {
  EXPECT_GT(replay("line", fuzzLine), 0);
  EXPECT_GT(replay("expression", fuzzExpression), 0);
  EXPECT_GT(replay("condition", fuzzCondition), 0);
}
