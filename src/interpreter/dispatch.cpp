// The command table and dispatcher.  Owns the table; the handlers live with
// the modules that own their state.
#include "interpreter/dispatch.h"

#include <unordered_map>
#include <vector>

#include "interpreter/commands.h"
#include "interpreter/console_commands.h"
#include "interpreter/encoding_commands.h"
#include "interpreter/file_commands.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "services/exec_commands.h"
#include "speech/speech.h"

namespace {

struct CommandEntry {
  const char* word;  // UTF-8 in the source, Windows-1252 in the table
  CommandHandler handler;  // nullptr: not built yet
};

// Dispatch order is the language's; all words are distinct, so a hash map
// over this table gives the same result as the linear search.
const CommandEntry kCommands[] = {
    {"MIDI", nullptr},          {"ALARME", cmdAlarme},       {"DEBUG", cmdDebug},
    {"TAMARQ", cmdTamarq},        {"SEJA", cmdSeja},         {"TELA", cmdTela},
    {"COR", cmdCor},           {"FUNDO", cmdFundo},        {"ABRE", cmdAbre},
    {"FECHA", cmdFecha},         {"INTERNET", nullptr},     {"CONECTA", nullptr},
    {"ATIVASSL", nullptr},      {"SERVE", nullptr},        {"OBSERVA", nullptr},
    {"ESCREVE", cmdEscreve},       {"BIPA", cmdBipa},         {"SOMA", cmdSoma},
    {"SUBTRAI", cmdSubtrai},    {"MULTIPLICA", cmdMultiplica}, {"DIVIDE", cmdDivide},
    {"CONCATENA", cmdConcatena}, {"COPIA", cmdCopia},      {"SOLETRA", cmdSoletra},
    {"LISTA", cmdLista},        {"FALAHORA", cmdFalahora},     {"TITULO", cmdTitulo},
    {"TÍTULO", cmdTitulo},        {"DELETA", cmdDeleta},     {"SUBSTITUI", cmdSubstitui},
    {"TOCA", nullptr},          {"FALA", cmdFala},         {"MCI", nullptr},
    {"LÊ", cmdLe},            {"LE", cmdLe},           {"CHECA", cmdCheca},
    {"REMOVE", cmdRemove},        {"RENOMEIA", cmdRenomeia},     {"REPLICA", cmdReplica},
    {"CMD", cmdCmd},           {"ESPERA", cmdEspera},       {"DIGITA", nullptr},
    {"ACIONA", nullptr},        {"CLICA", nullptr},        {"CAPTURA", nullptr},
    {"TRANSFERE", nullptr},     {"JANELA", nullptr},       {"DESVIA", cmdDesvia},
    {"SE", cmdSe},              {"SENAO", cmdSenao},       {"SENÃO", cmdSenao},
    {"ENQUANTO", cmdEnquanto},  {"REPETE", cmdRepete},     {"FIM", cmdFim},
    {"EXECUTA", cmdExecuta},       {"EXISTEPROG", cmdExisteprog},   {"DIR", cmdDir},
    {"BUSCA", cmdBusca},         {"TERMINA", cmdTermina},   {"CHAMA", cmdChama},
    {"RETORNA", cmdRetorna},    {"RANDOMIZA", cmdRandomiza}, {"IP", nullptr},
    {"MSAA", nullptr},          {"MENU", nullptr},         {"IMAGEM", nullptr},
    {"SENSOR", nullptr},        {"ANSIPARAUTF8", cmdAnsiParaUtf8}, {"UTF8PARAANSI", cmdUtf8ParaAnsi},
    {"HTTP", nullptr},          {"HANDLE", nullptr},       {"TRAZDAREDE", nullptr},
    {"MENSAGEM", nullptr},      {"CODBASE64", cmdCodBase64},    {"REMOVEQUOTED", cmdRemoveQuoted},
    {"ADQUOTED", cmdAdQuoted},      {"CODARQBASE64", cmdCodArqBase64}, {"DECODARQBASE64", cmdDecodArqBase64},
    {"DECODBASE64", cmdDecodBase64},
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

static CommandFilter commandFilter = nullptr;

void setCommandFilter(CommandFilter allowed) { commandFilter = allowed; }

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
  if (commandFilter && !commandFilter(upper)) return false;
  if (!kCommands[i].handler) {
    sayLine(ansi("Comando ainda não disponível nesta versão: ") + upper);
    return false;
  }
  return kCommands[i].handler(args);
}
