// ESCREVE, LE/LÊ, FALA, SOLETRA, FALAHORA, BIPA, ALARME, TELA, COR, FUNDO,
// TITULO/TÍTULO, ESPERA and CMD.  Owns nothing: they drive the console and
// speech services and the channels, and set the status code.
#include "interpreter/console_commands.h"

#include "console/services.h"
#include "interpreter/channels.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "services/pipes.h"

namespace {

const char* const kChannelError = "Erro no processamento de arquivo";

// A trailing "&" is removed with the blanks before it; answers whether it was there.
bool takeAmpersand(std::string_view& args) {
  if (args.empty() || args.back() != '&') return false;
  args.remove_suffix(1);
  args = trimView(args);
  return true;
}

// Values read one after another until one fails, joined without separators.
std::string joinedValues(std::string_view& args) {
  std::string joined, value;
  while (!args.empty()) {
    std::string_view before = args;
    if (!readValue(args, value)) {
      args = before;
      break;
    }
    joined += value;
  }
  return joined;
}

// One line of the plain line input, without its line end.
std::string readPlainLine() {
  char buffer[128];
  int n = readConsoleLine(buffer, sizeof buffer);
  return std::string(buffer, n >= 2 ? n - 2 : 0);
}

bool channelFailure() {
  sayLine(kChannelError);
  return false;
}

bool writeToChannel(int channel, const std::string& text, bool lineEnd) {
  if (!fileChannels[channel].isOpen) return channelFailure();
  interp.statusCode = channelWrite(channel, text, lineEnd);
  return true;
}

void writeToUser(const std::string& text, bool lineEnd, bool mute) {
  writeTextToConsole(lineEnd ? text + "\r\n" : text);
  if (!mute) speakText(text);
}

}  // namespace

bool cmdEscreve(std::string_view args) {
  interp.statusCode = 0;
  bool lineEnd = !takeAmpersand(args);
  int channel = -1;
  bool mute = false;
  if (!args.empty() && args[0] == '#') {
    if (args.size() < 2 || !isDigit(args[1])) return channelFailure();
    channel = args[1] - '0';
    args.remove_prefix(2);
  } else if (startsUpper(args, "MUDO")) {
    args.remove_prefix(4);
    mute = true;
  }
  args = trimView(args);
  bool empty = args.empty();
  std::string text = empty ? "" : joinedValues(args);
  if (empty) lineEnd = true;
  if (channel >= 0) {
    if (!writeToChannel(channel, text, lineEnd)) return false;
  } else {
    writeToUser(text, lineEnd, mute);
  }
  if (!args.empty()) return false;
  waitWhileSpeaking();
  return true;
}

// ---- LE / LÊ ----------------------------------------------------------------

std::string keyNotation(uint8_t code, uint8_t scan, bool withFlags) {
  std::string flags;
  if (withFlags) {
    KeyModifiers m = keyModifiers();
    flags = std::string(m.shift ? "1" : "0") + (m.ctrl ? "1" : "0") + (m.alt ? "1" : "0");
  }
  if (code == 0) return flags + "#0#" + intToText(scan);
  if (code >= 32 && !withFlags) return std::string(1, static_cast<char>(code));
  return flags + "#" + intToText(code);
}

namespace {

enum class Source { Line, Channel, Edit, Mute, Password };

struct LeRequest {
  Source source = Source::Line;
  int channel = 0;
  bool oneKey = false;
  bool flags = false;
};

bool readMousePosition(std::string_view args) {
  int x, y, left = 0, top = 0, frame;
  pointerPosition(x, y);
  if (startsUpper(args, "TELA")) {
    args.remove_prefix(4);
    args = trimView(args);
  } else {
    foregroundWindowOrigin(left, top, frame);
    left += frame;
    top += 4;
  }
  int sx, sy;
  if (!readVariable(args, sx)) return false;
  variable(sx) = intToText(x - left);
  if (!readVariable(args, sy)) return false;
  variable(sy) = intToText(y - top);
  return args.empty();
}

// "TECLA " anywhere asks for a key with its flags, and makes the read a one-key read.
std::string takeTecla(std::string_view args, bool& flags) {
  std::string text(args);
  size_t at = upperAnsi(text).find("TECLA ");
  flags = at != std::string::npos;
  if (!flags) return text;
  text.erase(at, 6);
  text = std::string(trimView(text));
  if (text.empty() || text.back() != '&') text += '&';
  return text;
}

// LE CONSOLE: what the captured program has written, and optionally a line.
bool readCaptured(std::string_view args) {
  int slot;
  if (!readVariable(args, slot)) return false;
  variable(slot) = readCapturedOutput();
  if (!readVariable(args, slot)) return true;
  variable(slot) = readLineSpoken();
  return true;
}

bool chooseSource(std::string_view& args, LeRequest& r) {
  if (args[0] == '#') {
    if (!readChannel(args, r.channel)) return false;
    if (args.empty()) return channelFailure();
    r.source = Source::Channel;
  } else if (startsUpper(args, "EDITA")) {
    args.remove_prefix(5);
    r.source = Source::Edit;
  } else if (startsUpper(args, "MUDO")) {
    args.remove_prefix(4);
    r.source = Source::Mute;
  } else if (startsUpper(args, "SENHA")) {
    args.remove_prefix(5);
    r.source = Source::Password;
  }
  return true;
}

std::string readOneKey(const LeRequest& r) {
  bool quiet = r.source == Source::Mute || r.source == Source::Password;
  uint8_t code = quiet ? readKey() : readKeySpoken();
  uint8_t scan = code == 0 ? readKey() : 0;
  return keyNotation(code, scan, r.flags);
}

std::string readLineFrom(const LeRequest& r, const std::string& current) {
  uint8_t attr = textAttribute();
  if (r.source == Source::Password) setTextAttribute(0);
  std::string text;
  if (r.source == Source::Mute || r.source == Source::Password) {
    text = readPlainLine();
  } else if (r.source == Source::Edit) {
    text = current;
    if (editFieldAt(text, whereX(), whereY(), 1024) == 27) text.clear();
  } else {
    text = readLineSpoken();
  }
  setTextAttribute(attr);
  return text;
}

bool readFromChannel(int channel, int slot) {
  if (!fileChannels[channel].isOpen) return channelFailure();
  std::string line;
  interp.statusCode = channelReadLine(channel, line);
  variable(slot) = line;
  return true;
}

}  // namespace

bool cmdLe(std::string_view args) {
  interp.statusCode = 0;
  args = trimView(args);
  if (args.empty()) {
    readPlainLine();
    return true;
  }
  if (startsUpper(args, "MOUSE ") || startsUpper(args, "RATO ")) return readMousePosition(trimView(args.substr(5)));
  LeRequest r;
  std::string text = takeTecla(args, r.flags);
  std::string_view rest = text;
  r.oneKey = takeAmpersand(rest);
  if (rest.empty()) {
    readKey();
    return true;
  }
  if (startsUpper(rest, "CONSOLE ")) return readCaptured(rest.substr(8));
  if (!chooseSource(rest, r)) return false;
  int slot;
  if (!readVariable(rest, slot)) return false;
  if (r.source == Source::Channel) return readFromChannel(r.channel, slot);
  variable(slot) = r.oneKey ? readOneKey(r) : readLineFrom(r, variable(slot));
  return true;
}

// ---- Speech, sounds and the window ---------------------------------------

bool cmdFala(std::string_view args) {
  bool wait = !takeAmpersand(args);
  bool ok = true;
  if (args.empty()) {
    stopSpeech();
  } else {
    speakText(joinedValues(args));
    ok = args.empty();
  }
  if (wait) waitWhileSpeaking();
  return ok;
}

bool cmdSoletra(std::string_view args) {
  if (args.empty()) return false;
  std::string value;
  if (!readValue(args, value)) value.clear();
  spellText(value);
  writeTextToConsole(value);
  waitWhileSpeaking();
  return true;
}

bool cmdFalahora(std::string_view args) {
  std::string value;
  int32_t hour, minute;
  if (args.empty() || !readValue(args, value)) return false;
  if (value.size() != 5 || value[2] != ':') return false;
  if (!textToInt(value.substr(0, 2), hour) || !textToInt(value.substr(3, 2), minute)) return false;
  speakTime(hour, minute);
  waitWhileSpeaking();
  return true;
}

bool cmdBipa(std::string_view args) {
  std::string value = "0";
  if (!args.empty() && !readValue(args, value)) return false;
  if (value == "1") clickSound();
  else beepSound();
  return true;
}

static bool readIntegerValue(std::string_view& args, int32_t& n) {
  std::string text;
  return readValue(args, text) && textToInt(text, n);
}

bool cmdAlarme(std::string_view args) {
  int32_t frequency, duration;
  if (args.empty() || !readIntegerValue(args, frequency) || !readIntegerValue(args, duration)) return false;
  if (frequency < 0 || frequency > 20000 || duration < 0 || duration > 20000) return false;
  speakerBeep(frequency, duration);
  return true;
}

static bool gotoFromText(const std::string& text) {
  size_t comma = text.find(',');
  int32_t column, row;
  if (comma == std::string::npos) return false;
  if (!textToInt(trimView(std::string_view(text).substr(1, comma - 1)), column)) return false;
  if (!textToInt(trimView(std::string_view(text).substr(comma + 1)), row)) return false;
  gotoXY(column, row);
  return true;
}

bool cmdTela(std::string_view args) {
  if (args.empty()) return false;
  std::string text = upperAnsi(std::string(args));
  if (text.size() == 1 && text[0] >= 'A' && text[0] <= 'Z') text = variable(text[0] - 'A');
  if (text == "LIMPA") clearScreen();
  else if (text == "MINIMIZADA") hideConsoleWindow();
  else if (text == "NORMAL") {
    restoreConsoleWindow();
    bringConsoleToTop();
  } else if (!text.empty() && text[0] == '@') return gotoFromText(text);
  else return false;
  return true;
}

static bool colourCommand(std::string_view args, void (*set)(int)) {
  int32_t colour;
  if (args.empty() || !readIntegerValue(args, colour)) return false;
  set(colour);
  return true;
}

bool cmdCor(std::string_view args) { return colourCommand(args, setTextColor); }

bool cmdFundo(std::string_view args) { return colourCommand(args, setTextBackground); }

// The title passes a buffer of 300 characters; the window keeps what fits.
bool cmdTitulo(std::string_view args) {
  if (args.empty()) return false;
  std::string value;
  if (!readValue(args, value)) value.clear();
  setConsoleTitle(value.substr(0, 299));
  return true;
}

// ---- ESPERA and CMD ----------------------------------------------------------

static void pauseFor(int32_t n, bool milliseconds) {
  if (n <= 0) return;
  if (milliseconds) {
    delayMs(static_cast<unsigned>(n));
    return;
  }
  for (int32_t s = 0; s < n; s++) delayMs(1000);
}

static void waitForWindowTitle(int32_t seconds, const std::string& wanted) {
  for (int64_t i = 0; i < 2 * static_cast<int64_t>(seconds); i++) {
    if (upperAnsi(foregroundWindowTitle().substr(0, 249)).find(wanted) != std::string::npos) return;
    delayMs(500);
  }
  interp.statusCode = 1;
}

bool cmdEspera(std::string_view args) {
  if (args.empty()) return false;
  interp.statusCode = 0;
  bool milliseconds = startsUpper(args, "MS");
  if (milliseconds) args.remove_prefix(2);
  int32_t n;
  if (!readIntegerValue(args, n)) return false;
  args = trimView(args);
  if (args.empty()) {
    pauseFor(n, milliseconds);
    return true;
  }
  std::string title;
  if (readValue(args, title)) waitForWindowTitle(n, upperAnsi(title));
  return true;
}

bool cmdCmd(std::string_view args) {
  std::string line;
  if (!readValue(args, line) || !args.empty()) return false;
  return executeLine(line, true);
}
