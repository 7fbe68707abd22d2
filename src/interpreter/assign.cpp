// SEJA, its keywords and value functions, and RANDOMIZA.  Reads the clock and
// the program's parameters; changes only the variable it assigns and the
// shared random seed.
#include <cstdio>

#include "console/console.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "platform/clock.h"
#include "platform/program.h"
#include "platform/random.h"
#include "speech/speech.h"

static std::string twoDigits(int n) {
  char buf[16];
  snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

static std::string paramsValue() {
  const auto& params = programParameters();
  std::string v = intToText(static_cast<int64_t>(params.size()));
  for (const std::string& p : params) v += " " + p;
  return v;
}

static std::string dateValue() {
  int year, month, day, weekday;
  getDate(year, month, day, weekday);
  return twoDigits(day) + "/" + twoDigits(month) + "/" + intToText(year);
}

static std::string timeValue() {
  int hour, minute, second, hundredths;
  getTime(hour, minute, second, hundredths);
  return twoDigits(hour) + ":" + twoDigits(minute) + ":" + twoDigits(second);
}

static std::string weekdayValue() {
  static const char* names[7] = {"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"};
  int year, month, day, weekday;
  getDate(year, month, day, weekday);
  return ansi(names[weekday % 7]);
}

// Hundredths since the interpreter's reset; runs on across midnight for a week.
static std::string elapsedValue() {
  int year, month, day, weekday, hour, minute, second, hundredths;
  getDate(year, month, day, weekday);
  getTime(hour, minute, second, hundredths);
  int days = weekday - interp.startWeekday;
  if (days < 0) days += 7;
  int64_t hours = hour + 24 * days;
  int64_t now = ((hours * 60 + minute) * 60 + second) * 100 + hundredths;
  return intToText(now - interp.startTime);
}

static bool keywordValue(std::string_view rest, std::string& value) {
  if (rest.size() > 6) return false;
  std::string upper = upperAnsi(std::string(rest));
  if (upper == "PARAMS") value = paramsValue();
  else if (upper == "DATA") value = dateValue();
  else if (upper == "CRLF") value = "\r\n";
  else if (upper == "HORA") value = timeValue();
  else if (upper == "DIA") value = weekdayValue();
  else if (upper == "TEMPO") value = elapsedValue();
  else return false;
  return true;
}

std::string charFromCode(std::string_view t) {
  if (t.empty()) return "";
  if (t.size() > 4 && t[3] == '#') {
    for (int i = 0; i < 3; i++)
      if (t[i] != '0' && t[i] != '1') return "";
    t.remove_prefix(3);
  }
  if (t[0] != '#') return "";
  t.remove_prefix(1);
  int32_t code;
  if ((!t.empty() && t[0] == '0') || !textToInt(t, code)) return "";
  return std::string(1, static_cast<char>(static_cast<uint32_t>(code) & 0xFF));
}

static std::string nthWord(int32_t n, std::string_view text) {
  for (int32_t k = 1; k < n && !text.empty(); k++) {
    size_t blank = text.find(' ');
    text = blank == std::string_view::npos ? std::string_view{} : trimView(text.substr(blank + 1));
  }
  return std::string(text.substr(0, text.find(' ')));
}

static std::string positionOf(const std::string& part, const std::string& text) {
  size_t p = part.empty() ? std::string::npos : text.find(part);
  return p == std::string::npos ? "0" : intToText(static_cast<int64_t>(p) + 1);
}

enum class Fn { None, Tamanho, Maiusc, Trim, Pos, Rand, Palavra, Chr, Asc };

static Fn functionAt(std::string_view rest) {
  static const struct { const char* name; Fn fn; } table[] = {
      {"TAMANHO ", Fn::Tamanho}, {"MAIUSC ", Fn::Maiusc}, {"TRIM ", Fn::Trim}, {"POS ", Fn::Pos},
      {"RAND ", Fn::Rand},       {"PALAVRA ", Fn::Palavra}, {"CHR ", Fn::Chr}, {"ASC ", Fn::Asc}};
  for (const auto& e : table) {
    if (startsUpper(rest, e.name)) return e.fn;
  }
  return Fn::None;
}

static const char* functionName(Fn fn) {
  static const char* names[] = {"", "TAMANHO ", "MAIUSC ", "TRIM ", "POS ", "RAND ", "PALAVRA ", "CHR ", "ASC "};
  return names[static_cast<int>(fn)];
}

static bool applyFunction(Fn fn, const std::string& first, const std::string& v, std::string& out) {
  int32_t n;
  switch (fn) {
    case Fn::Tamanho: out = intToText(static_cast<int64_t>(v.size())); return true;
    case Fn::Maiusc: out = upperAnsi(v); return true;
    case Fn::Trim: out = std::string(trimView(v)); return true;
    case Fn::Pos: out = positionOf(first, v); return true;
    case Fn::Rand:
      if (!textToInt(v, n)) return false;
      out = intToText(randomNext(static_cast<uint32_t>(n)));
      return true;
    case Fn::Palavra:
      if (!textToInt(first, n) || n < 1) return false;
      out = nthWord(n, v);
      return true;
    case Fn::Chr: out = charFromCode(v); return true;
    case Fn::Asc:
      out.clear();
      if (v.size() == 1) out.append("#").append(intToText(static_cast<unsigned char>(v[0])));
      return true;
    default: return false;
  }
}

static bool functionValue(Fn fn, std::string_view rest, std::string& out) {
  rest.remove_prefix(std::string_view(functionName(fn)).size());
  trimFront(rest);
  std::string first, last;
  if ((fn == Fn::Pos || fn == Fn::Palavra) && !readValue(rest, first)) return false;
  if (!readValue(rest, last) || !rest.empty()) return false;
  return applyFunction(fn, first, last, out);
}

bool cmdSeja(std::string_view args) {
  int slot;
  if (!readVariable(args, slot) || args.empty()) return false;
  if (args[0] == '=') {
    args.remove_prefix(1);
    trimFront(args);
    if (args.empty()) return false;
  }
  std::string value;
  if (keywordValue(args, value)) {
    variable(slot) = value;
    return true;
  }
  Fn fn = functionAt(args);
  if (fn != Fn::None) {
    if (!functionValue(fn, args, value)) return false;
    variable(slot) = value;
    return true;
  }
  if (!readValue(args, value)) return false;
  variable(slot) = value;
  return args.empty();
}

bool cmdRandomiza(std::string_view args) {
  if (!args.empty()) return false;
  ClockTime t = clockUtcTime();
  randomSetSeed(static_cast<uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond));
  return true;
}
