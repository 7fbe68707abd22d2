// The fuzz body over write_MBR, shared by the libFuzzer program and the
// unit test that replays it.  The calls come in as a table so that the test
// can hand in the ones it bound from the built library.
#pragma once

#include <cstddef>
#include <cstdint>

struct MbrCalls {
  int (*init)(const char*);
  int (*write)(const char*);
  int (*flush)();
  int (*read)(short*, int);
  int (*reset)();
  int (*lastError)();
  void (*setNoError)(int);
  void (*close)();
};

// Feeds the bytes as phoneme text in pieces (byte 0xff ends a piece, 0xfe
// flushes, 0xfd resets), reading after each piece.  Returns the number of
// samples read, or -1 when a read broke its limit.
long fuzzWriteMbr(const MbrCalls& calls, const char* voicePath, const uint8_t* data, size_t size);
