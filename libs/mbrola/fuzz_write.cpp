// Fuzz body: any bytes through write_MBR in pieces, with flushes, resets
// and reads mixed in.  Reads use a small buffer so the block limit is
// exercised; a read that returns more than asked is reported.
#include "fuzz_write.h"

#include <string>

namespace {

long drain(const MbrCalls& c) {
  short block[257];
  block[256] = 0x1234;
  long total = 0;
  while (int n = c.read(block, 256)) {
    if (n < 0 || n > 256 || block[256] != 0x1234) return -1;
    total += n;
  }
  return total;
}

}  // namespace

long fuzzWriteMbr(const MbrCalls& c, const char* voicePath, const uint8_t* data, size_t size) {
  if (c.init(voicePath) < 0) return -1;
  c.setNoError(size % 2 ? 1 : 0);
  std::string piece;
  long total = 0;
  for (size_t i = 0; i <= size && total >= 0; ++i) {
    uint8_t b = i < size ? data[i] : 0xff;
    if (b < 0xfd) { if (b) piece.push_back(char(b)); continue; }
    c.write(piece.c_str());
    piece.clear();
    c.lastError();
    if (b == 0xfe) c.flush();
    if (b == 0xfd) c.reset();
    long n = drain(c);
    total = n < 0 ? -1 : total + n;
  }
  if (total >= 0) c.flush();
  long n = total >= 0 ? drain(c) : 0;
  c.close();
  return total < 0 || n < 0 ? -1 : total + n;
}
