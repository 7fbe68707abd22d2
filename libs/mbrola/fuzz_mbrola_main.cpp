// libFuzzer program over write_MBR with the tiny test voice written once to
// a temporary file.
#include <cstdlib>
#include <string>

#include "../../tests/unit/mbrola_test_voice.h"
#include "fuzz_write.h"
#include "mbrola.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string voice = [] {
    std::string path = "/tmp/fuzz_mbrola_voice.db";
    if (!mbr::saveVoiceDb(path, testvoice::make())) std::abort();
    return path;
  }();
  static const MbrCalls calls = {init_MBR, write_MBR, flush_MBR, read_MBR, reset_MBR,
                                 lastError_MBR, setNoError_MBR, close_MBR};
  if (fuzzWriteMbr(calls, voice.c_str(), data, size) < 0) std::abort();
  return 0;
}
