// taskkill: ends processes by image name (/im NAME, ".exe" optional, any
// letter case) or by number (/pid N), as the family's scripts expect of the
// Windows tool of that name.  It is installed next to fitagrav, whose own
// folder is searched first.
//
// With /f a process is asked to stop with SIGINT and given 3 seconds before
// SIGKILL, so that a recorder writes the end of its file; without /f it is
// only sent SIGTERM.  Only processes of the same user are ended, never
// taskkill itself or its parent.
//
// Lines are written as UTF-8 to a terminal and as Windows-1252 with CR LF
// otherwise: a caller that captures the output reads ANSI text.  Exit
// status: 0 when every process was ended, 128 when a name or number matched
// nothing, 1 for any other failure.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "interpreter/text.h"
#include "platform/codepage.h"
#include "platform/process.h"

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;
constexpr int kStatusNotFound = 128;
constexpr unsigned kGraceMs = 3000;
constexpr unsigned kKillWaitMs = 1000;
constexpr unsigned kPollMs = 20;

struct Request {
  bool force = false;
  std::vector<std::string> names;
  std::vector<std::string> pids;
};

int exitStatus = kStatusOk;

void fail(int status) {
  if (exitStatus != kStatusNotFound) exitStatus = status;
}

void printLine(FILE* stream, const std::string& ansiText) {
  bool terminal = isatty(fileno(stream));
  std::string line = terminal ? ansiToUtf8(ansiText) + "\n" : ansiText + "\r\n";
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string processText(const ProcessEntry& p) {
  return ansi("o processo ") + quoted(p.name) + ansi(" com PID ") + std::to_string(p.pid);
}

void reportNotFound(const std::string& what) {
  printLine(stderr, ansi("ERRO: o processo ") + quoted(what) + ansi(" não foi encontrado."));
  fail(kStatusNotFound);
}

void reportRefused(const ProcessEntry& p, const char* reason) {
  printLine(stderr, ansi("ERRO: ") + processText(p) + ansi(" não pôde ser finalizado. Motivo: ") + ansi(reason));
  fail(kStatusFailed);
}

bool badUsage(const std::string& ansiMessage) {
  printLine(stderr, ansi("ERRO: ") + ansiMessage);
  printLine(stderr, ansi("Digite \"TASKKILL /?\" para ver o uso."));
  return false;
}

void printUsage() {
  for (const char* line : {"TASKKILL [/F] /IM nome | /PID número [/IM nome | /PID número ...]",
                           "  /IM nome     processos cujo programa tem esse nome (\".exe\" opcional)",
                           "  /PID número  o processo desse número",
                           "  /F           força: SIGINT, até 3 segundos, depois SIGKILL"})
    printLine(stdout, ansi(line));
}

std::string upperAZ(std::string text) {
  for (char& c : text) c = static_cast<char>(upperAscii(static_cast<unsigned char>(c)));
  return text;
}

bool isOption(const std::string& arg) { return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-'); }

// Options may be written "/IM" or "-im"; each /IM and /PID takes the next argument.
bool parseArguments(int argc, char** argv, Request& request) {
  for (int i = 1; i < argc; i++) {
    std::string arg = utf8ToAnsi(argv[i]), option = isOption(arg) ? upperAZ(arg.substr(1)) : "";
    bool takesValue = option == "IM" || option == "PID";
    if (takesValue && i + 1 >= argc) return badUsage(ansi("falta o valor de '") + arg + "'.");
    if (option == "F") request.force = true;
    else if (option == "IM") request.names.push_back(utf8ToAnsi(argv[++i]));
    else if (option == "PID") request.pids.push_back(utf8ToAnsi(argv[++i]));
    else return badUsage(ansi("argumento ou opção inválida - '") + arg + "'.");
  }
  if (request.names.empty() && request.pids.empty()) return badUsage(ansi("sintaxe inválida. Use /IM ou /PID."));
  return true;
}

// A process is ours to end when it belongs to our user and is neither us
// nor our parent; the reason otherwise.
const char* refusal(const ProcessEntry& p) {
  if (p.pid == getpid() || p.pid == getppid()) return "é o próprio taskkill ou o processo que o chamou.";
  return p.owner == getuid() ? nullptr : "acesso negado.";
}

void addTarget(std::vector<ProcessEntry>& targets, const ProcessEntry& p) {
  bool known = std::any_of(targets.begin(), targets.end(), [&](const ProcessEntry& t) { return t.pid == p.pid; });
  if (!known) targets.push_back(p);
}

// Every process whose image name is name, less taskkill and its parent
// (a name never ends the one who asked for it).
void collectByName(const std::string& name, const std::vector<ProcessEntry>& all, std::vector<ProcessEntry>& targets) {
  bool found = false;
  for (const ProcessEntry& p : all) {
    if (!sameProgramName(p.name, name) || p.pid == getpid() || p.pid == getppid()) continue;
    found = true;
    if (const char* reason = refusal(p)) reportRefused(p, reason);
    else addTarget(targets, p);
  }
  if (!found) reportNotFound(name);
}

void collectByNumber(const std::string& number, std::vector<ProcessEntry>& targets) {
  char* end;
  long pid = std::strtol(number.c_str(), &end, 10);
  ProcessEntry p;
  if (*end != '\0' || pid <= 0 || !readProcess(static_cast<pid_t>(pid), p)) return reportNotFound(number);
  if (const char* reason = refusal(p)) return reportRefused(p, reason);
  addTarget(targets, p);
}

// The same process still runs: a number taken again by a new process is not it.
bool stillRunning(const ProcessEntry& p) {
  ProcessEntry now;
  return readProcess(p.pid, now) && now.startTime == p.startTime;
}

bool anyRunning(const std::vector<ProcessEntry>& targets) {
  return std::any_of(targets.begin(), targets.end(), stillRunning);
}

void waitForEnd(const std::vector<ProcessEntry>& targets, unsigned limitMs) {
  for (unsigned waited = 0; waited < limitMs && anyRunning(targets); waited += kPollMs) usleep(kPollMs * 1000);
}

void signalAll(const std::vector<ProcessEntry>& targets, int signal) {
  for (const ProcessEntry& p : targets)
    if (stillRunning(p)) kill(p.pid, signal);
}

void endGracefully(const std::vector<ProcessEntry>& targets) {
  signalAll(targets, SIGINT);
  waitForEnd(targets, kGraceMs);
  signalAll(targets, SIGKILL);
  waitForEnd(targets, kKillWaitMs);
  for (const ProcessEntry& p : targets) {
    if (stillRunning(p)) reportRefused(p, "o processo não terminou.");
    else printLine(stdout, ansi("ÊXITO: ") + processText(p) + ansi(" foi finalizado."));
  }
}

void askToEnd(const std::vector<ProcessEntry>& targets) {
  for (const ProcessEntry& p : targets) {
    if (kill(p.pid, SIGTERM) != 0) reportRefused(p, "o sinal não pôde ser enviado.");
    else printLine(stdout, ansi("ÊXITO: o sinal de término foi enviado a ") + processText(p) + ".");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "/?") {
    printUsage();
    return kStatusOk;
  }
  Request request;
  if (!parseArguments(argc, argv, request)) return kStatusFailed;
  std::vector<ProcessEntry> all = listProcesses(), targets;
  for (const std::string& name : request.names) collectByName(name, all, targets);
  for (const std::string& number : request.pids) collectByNumber(number, targets);
  if (request.force) endGracefully(targets);
  else askToEnd(targets);
  return exitStatus;
}
