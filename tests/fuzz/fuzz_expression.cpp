// libFuzzer entry for the expression target.
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzExpression(data, size);
  return 0;
}
