// SOMA, SUBTRAI, MULTIPLICA, DIVIDE, CONCATENA, COPIA, DELETA and SUBSTITUI:
// commands that change one variable in place.  32-bit arithmetic that wraps.
#include "interpreter/commands.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "speech/speech.h"

static bool readInteger(std::string_view& args, int32_t& n) {
  std::string text;
  return readValue(args, text) && textToInt(text, n);
}

// An integer after trimming its text, as COPIA and DELETA take positions.
static bool readTrimmedInteger(std::string_view& args, int32_t& n) {
  std::string text;
  return readValue(args, text) && textToInt(trimView(text), n);
}

bool cmdSoma(std::string_view args) {
  int slot;
  int32_t n;
  if (!readVariable(args, slot) || args.empty() || !readInteger(args, n)) return false;
  const std::string& t = variable(slot);
  size_t cut = t.size();
  while (cut > 0 && isDigit(t[cut - 1])) cut--;
  if (cut > 0 && t[cut - 1] == '-') cut--;
  int32_t m;
  if (!textToInt(std::string_view(t).substr(cut), m)) m = 0;
  uint32_t sum = static_cast<uint32_t>(n) + static_cast<uint32_t>(m);
  variable(slot) = t.substr(0, cut) + intToText(static_cast<int32_t>(sum));
  return true;
}

enum class Arith { Sub, Mul, Div };

// The most negative number divided by -1 has no 32-bit result: the command
// fails and leaves the variable as it was.
static bool arithmetic(std::string_view args, Arith op) {
  int slot;
  int32_t a, b;
  if (!readVariable(args, slot) || args.empty()) return false;
  if (!textToInt(variable(slot), a) || !readInteger(args, b)) return false;
  uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
  int32_t result;
  if (op == Arith::Sub) {
    result = static_cast<int32_t>(ua - ub);
  } else if (op == Arith::Mul) {
    result = static_cast<int32_t>(ua * ub);
  } else {
    if (b == 0) {
      sayLine(ansi("Divisão por zero"));
      return false;
    }
    if (a == INT32_MIN && b == -1) return false;
    result = a / b;
  }
  variable(slot) = intToText(result);
  return args.empty();
}

bool cmdSubtrai(std::string_view args) { return arithmetic(args, Arith::Sub); }

bool cmdMultiplica(std::string_view args) { return arithmetic(args, Arith::Mul); }

bool cmdDivide(std::string_view args) { return arithmetic(args, Arith::Div); }

bool cmdConcatena(std::string_view args) {
  int slot;
  std::string value;
  if (!readVariable(args, slot) || !readValue(args, value) || !args.empty()) return false;
  variable(slot) += value;
  return true;
}

bool cmdCopia(std::string_view args) {
  int dest, source;
  int32_t from, to;
  if (!readVariable(args, dest) || !readVariable(args, source)) return false;
  if (!readTrimmedInteger(args, from) || !readTrimmedInteger(args, to)) return false;
  std::string s = variable(source);
  int64_t length = static_cast<int64_t>(to) - from + 1;
  int64_t start = from < 1 ? 1 : from;
  if (start > static_cast<int64_t>(s.size()) || length <= 0) {
    variable(dest).clear();
  } else {
    variable(dest) = s.substr(start - 1, static_cast<size_t>(length));
  }
  return true;
}

bool cmdDeleta(std::string_view args) {
  int slot;
  int32_t from, count;
  if (!readVariable(args, slot)) return false;
  if (!readTrimmedInteger(args, from) || !readTrimmedInteger(args, count)) return false;
  std::string& t = variable(slot);
  if (from >= 1 && from <= static_cast<int64_t>(t.size()) && count > 0) t.erase(from - 1, count);
  return true;
}

static std::string insertBeforeEach(const std::string& t, const std::string& ins) {
  std::string out;
  out.reserve(t.size() * (ins.size() + 1) + ins.size());
  for (char c : t) out += ins + c;
  return out + ins;
}

// Replacement right to left over the text as it changes, so a replacement may
// form a new match with the characters to its left ("aab", "ab" -> "b" gives
// "b").  The unscanned left part and the scanned right part (kept reversed)
// meet at the window, which keeps the work linear in the text's length.
static std::string replaceFromRight(const std::string& t, const std::string& old, const std::string& rep) {
  if (old.empty()) return insertBeforeEach(t, rep);
  if (t.size() < old.size()) return t;
  size_t first = t.size() - old.size();
  std::string left = t.substr(0, first + 1);
  std::string right(t.rbegin(), t.rend() - first - 1);  // t[first+1..], reversed
  const std::string repReversed(rep.rbegin(), rep.rend());
  while (!left.empty()) {
    bool match = left.back() == old[0] && right.size() >= old.size() - 1;
    for (size_t i = 1; match && i < old.size(); i++) match = right[right.size() - i] == old[i];
    if (match) {
      left.pop_back();
      right.resize(right.size() - (old.size() - 1));
      right += repReversed;
    } else {
      right.push_back(left.back());
      left.pop_back();
    }
  }
  return std::string(right.rbegin(), right.rend());
}

bool cmdSubstitui(std::string_view args) {
  int slot;
  std::string oldText, newText;
  if (!readVariable(args, slot) || !readValue(args, oldText) || !readValue(args, newText)) return false;
  variable(slot) = replaceFromRight(variable(slot), oldText, newText);
  return true;
}
