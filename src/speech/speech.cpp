// The speech front end, early version: the contract of every speech
// request, with no voice behind it yet.  Every request goes to the speech
// log instead, when OUVINO_SPEECH_LOG names a file.  Owns the folders, the
// pending-speech mark and the log file; writes to the console only through
// its services, and must not touch the interpreter.
//
// The speech log: one line per request, UTF-8, appended and flushed at once.
//   speak <text>     speakText (sayText, sayLine and sayNumber arrive here;
//                    an empty text, or a key waiting, logs nothing)
//   spell <text>     spellText (the characters spelled before a key stopped it)
//   char <c>         speakChar: a visible character as itself, the blank and
//                    control characters as #<decimal code>
//   play <name>      playMessage (the name, not the path)
//   click            clickSound
//   beep             beepSound
//   stop             stopSpeech (also when a waiting key silences speech)
//   bell             the console's bell (byte 7 written to the grid)
//   time <hh>:<mm>   speakTime
//   <kind> <text>    other sounds, through speechLog (e.g. "tone 440 200")
// Control bytes inside a text are written \r, \n, \t or \xHH (two upper-case
// hex digits); every other byte, the backslash included, as itself.
#include "speech/speech.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/keys.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/program.h"
#include "speech/config.h"

namespace {

const char* const kDefaultLettersFolder = "c:\\lumio\\som\\letras\\";

std::string soundsFolderName;
std::string lettersFolderName = kDefaultLettersFolder;
bool synthSpeechPending = true;

int logFd = -1;
bool logChecked = false;

std::string escapedForLog(const std::string& ansi) {
  std::string out;
  for (unsigned char c : ansi) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c < 32 || c == 127) {
      char hex[5];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return ansiToUtf8(out);
}

void openLogFromEnvironment() {
  if (logChecked) return;
  logChecked = true;
  std::string name = programEnv("OUVINO_SPEECH_LOG");
  if (!name.empty()) speechLogOpen(name);
}

std::string withBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string folderFor(const std::string& name) {
  return !name.empty() && name[0] == '_' ? lettersFolder() : soundsFolder();
}

std::string charForLog(uint8_t c) {
  if (c <= 32 || c == 127) return "#" + std::to_string(c);
  return std::string(1, static_cast<char>(c));
}

}  // namespace

void waitWhileSpeaking() {
  while (isSpeaking()) waitMessage();
}

void speechLogOpen(const std::string& hostFile) {
  logChecked = true;
  if (logFd >= 0) close(logFd);
  logFd = hostFile.empty() ? -1 : open(hostFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// One write per line, so a line is never split, even when the program is killed.
void speechLog(const std::string& kind, const std::string& ansiText) {
  openLogFromEnvironment();
  if (logFd < 0) return;
  std::string line = kind;
  if (!ansiText.empty()) line += " " + escapedForLog(ansiText);
  line += "\n";
  ssize_t written = write(logFd, line.data(), line.size());
  (void)written;
}

void sayText(const std::string& text) {
  if (text.empty()) return;
  writeTextToConsole(text);
  speakText(text);
}

void sayLine(const std::string& text) {
  sayText(text);
  writeTextToConsole("\r\n");
}

void sayNumber(int32_t n) { sayText(std::to_string(n)); }

void speakText(const std::string& text) {
  if (text.empty()) return;
  waitWhileSpeaking();
  if (keyPressed()) return;
  speechLog("speak", text);
}

void spellText(const std::string& text) {
  size_t spelled = 0;
  while (spelled < text.size() && !keyPressed()) ++spelled;
  if (spelled > 0) speechLog("spell", text.substr(0, spelled));
}

void speakChar(uint8_t c) {
  waitSpeechEnd();
  speechLog("char", charForLog(c));
}

// No voice plays yet: only a waiting key has something to silence.
bool isSpeaking() {
  if (keyPressed()) stopSpeech();
  return false;
}

void waitSpeechEnd() {
  if (synthSpeechPending) waitWhileSpeaking();
  synthSpeechPending = false;
}

void stopSpeech() {
  speechLog("stop", "");
  consoleWakeUp();
}

bool messageExists(const std::string& name) {
  return fileExists(folderFor(name) + name + ".wav");
}

void playMessage(const std::string& name) {
  waitSpeechEnd();
  speechLog("play", name);
}

void clickSound() {
  waitSpeechEnd();
  speechLog("click", "");
  waitWhileSpeaking();
}

// The beep also throws away the keys typed ahead, so a warning is never
// answered by keys pressed before it.
void beepSound() {
  waitSpeechEnd();
  flushKeys();
  speechLog("beep", "");
  waitWhileSpeaking();
}

uint8_t readKeySpoken() {
  uint8_t code = readKey();
  stopSpeech();
  speakChar(code);
  return code;
}

void speakTime(int hour, int minute) {
  char text[16];
  snprintf(text, sizeof text, "%02d:%02d", hour, minute);
  speechLog("time", text);
}

uint8_t upperAnsiChar(uint8_t c) {
  return ((c >= 'a' && c <= 'z') || c >= 224) ? static_cast<uint8_t>(c - 32) : c;
}

std::string upperAnsi(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(upperAnsiChar(static_cast<uint8_t>(c)));
  return upper;
}

void initSpeech(int speed, const std::string& folder) {
  std::string legacy = readConfigValue("OUVINO", "LEGADO");
  setLegacyLookup(!legacy.empty() && upperAnsiChar(static_cast<uint8_t>(legacy[0])) == 'S');
  soundsFolderName = withBackslash(folder);
  std::string letters = readConfigValue("TRADUTOR", "DIRLETRAS");
  lettersFolderName = withBackslash(letters.empty() ? std::string(kDefaultLettersFolder) : letters);
}

std::string soundsFolder() { return soundsFolderName; }
std::string lettersFolder() { return lettersFolderName; }
