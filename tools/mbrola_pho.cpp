// mbrola-pho VOICE input.pho output.wav: speaks a phoneme file through the
// synthesizer library and writes a 16 kHz mono wave file.  Lines go in one
// by one with CR LF, as the engine sends them; errors are reported and the
// run goes on after a reset, so one bad line does not cost the whole file.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "mbrola.h"

namespace {

void put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
}

std::string waveHeader(uint32_t dataBytes) {
  std::string h = "RIFF";
  put(h, dataBytes + 36, 4);
  h += "WAVEfmt ";
  put(h, 16, 4); put(h, 1, 2); put(h, 1, 2); put(h, 16000, 4); put(h, 32000, 4); put(h, 2, 2); put(h, 16, 2);
  h += "data";
  put(h, dataBytes, 4);
  return h;
}

void drain(std::vector<short>& all) {
  static short block[64000];
  while (int n = read_MBR(block, 64000)) all.insert(all.end(), block, block + n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mbrola-pho VOICE input.pho output.wav\n");
    return 2;
  }
  char message[256];
  if (init_MBR(argv[1]) < 0) {
    lastErrorStr_MBR(message, sizeof message);
    std::fprintf(stderr, "mbrola-pho: %s\n", message);
    return 1;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) { std::fprintf(stderr, "mbrola-pho: cannot read %s\n", argv[2]); return 1; }
  std::vector<short> audio;
  std::string line;
  int errors = 0, number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    write_MBR((line + "\r\n").c_str());
    if (lastError_MBR()) {
      lastErrorStr_MBR(message, sizeof message);
      std::fprintf(stderr, "mbrola-pho: %s:%d: %s\n", argv[2], number, message);
      ++errors;
      reset_MBR();
    }
    drain(audio);
  }
  flush_MBR();
  drain(audio);
  close_MBR();
  std::string bytes = waveHeader(uint32_t(audio.size() * 2));
  for (short s : audio) put(bytes, uint16_t(s), 2);
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out.flush()) { std::fprintf(stderr, "mbrola-pho: cannot write %s\n", argv[3]); return 1; }
  return errors ? 1 : 0;
}
