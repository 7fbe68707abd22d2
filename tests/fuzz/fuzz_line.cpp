// libFuzzer entry for the line target.
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzLine(data, size);
  return 0;
}
