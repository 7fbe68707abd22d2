// The command table and dispatcher.  Owns the table; the handlers live with
// the modules that own their state.
#include "interpreter/dispatch.h"

#include <unordered_map>
#include <vector>

#include "interpreter/commands.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "speech/speech.h"

namespace {

struct CommandEntry {
  const char* word;  // UTF-8 in the source, Windows-1252 in the table
  CommandHandler handler;  // nullptr: not built yet
};

// Dispatch order is the language's; all words are distinct, so a hash map
// over this table gives the same result as the linear search.
const CommandEntry kCommands[] = {
    {"MIDI", nullptr},          {"ALARME", nullptr},       {"DEBUG", cmdDebug},
    {"TAMARQ", nullptr},        {"SEJA", cmdSeja},         {"TELA", nullptr},
    {"COR", nullptr},           {"FUNDO", nullptr},        {"ABRE", nullptr},
    {"FECHA", nullptr},         {"INTERNET", nullptr},     {"CONECTA", nullptr},
    {"ATIVASSL", nullptr},      {"SERVE", nullptr},        {"OBSERVA", nullptr},
    {"ESCREVE", nullptr},       {"BIPA", nullptr},         {"SOMA", cmdSoma},
    {"SUBTRAI", cmdSubtrai},    {"MULTIPLICA", cmdMultiplica}, {"DIVIDE", cmdDivide},
    {"CONCATENA", cmdConcatena}, {"COPIA", cmdCopia},      {"SOLETRA", nullptr},
    {"LISTA", cmdLista},        {"FALAHORA", nullptr},     {"TITULO", nullptr},
    {"TÍTULO", nullptr},        {"DELETA", cmdDeleta},     {"SUBSTITUI", cmdSubstitui},
    {"TOCA", nullptr},          {"FALA", nullptr},         {"MCI", nullptr},
    {"LÊ", nullptr},            {"LE", nullptr},           {"CHECA", nullptr},
    {"REMOVE", nullptr},        {"RENOMEIA", nullptr},     {"REPLICA", nullptr},
    {"CMD", nullptr},           {"ESPERA", nullptr},       {"DIGITA", nullptr},
    {"ACIONA", nullptr},        {"CLICA", nullptr},        {"CAPTURA", nullptr},
    {"TRANSFERE", nullptr},     {"JANELA", nullptr},       {"DESVIA", cmdDesvia},
    {"SE", cmdSe},              {"SENAO", cmdSenao},       {"SENÃO", cmdSenao},
    {"ENQUANTO", cmdEnquanto},  {"REPETE", cmdRepete},     {"FIM", cmdFim},
    {"EXECUTA", nullptr},       {"EXISTEPROG", nullptr},   {"DIR", nullptr},
    {"BUSCA", nullptr},         {"TERMINA", cmdTermina},   {"CHAMA", cmdChama},
    {"RETORNA", cmdRetorna},    {"RANDOMIZA", cmdRandomiza}, {"IP", nullptr},
    {"MSAA", nullptr},          {"MENU", nullptr},         {"IMAGEM", nullptr},
    {"SENSOR", nullptr},        {"ANSIPARAUTF8", nullptr}, {"UTF8PARAANSI", nullptr},
    {"HTTP", nullptr},          {"HANDLE", nullptr},       {"TRAZDAREDE", nullptr},
    {"MENSAGEM", nullptr},      {"CODBASE64", nullptr},    {"REMOVEQUOTED", nullptr},
    {"ADQUOTED", nullptr},      {"CODARQBASE64", nullptr}, {"DECODARQBASE64", nullptr},
    {"DECODBASE64", nullptr},
};

constexpr int kCommandCount = sizeof kCommands / sizeof kCommands[0];
static_assert(kCommandCount == 79);

struct Table {
  std::vector<std::string> words;
  std::unordered_map<std::string, int> index;
};

const Table& table() {
  static const Table t = [] {
    Table t;
    for (int i = 0; i < kCommandCount; i++) {
      t.words.push_back(ansi(kCommands[i].word));
      t.index.emplace(t.words.back(), i);
    }
    return t;
  }();
  return t;
}

int lookup(const std::string& upperWord) {
  auto it = table().index.find(upperWord);
  return it == table().index.end() ? -1 : it->second;
}

}  // namespace

std::string commandWordAt(int i) { return i >= 0 && i < kCommandCount ? table().words[i] : ""; }

int commandCount() { return kCommandCount; }

bool commandIsBuilt(const std::string& upperWord) {
  int i = lookup(upperWord);
  return i >= 0 && kCommands[i].handler != nullptr;
}

bool dispatchCommand(const std::string& word, std::string_view args) {
  if (word.empty()) return false;
  args = trimView(args);
  if (interp.debugEcho) sayLine(word + " " + std::string(args));
  std::string upper = upperAnsi(word);
  int i = lookup(upper);
  if (i < 0) {
    sayLine(ansi("Comando inválido: ") + upper);
    return false;
  }
  if (!kCommands[i].handler) {
    sayLine(ansi("Comando ainda não disponível nesta versão: ") + upper);
    return false;
  }
  return kCommands[i].handler(args);
}
