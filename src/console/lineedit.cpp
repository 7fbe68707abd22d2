// The speaking line editor, early version: typing and Backspace at the end
// of the field, each character echoed on the grid and spoken.  The keys
// that end editing are already those of the full editor, so callers see the
// same exit codes.  Owns no state between calls.
#include "console/lineedit.h"

#include <algorithm>

#include "console/console.h"
#include "console/keys.h"
#include "speech/speech.h"

namespace {

constexpr int kLongestField = 2048;

// Extended keys the full editor acts on without ending (moves, speaking,
// clipboard); here they do nothing rather than end the answer.
bool editsInPlace(uint8_t extended) {
  static const uint8_t kInPlace[] = {59, 62, 66, 70, 71, 75, 77, 79, 83, 94, 97, 101, 104, 115, 116, 254, 255};
  if (extended >= 120 && extended <= 129) return true;
  return std::find(std::begin(kInPlace), std::end(kInPlace), extended) != std::end(kInPlace);
}

bool endsEditing(uint8_t code) {
  return code == 2 || code == 9 || code == 10 || code == 13 || code == 27;
}

// One key, after silencing speech; a special key gives its extended code.
uint8_t readEditKey(bool& extended) {
  uint8_t code = readKey();
  stopSpeech();
  extended = code == 0;
  if (!extended) return code;
  code = readKey();
  if (code >= 16 && code <= 18) code = readKey();
  return code;
}

void typeChar(std::string& text, uint8_t c, int maxLength) {
  if (static_cast<int>(text.size()) >= maxLength) return beepSound();
  text += static_cast<char>(c);
  writeCharToConsole(c);
  speakChar(c);
}

void eraseLast(std::string& text) {
  if (text.empty()) return beepSound();
  uint8_t erased = static_cast<uint8_t>(text.back());
  text.pop_back();
  writeCharToConsole(8);
  playMessage("_DEL");
  speakChar(erased);
}

int finishEditing(std::string& text, int column, int row, int code) {
  gotoXY(column, row);
  text.erase(text.find_last_not_of(' ') + 1);
  return code;
}

}  // namespace

int editFieldAt(std::string& text, int column, int row, int maxLength) {
  maxLength = std::clamp(maxLength, 0, kLongestField);
  if (static_cast<int>(text.size()) > maxLength) text.resize(maxLength);
  gotoXY(column, row);
  writeToConsole(text.data(), text.size());
  for (;;) {
    bool extended;
    uint8_t code = readEditKey(extended);
    if (extended ? !editsInPlace(code) : endsEditing(code)) return finishEditing(text, column, row, code);
    if (extended) continue;
    if (code == 8) eraseLast(text);
    else if (code >= 32) typeChar(text, code, maxLength);
  }
}

std::string readLineSpoken() {
  std::string text;
  int column = whereX(), row = whereY();
  if (editFieldAt(text, column, row, 255) == 27) {
    std::string blanks(text.size(), ' ');
    writeToConsole(blanks.data(), blanks.size());
    gotoXY(column, row);
    text.clear();
  }
  writeToConsole("\r\n", 2);
  return text;
}
