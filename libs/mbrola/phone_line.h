// Phoneme lines: splitting written text into lines and reading one line of
// "name duration [position pitch]..." into a phone.  Owns no state of the
// synthesizer; the line buffer belongs to its caller.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mbr {

struct Phone {
  std::string name;
  double durationMs = 0;
  std::vector<std::pair<double, double>> points;  // (percent, Hz)
};

enum class LineKind { Skip, Phone, Flush, Bad };

// The longest line kept; a longer one is reported as bad once its end comes.
constexpr size_t kMaxLine = 65536;

LineKind parsePhoneLine(std::string_view line, Phone& out);

// Text written in pieces: complete lines are handed out, the unfinished
// rest stays.  CR LF and LF end a line.
struct LineBuffer {
  std::string pending;
  bool overflow = false;
};

// Appends text and calls onLine(line, tooLong) for each complete line.
template <typename F>
void feedLines(LineBuffer& buf, std::string_view text, F&& onLine) {
  for (char c : text) {
    if (c == '\n') {
      if (!buf.pending.empty() && buf.pending.back() == '\r') buf.pending.pop_back();
      onLine(std::string_view(buf.pending), buf.overflow);
      buf.pending.clear();
      buf.overflow = false;
    } else if (buf.pending.size() < kMaxLine) {
      buf.pending.push_back(c);
    } else {
      buf.overflow = true;
    }
  }
}

}  // namespace mbr
