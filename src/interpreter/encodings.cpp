// The text encoding commands and their routines: Windows-1252 and UTF-8,
// base64 on variables and files, quoted-printable escaping.  Owns no state;
// variables belong to values.cpp, the code page table to the platform.
//
// UTF8PARAANSI takes the text as a whole: any sequence that is not sound
// UTF-8 (a missing continuation byte, a sequence cut off at the end, a
// stray continuation byte, an overlong form) gives the empty text, while
// characters Windows-1252 cannot hold become "?".  The file conversions
// fail when a read or a write fails, and never write over their own source.
#include "interpreter/encoding_commands.h"

#include <cstdint>
#include <unistd.h>

#include "interpreter/files.h"
#include "interpreter/values.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLineLength = 64;
constexpr size_t kFileBlock = 1024;

int sextetOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  return c == '/' ? 63 : -1;
}

// Bits waiting to be written as characters (encoding) or as bytes (decoding).
struct BitQueue {
  uint32_t bits = 0;
  int count = 0;
  bool ended = false;  // decoding: the "=" that ends the data was met
};

void encodeByte(BitQueue& q, unsigned char byte, std::string& out) {
  q.bits = (q.bits << 8) | byte;
  q.count += 8;
  while (q.count >= 6) {
    q.count -= 6;
    out += kAlphabet[(q.bits >> q.count) & 63];
  }
}

// The last, unfinished group and its padding.
void finishEncoding(BitQueue& q, std::string& out) {
  if (q.count > 0) out += kAlphabet[(q.bits << (6 - q.count)) & 63];
  q.count = 0;
  while (out.size() % 4 != 0) out += '=';
}

void decodeChar(BitQueue& q, unsigned char c, std::string& out) {
  if (q.ended) return;
  if (c == '=') {
    q.ended = true;
    return;
  }
  int sextet = sextetOf(c);
  if (sextet < 0) return;
  q.bits = (q.bits << 6) | static_cast<uint32_t>(sextet);
  q.count += 6;
  if (q.count < 8) return;
  q.count -= 8;
  out += static_cast<char>((q.bits >> q.count) & 0xFF);
}

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool isEscaped(unsigned char c) { return c < 32 || c == '=' || c >= 127; }

}  // namespace

std::string encodeBase64(const std::string& bytes) {
  BitQueue q;
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (unsigned char c : bytes) encodeByte(q, c, out);
  finishEncoding(q, out);
  return out;
}

std::string decodeBase64(const std::string& text) {
  BitQueue q;
  std::string out;
  for (size_t i = 0; i < text.size() && !q.ended; i++) decodeChar(q, text[i], out);
  return out;
}

std::string quotedEncode(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (!isEscaped(c)) { out += static_cast<char>(c); continue; }
    out += '=';
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out;
}

std::string quotedDecode(const std::string& text) {
  size_t end = !text.empty() && text.back() == '=' ? text.size() - 1 : text.size();
  std::string out;
  for (size_t i = 0; i < end; i++) {
    bool escape = text[i] == '=' && i + 2 < end && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0;
    if (!escape) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
    i += 2;
  }
  return out;
}

// ---- Files ---------------------------------------------------------------

namespace {

bool writeText(int fd, const std::string& text) { return writeAll(fd, text.data(), text.size()); }

// Full lines of the pending output go out with CR LF; the rest waits.
bool writeFullLines(int fd, std::string& pending) {
  size_t done = 0;
  for (; pending.size() - done >= kLineLength; done += kLineLength)
    if (!writeText(fd, pending.substr(done, kLineLength) + "\r\n")) return false;
  pending.erase(0, done);
  return true;
}

bool encodeStream(int in, int out) {
  char block[kFileBlock];
  BitQueue q;
  std::string pending;
  for (long n; (n = readSome(in, block, sizeof block)) != 0;) {
    if (n < 0) return false;
    for (long i = 0; i < n; i++) encodeByte(q, block[i], pending);
    if (!writeFullLines(out, pending)) return false;
  }
  finishEncoding(q, pending);
  return pending.empty() || writeText(out, pending + "\r\n");
}

bool decodeStream(int in, int out) {
  char block[kFileBlock];
  BitQueue q;
  std::string bytes;
  for (long n; !q.ended && (n = readSome(in, block, sizeof block)) != 0;) {
    if (n < 0) return false;
    for (long i = 0; i < n && !q.ended; i++) decodeChar(q, block[i], bytes);
    if (bytes.size() < kFileBlock) continue;
    if (!writeText(out, bytes)) return false;
    bytes.clear();
  }
  return writeText(out, bytes);
}

using StreamConversion = bool (*)(int in, int out);

bool convertFile(const std::string& source, const std::string& destination, StreamConversion convert) {
  int in = openSourceFile(source);
  if (in < 0) return false;
  int out = createTargetFile(destination, in);
  bool ok = out >= 0 && convert(in, out);
  close(in);
  if (out >= 0) close(out);
  return ok;
}

}  // namespace

bool encodeBase64File(const std::string& source, const std::string& destination) {
  return convertFile(source, destination, encodeStream);
}

bool decodeBase64File(const std::string& source, const std::string& destination) {
  return convertFile(source, destination, decodeStream);
}

// ---- Commands ------------------------------------------------------------

namespace {

std::string utf8ToAnsiWhole(const std::string& text) {
  std::string ansi;
  utf8ToAnsiStrict(text, ansi);
  return ansi;
}

using TextConversion = std::string (*)(const std::string&);

// The first item is read as a value, converted, and stored back into it
// when it is a variable; a literal is converted and the line fails.
bool convertInPlace(std::string_view args, TextConversion convert) {
  std::string_view kept = args;
  std::string value;
  if (!readValue(args, value)) return false;
  std::string converted = convert(value);
  int slot = 0;
  if (!readVariable(kept, slot)) return false;
  variable(slot) = std::move(converted);
  return true;
}

bool convertFiles(std::string_view args, bool (*convert)(const std::string&, const std::string&)) {
  std::string source, destination;
  if (!readValue(args, source) || !readValue(args, destination)) return false;
  return fileExists(source) && convert(source, destination);
}

}  // namespace

bool cmdAnsiParaUtf8(std::string_view args) { return convertInPlace(args, ansiToUtf8); }
bool cmdUtf8ParaAnsi(std::string_view args) { return convertInPlace(args, utf8ToAnsiWhole); }
bool cmdCodBase64(std::string_view args) { return convertInPlace(args, encodeBase64); }
bool cmdDecodBase64(std::string_view args) { return convertInPlace(args, decodeBase64); }
bool cmdAdQuoted(std::string_view args) { return convertInPlace(args, quotedEncode); }
bool cmdRemoveQuoted(std::string_view args) { return convertInPlace(args, quotedDecode); }
bool cmdCodArqBase64(std::string_view args) { return convertFiles(args, encodeBase64File); }
bool cmdDecodArqBase64(std::string_view args) { return convertFiles(args, decodeBase64File); }
