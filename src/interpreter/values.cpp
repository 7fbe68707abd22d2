// Variables, argument readers and the integer expression evaluator.
// Owns the 127 variable slots and the list of variable names; never writes
// to the console (readers fail quietly and the command fails its line).
#include "interpreter/values.h"

#include <vector>

#include "interpreter/text.h"

static std::string slots[kVariableSlots];
static std::vector<std::string> variableNames;

void resetVariables() {
  variableNames.clear();
  for (std::string& s : slots) s.clear();
}

std::string& variable(int slot) { return slots[slot]; }

int namedVariableCount() { return static_cast<int>(variableNames.size()); }

static bool isNameChar(unsigned char c) { return isDigit(c) || isAsciiLetter(c) || c == '_'; }

static bool isExprNameChar(unsigned char c) { return isDigit(c) || isAsciiLetter(c); }

// A name not yet known takes the next free named slot; when all are taken
// the read fails, so no slot is ever shared.
static bool slotOfName(const std::string& name, int& slot) {
  for (size_t k = 0; k < variableNames.size(); k++) {
    if (variableNames[k] == name) {
      slot = kLetterVariables + static_cast<int>(k);
      return true;
    }
  }
  if (variableNames.size() >= kNamedVariables) return false;
  variableNames.push_back(name);
  slot = kLetterVariables + static_cast<int>(variableNames.size()) - 1;
  return true;
}

bool readVarName(std::string_view& text, int& slot) {
  text.remove_prefix(1);
  if (text.empty()) return false;
  std::string name;
  size_t i = 0;
  while (i < text.size() && isNameChar(text[i])) name.push_back(upperAscii(text[i++]));
  if (name.empty() || !slotOfName(name, slot)) return false;
  text.remove_prefix(i);
  trimFront(text);
  return true;
}

bool readVariable(std::string_view& text, int& slot) {
  trimFront(text);
  if (text.empty()) return false;
  if (text[0] == '$') return readVarName(text, slot);
  if (!isAsciiLetter(text[0])) return false;
  slot = upperAscii(text[0]) - 'A';
  text.remove_prefix(1);
  if (!text.empty() && (isDigit(text[0]) || isAsciiLetter(text[0]))) return false;
  trimFront(text);
  return true;
}

static void readNumberLiteral(std::string_view& text, std::string& value) {
  size_t i = 1;
  while (i < text.size() && isDigit(text[i])) i++;
  value.assign(text.substr(0, i));
  text.remove_prefix(i);
}

static void readStringLiteral(std::string_view& text, std::string& value) {
  text.remove_prefix(1);
  value.clear();
  for (;;) {
    size_t q = text.find('"');
    if (q == std::string_view::npos) {
      value.append(text);
      text = {};
      return;
    }
    value.append(text.substr(0, q));
    text.remove_prefix(q + 1);
    if (text.empty() || text[0] != '"') return;
    value.push_back('"');
    text.remove_prefix(1);
  }
}

static bool readParenthesised(std::string_view& text, std::string& value) {
  text.remove_prefix(1);
  int32_t n;
  if (!evalExpression(text, n)) return false;
  trimFront(text);
  if (text.empty() || text[0] != ')') return false;
  text.remove_prefix(1);
  value = intToText(n);
  return true;
}

bool readValue(std::string_view& text, std::string& value) {
  trimFront(text);
  if (text.empty()) return false;
  unsigned char c = text[0];
  if (c == '-' || isDigit(c)) {
    readNumberLiteral(text, value);
  } else if (c == '"') {
    readStringLiteral(text, value);
  } else if (c == '$') {
    int slot;
    if (!readVarName(text, slot)) return false;
    value = slots[slot];
  } else if (isAsciiLetter(c)) {
    value = slots[upperAscii(c) - 'A'];
    text.remove_prefix(1);
  } else if (c == '(') {
    if (!readParenthesised(text, value)) return false;
  } else {
    return false;
  }
  trimFront(text);
  return true;
}

bool readChannel(std::string_view& text, int& channel) {
  trimFront(text);
  if (text.size() < 2 || text[0] != '#' || !isDigit(text[1])) return false;
  channel = text[1] - '0';
  text.remove_prefix(2);
  if (!text.empty() && text[0] != ' ') return false;
  trimFront(text);
  return true;
}

bool readBracketed(std::string_view& text, std::string& name) {
  trimFront(text);
  if (text.size() < 2 || text[0] != '[') return false;
  text.remove_prefix(1);
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == ']' && !name.empty()) {
      text.remove_prefix(i + 1);
      return true;
    }
    name.push_back(text[i]);
  }
  return false;
}

// ---- Integer expressions -------------------------------------------------

namespace {

enum class Tok { End, Number, Invalid, LParen, RParen, Star, Plus, Minus, Slash };

// Nesting deeper than this fails the expression instead of the stack.
constexpr int kMaxExpressionDepth = 2000;

struct Lexer {
  std::string_view text;
  size_t pos = 0;
  size_t start = 0;
  Tok tok = Tok::End;
  int32_t value = 0;
  int depth = 0;
};

Tok operatorToken(unsigned char c) {
  switch (c) {
    case '(': return Tok::LParen;
    case ')': return Tok::RParen;
    case '*': return Tok::Star;
    case '+': return Tok::Plus;
    case '-': return Tok::Minus;
    case '/': return Tok::Slash;
    default: return Tok::Invalid;
  }
}

void lexVariable(Lexer& lx) {
  size_t end = lx.pos + 1;
  if (lx.text[lx.pos] == '$')
    while (end < lx.text.size() && isExprNameChar(lx.text[end])) end++;
  std::string_view token = lx.text.substr(lx.pos, end - lx.pos);
  lx.pos = end;
  std::string v;
  int32_t n;
  bool ok = readValue(token, v) && textToInt(v, n);
  lx.tok = ok ? Tok::Number : Tok::Invalid;
  lx.value = ok ? n : 0;
}

void nextToken(Lexer& lx) {
  while (lx.pos < lx.text.size() && lx.text[lx.pos] == ' ') lx.pos++;
  lx.start = lx.pos;
  if (lx.pos >= lx.text.size()) {
    lx.tok = Tok::End;
    return;
  }
  unsigned char c = lx.text[lx.pos];
  if (isDigit(c)) {
    uint32_t v = 0;
    while (lx.pos < lx.text.size() && isDigit(lx.text[lx.pos])) v = v * 10 + (lx.text[lx.pos++] - '0');
    lx.tok = Tok::Number;
    lx.value = static_cast<int32_t>(v);
  } else if (c == '$' || isAsciiLetter(c)) {
    lexVariable(lx);
  } else {
    lx.tok = operatorToken(c);
    lx.pos++;
  }
}

bool parseSum(Lexer& lx, int32_t& value);

bool parseFactor(Lexer& lx, int32_t& value) {
  if (++lx.depth > kMaxExpressionDepth) return false;
  bool ok = false;
  if (lx.tok == Tok::Number) {
    value = lx.value;
    nextToken(lx);
    ok = true;
  } else if (lx.tok == Tok::LParen) {
    nextToken(lx);
    ok = parseSum(lx, value) && lx.tok == Tok::RParen;
    if (ok) nextToken(lx);
  } else if (lx.tok == Tok::Minus) {
    nextToken(lx);
    ok = parseFactor(lx, value);
    if (ok) value = static_cast<int32_t>(0u - static_cast<uint32_t>(value));
  }
  lx.depth--;
  return ok;
}

// The most negative number divided by -1 has no 32-bit result: it fails like
// a division by zero rather than wrapping or trapping.
bool combine(Tok op, int32_t& left, int32_t right) {
  uint32_t a = static_cast<uint32_t>(left), b = static_cast<uint32_t>(right);
  switch (op) {
    case Tok::Star: left = static_cast<int32_t>(a * b); return true;
    case Tok::Plus: left = static_cast<int32_t>(a + b); return true;
    case Tok::Minus: left = static_cast<int32_t>(a - b); return true;
    default:
      if (right == 0 || (left == INT32_MIN && right == -1)) return false;
      left /= right;
      return true;
  }
}

using Level = bool (*)(Lexer&, int32_t&);

// One level of left-associative operators; a dangling operator before a token
// that is not one of this level's operators is ignored.
bool parseLevel(Lexer& lx, int32_t& value, Level operand, Tok op1, Tok op2) {
  if (!operand(lx, value)) return false;
  while (lx.tok == op1 || lx.tok == op2) {
    Tok op = lx.tok;
    nextToken(lx);
    int32_t right;
    if (!operand(lx, right)) return !(lx.tok == op1 || lx.tok == op2);
    if (!combine(op, value, right)) return false;
  }
  return true;
}

bool parseTerm(Lexer& lx, int32_t& value) {
  return parseLevel(lx, value, parseFactor, Tok::Star, Tok::Slash);
}

bool parseSum(Lexer& lx, int32_t& value) {
  return parseLevel(lx, value, parseTerm, Tok::Plus, Tok::Minus);
}

}  // namespace

bool evalExpression(std::string_view& text, int32_t& value) {
  Lexer lx;
  lx.text = text;
  nextToken(lx);
  value = 0;
  bool ok = parseSum(lx, value);
  text.remove_prefix(lx.start);
  return ok;
}
