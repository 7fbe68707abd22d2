// Reading one phoneme line.  Numbers are read without the locale so that a
// decimal comma never sneaks in; limits keep one line from asking for hours
// of audio or impossible pitches.
#include "phone_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mbr {

namespace {

constexpr double kMaxDurationMs = 30000;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Next blank-separated token from pos; empty at the end of the line.
std::string_view nextToken(std::string_view line, size_t& pos) {
  while (pos < line.size() && isBlank(line[pos])) ++pos;
  size_t start = pos;
  while (pos < line.size() && !isBlank(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

bool readNumber(std::string_view token, double& value) {
  if (token.empty()) return false;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

}  // namespace

LineKind parsePhoneLine(std::string_view line, Phone& out) {
  size_t pos = 0;
  std::string_view name = nextToken(line, pos);
  if (name.empty() || name[0] == ';') return LineKind::Skip;
  if (name[0] == '#') return LineKind::Flush;
  out.name.assign(name);
  out.points.clear();
  if (!readNumber(nextToken(line, pos), out.durationMs)) return LineKind::Bad;
  if (out.durationMs < 0 || out.durationMs > kMaxDurationMs) return LineKind::Bad;
  for (;;) {
    std::string_view posToken = nextToken(line, pos);
    if (posToken.empty() || posToken[0] == ';') return LineKind::Phone;
    double percent = 0, hz = 0;
    if (!readNumber(posToken, percent) || !readNumber(nextToken(line, pos), hz)) return LineKind::Bad;
    if (hz <= 0) return LineKind::Bad;
    out.points.emplace_back(std::clamp(percent, 0.0, 100.0), std::clamp(hz, 40.0, 1000.0));
  }
}

}  // namespace mbr
