// Keys from a terminal: decoding the bytes a terminal sends into key codes,
// and standard input as the key source of the terminal and headless
// consoles.  A terminal is read eagerly in raw mode; a pipe or a file only
// when a reader needs a key, one key at a time.
#pragma once

#include <cstdint>
#include <string>

// Decoder.  Key codes come out as bytes, a special key as 0 and its
// extended code.  Text is UTF-8 (a byte that cannot be UTF-8 is taken as
// Windows-1252).
void terminalDecode(uint8_t byte, std::string& keys);
bool terminalDecodePending();               // inside an escape or UTF-8 sequence
void terminalDecodeFlush(std::string& keys); // the input paused or ended there
void terminalDecodeReset();

// Standard input as key source.
void keyInputStart();                  // raw mode when it is a terminal
void keyInputPump();                   // terminal: take what was typed
void keyInputWait(unsigned milliseconds);
void keyInputNeedKey();                // pipe or file: read the next key
bool keyInputEnded();
void keyInputStop();                   // gives the terminal back its settings
// Reads keys from this descriptor instead of standard input (tests).
void keyInputUseDescriptor(int fd);
