#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/keys.h"
#include "console/lineedit.h"
#include "platform/terminal_input.h"
#include "speech/speech.h"

namespace {

// The headless console with its keys from a pipe, as in a piped run.
class KeysTest : public ::testing::Test {
 protected:
  int pipeEnds[2] = {-1, -1};
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
    previous = &consoleBackend();
    consoleSetBackend(&headlessConsoleBackend);
    keyInputUseDescriptor(pipeEnds[0]);
    clearKeyBuffer();
    setTextAttribute(0x0F);
    clearScreen();
  }
  void TearDown() override {
    keyInputUseDescriptor(-1);
    consoleSetBackend(previous);
    close(pipeEnds[0]);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
  }
  void type(const std::string& bytes) {
    ASSERT_EQ(write(pipeEnds[1], bytes.data(), bytes.size()), (ssize_t)bytes.size());
  }
  void endInput() {
    close(pipeEnds[1]);
    pipeEnds[1] = -1;
  }
  static std::string row(int r) {
    std::string text = readScreenRow(r);
    return text.erase(text.find_last_not_of(' ') + 1);
  }
};

TEST_F(KeysTest, BufferHoldsSixtyFourCodesAndSpecialKeysNeedTwoPlaces) {
  for (int i = 0; i < 62; ++i) pushKey('a');
  pushSpecialKey(59);
  EXPECT_EQ(keyCount(), 64);
  clearKeyBuffer();

  for (int i = 0; i < 63; ++i) pushKey('a' + i % 26);
  pushSpecialKey(59);  // one place left: F1 adds nothing
  EXPECT_EQ(keyCount(), 63);
  pushKey('!');  // a letter still fits
  pushKey('?');  // and then nothing does
  EXPECT_EQ(keyCount(), 64);
  EXPECT_EQ(readKey(), 'a');
  EXPECT_EQ(readKey(), 'b');
  flushKeys();
  EXPECT_EQ(keyCount(), 0);
}

TEST_F(KeysTest, ConsoleLineRules) {
  for (int code : {int('a'), int('b'), 8, 8, 8, int('c'), 0, 72, 7, 13}) pushKey(code);
  char line[128];
  int count = readConsoleLine(line, sizeof line);
  // Backspace on an empty line does nothing, Up's 0 is dropped and its 72
  // typed as "H", other controls are ignored.
  EXPECT_EQ(std::string(line, count), "cH\r\n");
  EXPECT_EQ(row(1), "cH");
  EXPECT_EQ(whereY(), 2);
}

TEST_F(KeysTest, ConsoleLineKeepsTwoPlacesForTheLineEnd) {
  type(std::string(130, 'x') + "\r");
  char line[128];
  int count = readConsoleLine(line, sizeof line);
  ASSERT_EQ(count, 128);
  EXPECT_EQ(std::string(line, 126), std::string(126, 'x'));
  EXPECT_EQ(line[126], 13);
  EXPECT_EQ(line[127], 10);
}

// A pipe gives keys only when a reader needs one, one key at a time, like a
// user who types each answer when asked.
TEST_F(KeysTest, PipedKeysComeOneAtATimeWhenNeeded) {
  type("ab\x1b[Ax\r\n\x1bq");
  EXPECT_FALSE(keyPressed());
  EXPECT_EQ(readKey(), 'a');
  EXPECT_EQ(keyCount(), 0);
  EXPECT_EQ(readKey(), 'b');
  EXPECT_EQ(readKey(), 0);
  EXPECT_EQ(keyCount(), 1);  // the special key's two codes travel together
  EXPECT_EQ(readKey(), 72);
  EXPECT_EQ(readKey(), 'x');
  EXPECT_EQ(readKey(), 13);
  EXPECT_EQ(readKey(), 27);  // the q that told Esc from a sequence is not typed yet
  EXPECT_EQ(keyCount(), 0);
  EXPECT_EQ(readKey(), 'q');
  endInput();
  EXPECT_FALSE(keyPressed());  // the ended input changes nothing until a key is needed
  flushKeys();
}

TEST_F(KeysTest, EscapeAtTheEndOfTheInputIsAKey) {
  type("\x1b");
  endInput();
  EXPECT_EQ(readKey(), 27);
}

TEST_F(KeysTest, LineReaderSpeaksEachCharacterAndEscGivesTheEmptyText) {
  type("oi\x7fla\rxyz\x1b");
  EXPECT_EQ(readLineSpoken(), "ola");
  EXPECT_EQ(row(1), "ola");
  EXPECT_EQ(readLineSpoken(), "");
  EXPECT_EQ(row(2), "");  // the typed text is blanked again
  EXPECT_EQ(whereY(), 3);
}

TEST_F(KeysTest, FieldEditingEndsWithTheKeyThatEndedIt) {
  std::string text = "12";
  gotoXY(5, 3);
  type("3\x1b[D4\x1b[B");  // Left is acted on in place, Down ends editing
  EXPECT_EQ(editFieldAt(text, 5, 3, 4), 80);
  EXPECT_EQ(text, "1234");
  type("5\t");  // the field is full
  EXPECT_EQ(editFieldAt(text, 5, 3, 4), 9);
  EXPECT_EQ(text, "1234");
  EXPECT_EQ(row(3), "    1234");
}

// Closed input while a key is needed is the user closing the window: the
// program ends with status 2 after the headless screen is written.
TEST_F(KeysTest, KeyWaitOnEndedInputEndsTheProgram) {
  char screenFile[] = "/tmp/keys_test_screen_XXXXXX";
  int screen = mkstemp(screenFile);
  ASSERT_GE(screen, 0);
  endInput();
  EXPECT_EXIT(
      {
        fflush(stdout);
        dup2(screen, STDOUT_FILENO);
        writeTextToConsole("ol\xe1");
        readKey();
      },
      ::testing::ExitedWithCode(2), "");
  std::ifstream in(screenFile, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "olá\n" + std::string(24, '\n'));
  close(screen);
  unlink(screenFile);
}

}  // namespace
