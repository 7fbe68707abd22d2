// The key buffer and the plain line input behind standard input.  Owns the
// 64 waiting codes; the backend fills them inside the pumps.  Must not speak.
#include <cstring>

#include "console/backend.h"
#include "console/console.h"
#include "console/keys.h"

namespace {

uint8_t keyBuffer[kKeyBufferSize];
int keysWaiting = 0;

uint8_t takeFirstKey() {
  uint8_t code = keyBuffer[0];
  memmove(keyBuffer, keyBuffer + 1, --keysWaiting);
  return code;
}

}  // namespace

void pushKey(uint8_t code) {
  if (keysWaiting < kKeyBufferSize) keyBuffer[keysWaiting++] = code;
  consoleWakeUp();
}

void pushSpecialKey(uint8_t extended) {
  if (keysWaiting <= kKeyBufferSize - 2) {
    keyBuffer[keysWaiting++] = 0;
    keyBuffer[keysWaiting++] = extended;
  }
  consoleWakeUp();
}

bool keyPressed() {
  openConsole();
  pumpAllMessages();
  return keysWaiting > 0;
}

uint8_t readKey() {
  if (!keyPressed()) consoleAwaitKey();
  return takeFirstKey();
}

void flushKeys() {
  while (keyPressed()) readKey();
}

int keyCount() { return keysWaiting; }

void clearKeyBuffer() { keysWaiting = 0; }

// The line ends at Enter; Backspace takes back a character; a special key's
// 0 is dropped and its extended code counts as typed.  Two places are kept
// for the line end.
int readConsoleLine(char* buffer, int capacity) {
  int count = 0;
  uint8_t c;
  do {
    c = readKey();
    if (c == 8 && count > 0) {
      writeCharToConsole(8);
      --count;
    } else if (c >= 32 && count < capacity - 2) {
      buffer[count++] = static_cast<char>(c);
      writeCharToConsole(c);
    }
  } while (c != 13);
  writeToConsole("\r\n", 2);
  if (capacity < 2) return 0;
  buffer[count++] = 13;
  buffer[count++] = 10;
  return count;
}

static KeyModifiers heldModifiers;

KeyModifiers keyModifiers() { return heldModifiers; }

void setKeyModifiers(KeyModifiers held) { heldModifiers = held; }
