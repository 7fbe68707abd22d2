// Interpreter start-up, the message table, the outcome report and the
// recorder script the program carries.  Owns only constant data.
#include "interpreter/entry.h"

#include "console/services.h"
#include "interpreter/channels.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "platform/paths.h"
#include "platform/program.h"

namespace {

struct Message {
  const char* key;
  const char* text;  // UTF-8 in the source
};

const Message kMessages[] = {
    {"SCINIC", "Rotela - v"},
    {"SCNOMARQ", "Nome do arquivo .CMD a executar: "},
    {"SCFIM", "Fim do script"},
    {"SCARQNAO", "Arquivo .CMD inexistente"},
    {"SCERREXE", "Erro de execução na linha "},
    {"SCERRROT", "Este rótulo não existe !"},
    {"SCERRO", "Erro"},
    {"SCEDITE", "Editore e aperte enter"},
    {"SCINTER", "Modo interativo"},
};

// The recorder, line for line as the program stores it (lines 38 and 50 keep
// their two blanks).
const char* const kRecorderLines[56] = {
    "seja $versao 0",
    "",
    "escreve \"Gravador automático de streaming versão\"$versao",
    "",
    "escreve \"Informe hora de início (hh:mm:ss):\"",
    "",
    "le $horacomeco",
    "escreve \"Informe a hora de término (hh:mm:ss):\"",
    "le $horafim",
    "",
    "escreve \"Qual o link da fonte\"",
    "le $fonte",
    "escreve \"Qual o nome do arquivo de saída\"",
    "le $saida",
    "se não $saida *=* \":\\\"",
    "seja $diretorio \"records\\\"",
    "concatena $diretorio $saida",
    "seja $saida $diretorio",
    "fim se",
    "escreve \"\"",
    "escreve \"Aguardando início\"",
    "escreve \"Programado para as \"$horacomeco\" até as \"$horafim",
    "chama @aguardacomeco",
    "chama @aguardafim",
    "escreve \"Operacção terminada.\"",
    "termina mudo",
    "",
    "@aguardacomeco",
    "seja $comando \"ffmpeg -i \"\"\"",
    "concatena $comando $fonte",
    "concatena $comando \"\"\" -ab 128000 -ac 2 -ar 44100 \"\"\"",
    "concatena $comando $saida",
    "concatena $comando \"\"\"\"",
    "",
    "seja h hora",
    "enquanto h <> $horacomeco",
    "espera 1",
    "seja  h hora",
    "fim enquanto",
    "",
    "bipa",
    "escreve \"Iniciando gravação\"",
    "executa $comando &&",
    "retorna",
    "",
    "@aguardafim",
    "seja h hora",
    "enquanto h <> $horafim",
    "espera 1",
    "seja  h hora",
    "fim enquanto",
    "",
    "escreve \"Enserrando gravação\"",
    "executa \"taskkill /f /im ffmpeg.exe\"&&&",
    "espera 5",
    "retorna",
};

void writeLineEnds(int count) {
  for (int i = 0; i < count; i++) writeTextToConsole("\r\n");
}

void reportUnknownMessage(const std::string& key) {
  const std::string rule(31, '-');
  writeTextToConsole("\r\n" + rule + "\r\n--- mensagem errada: " + key + "---\r\n" + rule + "\r\n\r\n");
}

}  // namespace

const std::vector<std::string>& recorderScript() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> v;
    for (const char* line : kRecorderLines) v.push_back(ansi(line));
    return v;
  }();
  return lines;
}

static const Message* findMessage(const std::string& key) {
  for (const Message& m : kMessages)
    if (key == m.key) return &m;
  return nullptr;
}

std::string messageText(const std::string& key) {
  const Message* m = findMessage(key);
  return m ? ansi(m->text) : "";
}

void showMessage(const std::string& key, int lineBreaks) {
  if (!findMessage(key)) reportUnknownMessage(key);
  std::string text = messageText(key);
  writeTextToConsole(text);
  writeLineEnds(lineBreaks);
  if (messageExists(key)) playMessage(key);
  else speakText(text);
}

void initInterpreter(const std::string& programName) {
  initSpeech(0, readConfigValue("ROTELA", "DIRROTELA"));
  clearScreen();
  setConsoleTitle("ROTELA");
  std::string remembered = currentFolder();
  std::string scripts = readConfigValue("ROTELA", "DIRDEFAULT");
  setCurrentFolder(scripts.empty() ? "c:\\lumio\\scripts" : scripts);
  setCurrentFolder(remembered);
  setConsoleTitle(programName);
}

int reportOutcome() {
  RunOutcome outcome = runScript();
  if (!outcome.error) {
    if (!interp.silentEnd) showMessage("SCFIM", 1);
    return 0;
  }
  restoreConsoleWindow();
  showMessage("SCERREXE", 0);
  sayNumber(outcome.line);
  writeLineEnds(1);
  setTerminateStatus(1);
  char line[128];
  readConsoleLine(line, sizeof line);
  return 1;
}

void startRuntime(int argc, char** argv) {
  programSetArguments(argc, argv);
  resetInterpreter();
}

int finishRuntime(int status) {
  closeAllChannels();
  consoleEndOfProgram(false);
  return status;
}

bool storeScript(const std::vector<std::string>& lines) {
  if (lines.size() > static_cast<size_t>(kMaxScriptLines)) return false;
  for (size_t i = 0; i < lines.size(); i++) storeLine(lines[i], static_cast<int>(i) + 1);
  return true;
}
