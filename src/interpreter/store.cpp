// Script store, labels and the run loop.  Owns the interpreter record; the
// variables, channels and lists it resets belong to their own modules.
#include "interpreter/store.h"

#include "console/console.h"
#include "interpreter/channels.h"
#include "interpreter/dispatch.h"
#include "interpreter/lists.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "speech/speech.h"

InterpreterState interp;

static const std::string kEmptyLine;

const std::string& scriptLine(int number) {
  if (number < 1 || number >= static_cast<int>(interp.scriptLines.size())) return kEmptyLine;
  return interp.scriptLines[number];
}

bool storeLine(const std::string& text, int number) {
  if (number < 1 || number > kMaxScriptLines) return false;
  if (static_cast<int>(interp.scriptLines.size()) <= number) interp.scriptLines.resize(number + 1);
  interp.scriptLines[number] = text;
  interp.lineCount = number;
  return true;
}

static void clearRunState() {
  interp.programCounter = 1;
  interp.failed = false;
  interp.finished = false;
  interp.currentCommand.clear();
  interp.callDepth = 0;
  interp.statusCode = 0;
}

RunOutcome runScript() {
  clearRunState();
  while (interp.programCounter <= interp.lineCount && !interp.finished && !interp.failed) {
    executeLine(interp.scriptLines[interp.programCounter], false);
    if (!interp.finished && !interp.failed) interp.programCounter++;
  }
  RunOutcome outcome{interp.failed, interp.programCounter};
  interp.lineCount = 0;
  return outcome;
}

static bool refusedWhenRestricted(const std::string& word) {
  static const std::string senaoAccented = ansi("SENÃO");
  return word == "REPETE" || word == "ENQUANTO" || word == "SENAO" || word == senaoAccented ||
         word == "FIM";
}

// Splits off the command word (a-z upper-cased) up to the first blank.
static std::string_view splitCommand(std::string_view text, std::string& word) {
  word.clear();
  size_t i = 0;
  while (i < text.size() && text[i] != ' ') word.push_back(upperAscii(text[i++]));
  if (i < text.size()) i++;
  return text.substr(i);
}

bool executeLine(std::string_view text, bool restricted) {
  text = trimView(text);
  if (text.empty() || text[0] == '*' || text[0] == '@') return true;
  std::string_view args = splitCommand(text, interp.currentCommand);
  if (restricted && refusedWhenRestricted(interp.currentCommand)) return false;
  bool ok = dispatchCommand(interp.currentCommand, args);
  interp.failed = !ok;
  return ok;
}

bool findLabel(std::string_view name) {
  std::string wanted = upperAnsi(std::string(name));
  for (int n = 1; n <= interp.lineCount; n++) {
    const std::string& line = interp.scriptLines[n];
    if (line.empty() || line[0] != '@') continue;
    if (equalsUpper(std::string_view(line).substr(1), wanted)) {
      interp.programCounter = n;
      return true;
    }
  }
  return false;
}

void resetInterpreter() {
  clearRunState();
  resetVariables();
  resetChannels();
  resetLists();
  interp.finished = true;
  delayMs(1);
  int year, month, day, weekday, hour, minute, second, hundredths;
  getDate(year, month, day, weekday);
  getTime(hour, minute, second, hundredths);
  interp.startWeekday = weekday;
  interp.startTime = ((hour * 60 + minute) * 60 + second) * 100 + hundredths;
}

bool cmdDebug(std::string_view args) {
  bool off = args == "-" || (!args.empty() && args[0] == 'N');
  interp.debugEcho = !off;
  sayLine(off ? "Debug desligado" : "Debug ligado");
  return true;
}
