// libFuzzer entry for the condition target.
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzCondition(data, size);
  return 0;
}
