// The key buffer: 64 one-byte codes, a special key being 0 followed by its
// extended code.  Filled by the backend's event handling inside the pumps;
// read by the interpreter and the line readers.  Must not touch speech.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kKeyBufferSize = 64;

void pushKey(uint8_t code);
// A special key: 0 and its extended code, appended only when two places are free.
void pushSpecialKey(uint8_t extended);
bool keyPressed();
uint8_t readKey();
void flushKeys();
int keyCount();
// Drops the waiting codes without pumping (the end of the program).
void clearKeyBuffer();
// Shift, Ctrl and Alt as the last key event left them (a terminal tells none).
struct KeyModifiers {
  bool shift = false, ctrl = false, alt = false;
};
KeyModifiers keyModifiers();
void setKeyModifiers(KeyModifiers held);

// Plain line input behind standard input: returns the count stored in buffer,
// line end (13, 10) included.
int readConsoleLine(char* buffer, int capacity);
