// Conditions, SE/SENAO/FIM, ENQUANTO, REPETE, DESVIA, CHAMA/RETORNA and
// TERMINA.  Owns nothing: moves the program counter and the call stack of
// the interpreter record.
#include "interpreter/control.h"

#include <algorithm>

#include "interpreter/commands.h"
#include "interpreter/lists.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "speech/speech.h"

enum class Op { Ge, Le, Eq2, Ne, Contains, Begins, Ends, In, Eq, Lt, Gt, None };

static Op readOperator(std::string_view& text) {
  using namespace std::literals;
  static const struct { std::string_view sym; Op op; } ops[] = {
      {">="sv, Op::Ge}, {"<="sv, Op::Le}, {"=="sv, Op::Eq2}, {"<>"sv, Op::Ne}, {"*=*"sv, Op::Contains},
      {"=*"sv, Op::Begins}, {"*="sv, Op::Ends}, {"EM"sv, Op::In}, {"="sv, Op::Eq}, {"<"sv, Op::Lt}, {">"sv, Op::Gt}};
  for (const auto& e : ops) {
    if (startsUpper(text, e.sym)) {
      text.remove_prefix(e.sym.size());
      return e.op;
    }
  }
  return Op::None;
}

// The comparison form of a value: its text upper-cased, and a digit string
// (the empty text included) zero-filled on the left to 21 characters as
// "00000000000000000000" + t from position length(t) -- so digit strings
// compare by value and the empty text is less than "0".  Read character by
// character without building it.
namespace {
struct ComparisonForm {
  std::string_view t;
  bool digits;
  size_t size() const { return digits ? 21 - (t.empty() ? 1 : 0) : t.size(); }
  unsigned char at(size_t i) const {
    if (!digits) return upperAnsiChar(t[i]);
    size_t j = (t.empty() ? 0 : t.size() - 1) + i;  // index into 20 zeros + t
    return j < 20 ? '0' : t[j - 20];
  }
};

ComparisonForm comparisonForm(std::string_view t) {
  return {t, std::all_of(t.begin(), t.end(), [](unsigned char c) { return isDigit(c); })};
}

int compareForms(const ComparisonForm& a, const ComparisonForm& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; i++)
    if (a.at(i) != b.at(i)) return a.at(i) < b.at(i) ? -1 : 1;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
}  // namespace

static bool inList(const std::string& a, const ListRecord& list) {
  ComparisonForm key = comparisonForm(a);
  for (const std::string& item : list.items)
    if (compareForms(comparisonForm(item), key) == 0) return true;
  return false;
}

static bool endsWithFirstOccurrence(const std::string& a, const std::string& b) {
  size_t p = b.empty() ? std::string::npos : a.find(b);
  return p != std::string::npos && p + b.size() == a.size();
}

static bool compareValues(Op op, const std::string& a, const std::string& b) {
  switch (op) {
    case Op::Eq2: return a == b;
    case Op::Contains: return !b.empty() && a.find(b) != std::string::npos;
    case Op::Begins: return !b.empty() && a.find(b) == 0;
    case Op::Ends: return endsWithFirstOccurrence(a, b);
    default: break;
  }
  int c = compareForms(comparisonForm(a), comparisonForm(b));
  switch (op) {
    case Op::Eq: return c == 0;
    case Op::Lt: return c < 0;
    case Op::Gt: return c > 0;
    case Op::Le: return c <= 0;
    case Op::Ge: return c >= 0;
    default: return c != 0;
  }
}

static bool readNegation(std::string_view& text) {
  static const std::string naoAccented = ansi("NÃO");
  if (!startsUpper(text, naoAccented) && !startsUpper(text, "NAO")) return false;
  text.remove_prefix(3);
  trimFront(text);
  return true;
}

static bool readTest(std::string_view& text, const std::string& a, Op op, bool& result) {
  if (op == Op::In) {
    std::string name;
    const ListRecord* list = readBracketed(text, name) ? findList(name) : nullptr;
    if (!list) return false;
    result = inList(a, *list);
    return true;
  }
  std::string b;
  if (!readValue(text, b)) return false;
  result = compareValues(op, a, b);
  return true;
}

Condition evalCondition(std::string_view& text) {
  Condition no{false, false};
  if (text.empty()) return no;
  bool negate = readNegation(text);
  if (negate && text.empty()) return no;
  std::string a;
  if (!readValue(text, a) || text.empty()) return no;
  Op op = readOperator(text);
  if (op == Op::None) return no;
  trimFront(text);
  bool result;
  if (text.empty() || !readTest(text, a, op, result)) return no;
  trimFront(text);
  return {true, result != negate};
}

// ---- Scanning the stored lines ------------------------------------------

// Trimmed, upper-cased, every run of blanks reduced to one blank.
static std::string normalisedLine(int n) {
  std::string_view t = trimView(scriptLine(n));
  std::string out;
  out.reserve(t.size());
  for (unsigned char c : t)
    if (!(c == ' ' && !out.empty() && out.back() == ' ')) out.push_back(upperAnsiChar(c));
  return out;
}

// The first word of a stored line: up to its first blank, empty when the
// trimmed line has no blank.
static bool firstWordIs(int n, std::string_view upperWord) {
  std::string_view t = trimView(scriptLine(n));
  return t.size() > upperWord.size() && t[upperWord.size()] == ' ' && startsUpper(t, upperWord);
}

static bool opensBlock(const std::string& line) {
  if (line.compare(0, 3, "SE ") != 0) return false;
  std::string_view rest = std::string_view(line).substr(3);
  Condition c = evalCondition(rest);
  return c.readable && rest.empty();
}

void skipFalseBlock() {
  static const std::string senaoAccented = ansi("SENÃO");
  int depth = 1;
  for (int n = interp.programCounter + 1; n <= interp.lineCount; n++) {
    std::string line = normalisedLine(n);
    if (opensBlock(line)) depth++;
    else if (line == "FIM SE" && --depth == 0) {
      interp.programCounter = n;
      return;
    } else if ((line == "SENAO" || line == senaoAccented) && depth == 1) {
      interp.programCounter = n;
      return;
    }
  }
  interp.programCounter = interp.lineCount + 1;
}

void skipToEnd(std::string_view upperWord) {
  std::string wanted = "FIM " + std::string(upperWord);
  for (int n = interp.programCounter + 1; n <= interp.lineCount; n++) {
    if (normalisedLine(n) == wanted) {
      interp.programCounter = n;
      return;
    }
  }
  interp.programCounter = interp.lineCount + 1;
}

static int headerAbove(std::string_view upperWord) {
  for (int n = interp.programCounter - 1; n >= 1; n--)
    if (firstWordIs(n, upperWord)) return n;
  return 0;
}

// ---- Commands -------------------------------------------------------------

bool cmdSe(std::string_view args) {
  Condition c = evalCondition(args);
  if (!c.readable) return false;
  if (c.value) return args.empty() ? true : executeLine(args, true);
  if (args.empty()) skipFalseBlock();
  return true;
}

bool cmdSenao(std::string_view args) {
  if (!args.empty()) return false;
  skipToEnd("SE");
  return true;
}

bool cmdEnquanto(std::string_view args) {
  Condition c = evalCondition(args);
  if (!c.readable) return false;
  if (!c.value) skipToEnd("ENQUANTO");
  return true;
}

// One step of a counted loop: from its own line (start) or from FIM REPETE
// (continuation, with the counter's current value).
static bool repeteStep(std::string_view args, bool continuation) {
  int slot;
  if (!readVariable(args, slot) || args.empty()) return false;
  int32_t value = 0, limit;
  if (continuation && !textToInt(variable(slot), value)) return false;
  std::string limitText;
  if (!readValue(args, limitText) || !textToInt(limitText, limit)) return false;
  int64_t next = static_cast<int64_t>(value) + 1;
  variable(slot) = intToText(next);
  if (limit < next) skipToEnd("REPETE");
  return true;
}

bool cmdRepete(std::string_view args) { return repeteStep(args, false); }

static bool fimRepete() {
  int header = headerAbove("REPETE");
  if (!header) return false;
  interp.programCounter = header;
  std::string_view line = trimView(scriptLine(header));
  std::string rest = upperAnsi(std::string(trimView(line.substr(line.find(' ') + 1))));
  return repeteStep(rest, true);
}

bool cmdFim(std::string_view args) {
  if (args.empty()) return false;
  if (equalsUpper(args, "ENQUANTO")) {
    int header = headerAbove("ENQUANTO");
    if (!header) return false;
    interp.programCounter = header - 1;
    return true;
  }
  if (equalsUpper(args, "REPETE")) return fimRepete();
  return true;
}

static bool readTarget(std::string_view args, std::string& name) {
  if (args[0] == '@') {
    name.assign(args.substr(1));
    return !name.empty() && name.find(' ') == std::string::npos;
  }
  return readValue(args, name) && args.empty();
}

static bool jump(std::string_view args, bool call) {
  std::string name;
  if (interp.finished || args.empty() || !readTarget(args, name)) return false;
  if (call) {
    if (interp.callDepth == kMaxCallDepth) {
      sayLine("Muitas chamadas sem retorno");
      return false;
    }
    interp.callStack[interp.callDepth++] = interp.programCounter;
  }
  return findLabel(name);
}

bool cmdDesvia(std::string_view args) { return jump(args, false); }

bool cmdChama(std::string_view args) { return jump(args, true); }

bool cmdRetorna(std::string_view args) {
  if (!args.empty()) return false;
  if (interp.callDepth == 0) {
    sayLine("Retorno sem chamada");
    return false;
  }
  interp.programCounter = interp.callStack[--interp.callDepth];
  return true;
}

bool cmdTermina(std::string_view args) {
  interp.finished = true;
  interp.silentEnd = equalsUpper(args, "MUDO");
  return true;
}
