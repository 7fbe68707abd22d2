// Keys from a terminal.  Owns the decoder's state (the sequence in
// progress), the input descriptor, the saved terminal settings and the keys
// decoded but not yet handed over.  Puts keys into the key buffer and
// touches nothing else.
#include "platform/terminal_input.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "console/keys.h"
#include "platform/clock.h"
#include "platform/codepage.h"

// ---- Decoder -------------------------------------------------------------

namespace {

enum class Decoding { Ground, Escape, Csi, LinuxFunction, Ss3, Utf8 };

Decoding state = Decoding::Ground;
std::string sequence;      // the bytes of the sequence in progress, after ESC [ or ESC O, or UTF-8
size_t utf8Length = 0;     // bytes the UTF-8 sequence in progress needs
bool afterCarriageReturn = false;

constexpr size_t kLongestSequence = 16;

struct SpecialKey { uint8_t plain, withCtrl; };
enum Special { Up, Down, Right, Left, Home, End, Insert, Delete, PageUp, PageDown, F1 };
constexpr uint8_t kShiftInsert = 254;

const SpecialKey kSpecialKeys[] = {
    {72, 113}, {80, 114}, {77, 116}, {75, 115}, {71, 119}, {79, 117}, {82, 255}, {83, 83},
    {73, 132}, {81, 118},
    {59, 94}, {60, 95}, {61, 96}, {62, 97}, {63, 98}, {64, 99},
    {65, 100}, {66, 101}, {67, 102}, {68, 103}, {69, 104}, {70, 105}};

// xterm's modifier parameter: 1 + (Shift 1, Alt 2, Ctrl 4).
void emitSpecial(int key, int modifier, std::string& keys) {
  int held = modifier > 1 ? modifier - 1 : 0;
  uint8_t code = kSpecialKeys[key].plain;
  if (held & 4) code = kSpecialKeys[key].withCtrl;
  else if (key == Insert && (held & 1)) code = kShiftInsert;
  keys += '\0';
  keys += static_cast<char>(code);
}

int specialOfLetter(char final) {
  switch (final) {
    case 'A': return Up;
    case 'B': return Down;
    case 'C': return Right;
    case 'D': return Left;
    case 'H': return Home;
    case 'F': return End;
    case 'P': case 'Q': case 'R': case 'S': return F1 + (final - 'P');
    default: return -1;
  }
}

// ESC [ n ~ : the VT220 numbers of the editing and function keys.
int specialOfNumber(int n) {
  static const int kByNumber[25] = {-1, Home, Insert, Delete, End, PageUp, PageDown, Home, End, -1, -1,
                                    F1, F1 + 1, F1 + 2, F1 + 3, F1 + 4, -1, F1 + 5, F1 + 6, F1 + 7,
                                    F1 + 8, F1 + 9, -1, F1 + 10, F1 + 11};
  return n >= 0 && n < 25 ? kByNumber[n] : -1;
}

void parameters(const std::string& text, int& first, int& second) {
  first = 1, second = 1;
  size_t semicolon = text.find(';');
  if (!text.empty() && text[0] != ';') first = atoi(text.c_str());
  if (semicolon != std::string::npos) second = atoi(text.c_str() + semicolon + 1);
}

void finishCsi(char final, std::string& keys) {
  int first, second;
  parameters(sequence, first, second);
  bool numbered = final == '~' || final == '^';
  int key = numbered ? specialOfNumber(first) : specialOfLetter(final);
  if (final == '^') second = 5;  // rxvt marks Ctrl by the final byte
  if (final == 'Z') keys += '\t';  // Shift+Tab
  else if (key >= 0) emitSpecial(key, second, keys);
}

// Parameters we understand are digits and ";"; anything else marks a
// sequence we do not know, which is dropped whole at its final byte, as a
// terminal would.
void decodeCsi(uint8_t byte, std::string& keys) {
  bool ours = sequence.find_first_not_of("0123456789;") == std::string::npos;
  if (byte == '[' && sequence.empty()) {
    state = Decoding::LinuxFunction;
  } else if (byte >= 0x20 && byte <= 0x3F) {  // parameter and intermediate bytes
    if (sequence.size() < kLongestSequence) sequence += static_cast<char>(byte);
    else sequence.back() = '?';
  } else if (byte >= 0x40 && byte <= 0x7E) {
    if (ours) finishCsi(static_cast<char>(byte), keys);
    state = Decoding::Ground;
  } else {
    state = Decoding::Ground;
    terminalDecode(byte, keys);
  }
}

void decodeSs3(uint8_t byte, std::string& keys) {
  state = Decoding::Ground;
  int key = specialOfLetter(static_cast<char>(byte));
  if (key >= 0) return emitSpecial(key, 1, keys);
  keys += "\x1bO";
  terminalDecode(byte, keys);
}

void decodeEscape(uint8_t byte, std::string& keys) {
  sequence.clear();
  if (byte == '[') state = Decoding::Csi;
  else if (byte == 'O') state = Decoding::Ss3;
  else if (byte == 27) keys += '\x1b';
  else {
    keys += '\x1b';
    state = Decoding::Ground;
    terminalDecode(byte, keys);
  }
}

// A sequence that breaks off leaves its bytes as Windows-1252 characters.
void decodeUtf8(uint8_t byte, std::string& keys) {
  if ((byte & 0xC0) != 0x80) {
    keys += sequence;
    state = Decoding::Ground;
    return terminalDecode(byte, keys);
  }
  sequence += static_cast<char>(byte);
  if (sequence.size() < utf8Length) return;
  std::string ansi = utf8ToAnsi(sequence);
  keys += ansi.size() == 1 ? ansi : std::string("?");
  state = Decoding::Ground;
}

size_t utf8LengthOf(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

void decodeGround(uint8_t byte, std::string& keys) {
  if (byte == 27) {
    state = Decoding::Escape;
  } else if (byte == 13 || byte == 10) {
    keys += '\r';
  } else if (byte == 127 || byte == 8) {
    keys += '\b';
  } else if (byte >= 0x80 && utf8LengthOf(byte) > 0) {
    state = Decoding::Utf8;
    utf8Length = utf8LengthOf(byte);
    sequence.assign(1, static_cast<char>(byte));
  } else if (byte != 0) {  // a 0 would read as the start of a special key
    keys += static_cast<char>(byte);
  }
}

}  // namespace

void terminalDecode(uint8_t byte, std::string& keys) {
  bool lineFeedOfPair = afterCarriageReturn && byte == 10 && state == Decoding::Ground;
  afterCarriageReturn = byte == 13 && state == Decoding::Ground;
  if (lineFeedOfPair) return;
  switch (state) {
    case Decoding::Ground: decodeGround(byte, keys); break;
    case Decoding::Escape: decodeEscape(byte, keys); break;
    case Decoding::Csi: decodeCsi(byte, keys); break;
    case Decoding::LinuxFunction:
      if (byte >= 'A' && byte <= 'E') emitSpecial(F1 + (byte - 'A'), 1, keys);
      state = Decoding::Ground;
      break;
    case Decoding::Ss3: decodeSs3(byte, keys); break;
    case Decoding::Utf8: decodeUtf8(byte, keys); break;
  }
}

bool terminalDecodePending() { return state != Decoding::Ground; }

void terminalDecodeFlush(std::string& keys) {
  switch (state) {
    case Decoding::Ground: return;
    case Decoding::Escape: keys += '\x1b'; break;
    case Decoding::Csi: keys += "\x1b[" + sequence; break;
    case Decoding::LinuxFunction: keys += "\x1b[["; break;
    case Decoding::Ss3: keys += "\x1bO"; break;
    case Decoding::Utf8: keys += sequence; break;
  }
  state = Decoding::Ground;
}

void terminalDecodeReset() {
  state = Decoding::Ground;
  sequence.clear();
  afterCarriageReturn = false;
}

// ---- Standard input as key source ------------------------------------------

namespace {

int inputFd = STDIN_FILENO;
bool inputStarted = false;
bool inputIsTerminal = false;
bool inputClosed = false;
bool rawModeOn = false;
termios savedSettings;
std::string decodedKeys;  // decoded from a pipe but not yet asked for

// How long the rest of an escape sequence may take to arrive.
constexpr int kSequenceGapMs = 30;

bool readable(int timeoutMs) {
  pollfd p{inputFd, POLLIN, 0};
  int ready;
  while ((ready = poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
  }
  return ready != 0;  // an error or a hang-up counts: the read tells what it is
}

// One read; false (and the input closed) at end of file or on an error.
bool readBytes(uint8_t* buffer, size_t size, ssize_t& got) {
  while ((got = read(inputFd, buffer, size)) < 0 && errno == EINTR) {
  }
  if (got <= 0) inputClosed = true;
  return got > 0;
}

void restoreTerminal() {
  if (rawModeOn) tcsetattr(inputFd, TCSAFLUSH, &savedSettings);
  rawModeOn = false;
}

void applyRawMode() {
  termios raw = savedSettings;
  raw.c_iflag &= ~(ICRNL | INLCR | IGNCR | IXON | ISTRIP | BRKINT);
  raw.c_lflag &= ~(ICANON | ECHO | IEXTEN);  // ISIG stays: Ctrl+C still ends the program
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  rawModeOn = tcsetattr(inputFd, TCSANOW, &raw) == 0;
}

// Signals that end or stop the program must not leave the terminal raw:
// the settings go back, the signal takes its ordinary course, and after a
// stop the raw mode returns.
void onSignal(int signal) {
  int interrupted = errno;
  if (signal == SIGCONT) {
    if (rawModeOn) applyRawMode();
    errno = interrupted;
    return;
  }
  if (rawModeOn) tcsetattr(inputFd, TCSAFLUSH, &savedSettings);
  struct sigaction standard {}, ours {};
  standard.sa_handler = SIG_DFL;
  ours.sa_handler = onSignal;
  sigaction(signal, &standard, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  sigaction(signal, &ours, nullptr);  // reached only after a stop
  errno = interrupted;
}

void watchSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT}) {
    struct sigaction old {}, ours {};
    ours.sa_handler = onSignal;
    sigaction(signal, nullptr, &old);
    if (old.sa_handler != SIG_IGN) sigaction(signal, &ours, nullptr);
  }
}

void enterRawMode() {
  static bool watching = false;
  if (tcgetattr(inputFd, &savedSettings) != 0) return;
  applyRawMode();
  if (!rawModeOn || watching) return;
  watching = true;
  atexit(restoreTerminal);
  watchSignals();
}

void deliverKey(std::string& keys, size_t& at) {
  if (keys[at] == '\0' && at + 1 < keys.size()) {
    pushSpecialKey(static_cast<uint8_t>(keys[at + 1]));
    at += 2;
  } else {
    pushKey(static_cast<uint8_t>(keys[at++]));
  }
}

void deliverAll(std::string& keys) {
  for (size_t at = 0; at < keys.size();) deliverKey(keys, at);
  keys.clear();
}

// Pipe or file: bytes until at least one key is decoded or the input ends;
// after the start of a sequence, only a short look for the rest of it.
void decodeNextKey() {
  uint8_t byte;
  ssize_t got;
  while (decodedKeys.empty() && !inputClosed) {
    if (terminalDecodePending() && !readable(kSequenceGapMs)) terminalDecodeFlush(decodedKeys);
    else if (readBytes(&byte, 1, got)) terminalDecode(byte, decodedKeys);
  }
  if (inputClosed) terminalDecodeFlush(decodedKeys);
}

}  // namespace

void keyInputStart() {
  if (inputStarted) return;
  inputStarted = true;
  inputIsTerminal = isatty(inputFd);
  if (inputIsTerminal) enterRawMode();
}

// Everything typed so far; a sequence cut between two reads gets a moment to
// complete, a lone Esc does not wait longer than that.
void keyInputPump() {
  if (!inputStarted || !inputIsTerminal) return;
  uint8_t buffer[64];
  ssize_t got;
  std::string keys;
  while (!inputClosed) {
    bool more = readable(terminalDecodePending() ? kSequenceGapMs : 0);
    if (!more && !terminalDecodePending()) break;
    if (!more) terminalDecodeFlush(keys);
    else if (readBytes(buffer, sizeof buffer, got))
      for (ssize_t i = 0; i < got; ++i) terminalDecode(buffer[i], keys);
  }
  if (inputClosed) terminalDecodeFlush(keys);
  deliverAll(keys);
}

void keyInputWait(unsigned milliseconds) {
  if (!inputStarted || !inputIsTerminal || inputClosed) return clockSleepMs(milliseconds);
  readable(static_cast<int>(milliseconds));
  keyInputPump();
}

void keyInputNeedKey() {
  keyInputStart();
  if (inputIsTerminal) return keyInputWait(100);
  decodeNextKey();
  if (decodedKeys.empty()) return;
  size_t at = 0;
  deliverKey(decodedKeys, at);
  decodedKeys.erase(0, at);
}

bool keyInputEnded() { return inputClosed && decodedKeys.empty(); }

void keyInputStop() { restoreTerminal(); }

void keyInputUseDescriptor(int fd) {
  restoreTerminal();
  inputFd = fd;
  inputStarted = inputIsTerminal = inputClosed = false;
  decodedKeys.clear();
  terminalDecodeReset();
}
