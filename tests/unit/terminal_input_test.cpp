#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "console/backend.h"
#include "console/keys.h"
#include "platform/terminal_input.h"

namespace {

std::string decoded(const std::string& bytes) {
  terminalDecodeReset();
  std::string keys;
  for (unsigned char b : bytes) terminalDecode(b, keys);
  terminalDecodeFlush(keys);
  return keys;
}

std::string special(int code) { return std::string(1, '\0') + static_cast<char>(code); }

TEST(TerminalDecoder, KeysOfATerminal) {
  struct { const char* what; std::string bytes, keys; } cases[] = {
      {"printable", "aZ~", "aZ~"},
      {"CR is Enter", "\r", "\r"},
      {"CR LF is one Enter", "\r\nx", "\rx"},
      {"LF is Enter", "\n", "\r"},
      {"two LF are two Enters", "\n\n", "\r\r"},
      {"two CR are two Enters", "\r\r\n", "\r\r"},
      {"DEL and BS are Backspace", "\x7f\b", "\b\b"},
      {"Tab and Ctrl+letters stay", "\t\x01\x1a", "\t\x01\x1a"},
      {"NUL is dropped", std::string("a\0b", 3), "ab"},
      {"lone Esc", "\x1b", "\x1b"},
      {"Esc Esc", "\x1b\x1b", "\x1b\x1b"},
      {"Esc then a letter", "\x1bx", "\x1bx"},
      {"Esc then an arrow", "\x1b\x1b[A", "\x1b" + special(72)},
      {"arrows", "\x1b[A\x1b[B\x1b[C\x1b[D", special(72) + special(80) + special(77) + special(75)},
      {"application arrows", "\x1bOA\x1bOD", special(72) + special(75)},
      {"Home and End", "\x1b[H\x1b[F\x1bOH\x1bOF\x1b[1~\x1b[4~\x1b[7~\x1b[8~",
       special(71) + special(79) + special(71) + special(79) + special(71) + special(79) + special(71) +
           special(79)},
      {"Insert Delete PgUp PgDn", "\x1b[2~\x1b[3~\x1b[5~\x1b[6~", special(82) + special(83) + special(73) + special(81)},
      {"F1-F4", "\x1bOP\x1bOQ\x1bOR\x1bOS", special(59) + special(60) + special(61) + special(62)},
      {"F1-F5 of the Linux console", "\x1b[[A\x1b[[E", special(59) + special(63)},
      {"F1-F4 of rxvt", "\x1b[11~\x1b[14~", special(59) + special(62)},
      {"F5-F12", "\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~",
       special(63) + special(64) + special(68) + special(69) + special(70)},
      {"Ctrl+Up, Ctrl+End", "\x1b[1;5A\x1b[1;5F", special(113) + special(117)},
      {"Ctrl+F1, Ctrl+F12", "\x1b[1;5P\x1b[24;5~", special(94) + special(105)},
      {"Ctrl+PgUp (rxvt)", "\x1b[5^", special(132)},
      {"Shift+Insert, Ctrl+Insert", "\x1b[2;2~\x1b[2;5~", special(254) + special(255)},
      {"Shift+Up is Up", "\x1b[1;2A", special(72)},
      {"Shift+Tab", "\x1b[Z", "\t"},
      {"unknown sequences are dropped whole", "\x1b[200~\x1b[?1;2c\x1b[99~x", "x"},
      {"Esc O then another key", "\x1bOk", "\x1bOk"},
      {"cut sequence at the end", "\x1b[1;", "\x1b[1;"},
      {"UTF-8 to Windows-1252", "\xc3\xa9\xc3\x87\xe2\x82\xac\xe2\x80\x9c", "\xe9\xc7\x80\x93"},
      {"no Windows-1252 form", "\xf0\x9f\x98\x80x", "?x"},
      {"a byte that is not UTF-8 is Windows-1252", "\xe9x\xa9", "\xe9x\xa9"},
      {"broken UTF-8 keeps the next key", "\xc3\r", "\xc3\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(decoded(c.bytes), c.keys) << c.what;
}

TEST(TerminalDecoder, SequenceWaitsForItsLastByte) {
  terminalDecodeReset();
  std::string keys;
  for (unsigned char b : std::string("\x1b[1")) terminalDecode(b, keys);
  EXPECT_TRUE(terminalDecodePending());
  EXPECT_EQ(keys, "");
  terminalDecode('~', keys);
  EXPECT_FALSE(terminalDecodePending());
  EXPECT_EQ(keys, special(71));
}

// A real terminal (a pseudo-terminal here): raw mode while the program runs,
// typed keys taken at every pump, the settings given back at the end.
class TerminalKeys : public ::testing::Test {
 protected:
  int master = -1, slave = -1;
  termios cooked{};
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    tcgetattr(slave, &cooked);
    previous = &consoleBackend();
    consoleSetBackend(&headlessConsoleBackend);
    keyInputUseDescriptor(slave);
    clearKeyBuffer();
  }
  void TearDown() override {
    keyInputStop();
    keyInputUseDescriptor(open("/dev/null", O_RDONLY | O_CLOEXEC));
    consoleSetBackend(previous);
    close(master);
    close(slave);
  }
  void type(const std::string& bytes) { ASSERT_EQ(write(master, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
};

TEST_F(TerminalKeys, TypedKeysArriveAtThePumpInRawMode) {
  EXPECT_FALSE(keyPressed());
  termios raw{};
  tcgetattr(slave, &raw);
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_NE(raw.c_lflag & ISIG, 0u);

  type("ab\x1b[A\r");
  usleep(20000);
  EXPECT_TRUE(keyPressed());
  EXPECT_EQ(keyCount(), 5);  // typed ahead: all of it is waiting
  for (int expected : {97, 98, 0, 72, 13}) EXPECT_EQ(readKey(), expected);

  type("\x1b");  // a lone Esc is known after a short gap
  usleep(20000);
  EXPECT_TRUE(keyPressed());
  EXPECT_EQ(readKey(), 27);

  keyInputStop();
  tcgetattr(slave, &raw);
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), cooked.c_lflag & (ICANON | ECHO));
}

}  // namespace
