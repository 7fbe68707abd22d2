#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/keys.h"
#include "platform/terminal_input.h"
#include "speech/config.h"
#include "speech/speech.h"

namespace {

// The speech log in a temporary folder; the headless console with no keys
// but those a test pushes.
class SpeechLogTest : public ::testing::Test {
 protected:
  std::string folder, logFile;
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    char pattern[] = "/tmp/speech_log_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    logFile = folder + "/speech.log";
    speechLogOpen(logFile);
    previous = &consoleBackend();
    consoleSetBackend(&headlessConsoleBackend);
    keyInputUseDescriptor(-1);
    clearKeyBuffer();
    setTextAttribute(0x0F);
    clearScreen();
  }
  void TearDown() override {
    speechLogOpen("");
    consoleSetBackend(previous);
    std::string command = "rm -rf '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string logged() const {
    std::ifstream in(logFile, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
};

TEST_F(SpeechLogTest, LinesAreUtf8WithControlBytesEscaped) {
  speakText("Ol\xe1\r\n\t\x01\x1b\x7f\\fim \x80");
  speechLog("tone", "440 200");
  EXPECT_EQ(logged(), "speak Olá\\r\\n\\t\\x01\\x1B\\x7F\\fim €\ntone 440 200\n");
}

TEST_F(SpeechLogTest, EachRequestHasItsLine) {
  for (int c : {int('a'), int(' '), 13, 0, 0xe9}) speakChar(c);
  spellText("abc");
  playMessage("_DEL");
  clickSound();
  beepSound();
  stopSpeech();
  speakTime(9, 5);
  writeCharToConsole(7);
  EXPECT_EQ(logged(),
            "char a\nchar #32\nchar #13\nchar #0\nchar é\nspell abc\nplay _DEL\nclick\nbeep\nstop\n"
            "time 09:05\nbell\n");
}

TEST_F(SpeechLogTest, SayingWritesTheTextThenSpeaksIt) {
  sayText("");
  EXPECT_EQ(whereX(), 1);
  sayText("Hora: ");
  sayNumber(-42);
  sayLine("!");
  EXPECT_EQ(readScreenRow(1).substr(0, 10), "Hora: -42!");
  EXPECT_EQ(whereX(), 1);
  EXPECT_EQ(whereY(), 2);
  EXPECT_EQ(logged(), "speak Hora: \nspeak -42\nspeak !\n");
}

// A waiting key silences speech and stays for the next reader.
TEST_F(SpeechLogTest, WaitingKeySilencesSpeech) {
  pushKey('x');
  speakText("nada");
  spellText("nada");
  EXPECT_FALSE(isSpeaking());
  EXPECT_EQ(keyCount(), 1);
  EXPECT_EQ(readKeySpoken(), 'x');
  EXPECT_EQ(logged(), "stop\nstop\nstop\nchar x\n");  // speakText, isSpeaking, readKeySpoken

  pushKey('y');
  beepSound();  // throws the typed-ahead key away
  EXPECT_EQ(keyCount(), 0);
}

TEST_F(SpeechLogTest, UpperAnsi) {
  EXPECT_EQ(upperAnsi("a\xe7\xe3o z{"), "A\xc7\xc3O Z{");
  for (auto [c, upper] : {std::pair{0xff, 0xdf}, {0xe0, 0xc0}, {0xf7, 0xd7}, {0xdf, 0xdf}, {0xb5, 0xb5}, {'`', '`'}})
    EXPECT_EQ(upperAnsiChar(c), upper) << c;
}

TEST_F(SpeechLogTest, FoldersOfMessagesAndTheLegacyLookup) {
  std::string sounds = folder + "/sons", letters = folder + "/letras";
  for (const std::string& f : {sounds, letters, folder + "/xdg", folder + "/xdg/Ouvino", folder + "/c",
                               folder + "/c/windows"})
    ASSERT_EQ(mkdir(f.c_str(), 0700), 0);
  setenv("XDG_CONFIG_HOME", (folder + "/xdg").c_str(), 1);
  setenv("OUVINO_DRIVE_C", (folder + "/c").c_str(), 1);
  writeFile(folder + "/xdg/Ouvino/Ouvino.ini", "[TRADUTOR]\nDIRLETRAS=" + letters + "\n[OUVINO]\nLEGADO=n\n");
  writeFile(folder + "/c/windows/Ouvino.ini", "[X]\nK=antigo\n");
  writeFile(sounds + "/bemvindo.wav", "");
  writeFile(letters + "/_65.wav", "");

  initSpeech(0, sounds);
  EXPECT_EQ(soundsFolder(), sounds + "\\");
  EXPECT_EQ(lettersFolder(), letters + "\\");
  EXPECT_TRUE(messageExists("bemvindo"));
  EXPECT_TRUE(messageExists("_65"));
  EXPECT_FALSE(messageExists("_bemvindo"));
  EXPECT_FALSE(messageExists("65"));
  EXPECT_EQ(readConfigValue("X", "K"), "");

  writeFile(folder + "/xdg/Ouvino/Ouvino.ini", "[OUVINO]\nLEGADO=Sim\n");
  initSpeech(0, "");
  EXPECT_EQ(soundsFolder(), "");
  EXPECT_EQ(lettersFolder(), "c:\\lumio\\som\\letras\\");
  EXPECT_EQ(readConfigValue("X", "K"), "antigo");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("OUVINO_DRIVE_C");
}

}  // namespace
