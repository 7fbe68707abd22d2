// The file and directory commands and the whole-file access they share with
// the encodings.  Owns the one directory search of BUSCA; the channels and
// their files belong to channels.cpp, the variables to values.cpp.
//
// Where the host differs from the Windows file system the commands keep the
// Windows outcome: a rename never replaces an existing file, and copying a
// file onto itself fails instead of emptying it.
//
// BUSCA lists a folder as Windows does: names are matched without regard to
// letter case with "*" (any run), "?" (one character, or none at the end of
// the name or before a "."), a trailing ".*" that also matches names without
// an extension and a trailing "." that matches only names without one.
// Entries come sorted by their upper-cased names, "." and ".." first, and
// count as hidden when their name starts with a "." ("." and ".." are not
// hidden, so a folder search starting with "*" answers "." first).  Names
// that have no Windows-1252 form cannot be named by a script and are not
// listed.  A pattern longer than 512 characters fails the line.
#include "interpreter/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "interpreter/channels.h"
#include "interpreter/file_commands.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "speech/speech.h"

// ---- Whole-file access ---------------------------------------------------

int openSourceFile(const std::string& name) {
  int fd = open(hostPath(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return fd;
  close(fd);
  errno = EACCES;  // what Windows answers for a folder
  return -1;
}

static bool isSameFile(int fd, const struct stat& other) {
  struct stat info;
  return fd >= 0 && fstat(fd, &info) == 0 && info.st_dev == other.st_dev &&
         info.st_ino == other.st_ino;
}

static int failClosing(int fd, int error) {
  close(fd);
  errno = error;
  return -1;
}

int createTargetFile(const std::string& name, int sourceFd) {
  int fd = open(hostPath(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0) return failClosing(fd, errno);
  if (isSameFile(sourceFd, info)) return failClosing(fd, EBUSY);
  if (S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) return failClosing(fd, errno);
  return fd;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

long readSome(int fd, char* data, size_t size) {
  for (;;) {
    ssize_t n = read(fd, data, size);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

// ---- Shared argument and message rules -------------------------------------

namespace {

// A trailing "&" (ignore a failure, or append) goes with the blanks before it.
bool takeAmpersand(std::string_view& args) {
  args = trimView(args);
  if (args.empty() || args.back() != '&') return false;
  args.remove_suffix(1);
  args = trimView(args);
  return true;
}

bool failWith(const char* utf8Message, const std::string& name) {
  sayLine(ansi(utf8Message) + name);
  return false;
}

bool readTwoNames(std::string_view& args, std::string& first, std::string& second) {
  return readValue(args, first) && readValue(args, second) && args.empty();
}

}  // namespace

// ---- Channels ------------------------------------------------------------

bool cmdAbre(std::string_view args) {
  bool append = takeAmpersand(args);
  int channel = 0;
  std::string name;
  bool named = readChannel(args, channel) && !args.empty() && readValue(args, name) && !name.empty();
  if (named && openFileChannel(channel, name, append)) return true;
  return failWith("Erro na abertura do arquivo ", name);
}

bool cmdFecha(std::string_view args) {
  int channel = 0;
  if (readChannel(args, channel) && closeChannel(channel)) return true;
  return failWith("Erro no fechamento do arquivo", "");
}

bool cmdCheca(std::string_view args) {
  int slot = 0;
  if (!readVariable(args, slot) || !args.empty()) return false;
  variable(slot) = intToText(interp.statusCode);
  return true;
}

// ---- Files -----------------------------------------------------------------

bool cmdRemove(std::string_view args) {
  bool ignoreFailure = takeAmpersand(args);
  std::string name;
  if (!readValue(args, name) || name.empty()) return false;
  if (unlink(hostPath(name).c_str()) == 0 || ignoreFailure) return true;
  return failWith("Erro no apagamento do arquivo ", name);
}

namespace {

bool exists(const std::string& hostName) {
  struct stat info;
  return lstat(hostName.c_str(), &info) == 0;
}

// The host path of a new name with its last component as the script wrote
// it, for a rename that only changes the letter case.
std::string asWritten(const std::string& matched, const std::string& name) {
  size_t cut = name.find_last_of("\\/:");
  std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
  if (last.empty()) return matched;
  size_t slash = matched.rfind('/');
  return (slash == std::string::npos ? "" : matched.substr(0, slash + 1)) + ansiToUtf8(last);
}

bool renameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return !exists(to) && std::rename(from.c_str(), to.c_str()) == 0;  // no support in this file system
}

bool renameFile(const std::string& from, const std::string& to) {
  std::string source = hostPath(from), target = hostPath(to);
  if (source.empty() || target.empty() || !exists(source)) return false;
  if (target == source) target = asWritten(target, to);
  return target == source || renameNoReplace(source, target);
}

}  // namespace

bool cmdRenomeia(std::string_view args) {
  bool ignoreFailure = takeAmpersand(args);
  std::string from, to;
  if (!readTwoNames(args, from, to)) return false;
  return renameFile(from, to) || ignoreFailure;
}

namespace {

constexpr size_t kCopyBlock = 30000;

bool copyBlocks(int in, int out, const std::string& source, const std::string& target, bool ignoreFailure) {
  std::vector<char> buffer(kCopyBlock);
  for (;;) {
    long n = readSome(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) return ignoreFailure || failWith("Erro no processamento de arquivo ", source);
    if (!writeAll(out, buffer.data(), static_cast<size_t>(n)))
      return ignoreFailure || failWith("Erro na escrita de arquivo ", target);
  }
}

// With "&" a source or destination that cannot be opened copies nothing and
// the line goes on; a copy that breaks off keeps what was written.
bool copyFile(const std::string& source, const std::string& target, bool ignoreFailure) {
  int in = openSourceFile(source);
  if (in < 0) return ignoreFailure;
  int out = createTargetFile(target, in);
  bool ok = out >= 0 ? copyBlocks(in, out, source, target, ignoreFailure) : ignoreFailure;
  close(in);
  if (out >= 0) close(out);
  return ok;
}

}  // namespace

bool cmdReplica(std::string_view args) {
  bool ignoreFailure = takeAmpersand(args);
  std::string source, target;
  if (!readTwoNames(args, source, target)) return false;
  return copyFile(source, target, ignoreFailure);
}

// Size in bytes of a file that can be opened for reading, else -1.
static int64_t fileSize(const std::string& name) {
  int fd = openSourceFile(name);
  if (fd < 0) return -1;
  struct stat info;
  int64_t size = fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
  close(fd);
  return size;
}

bool cmdTamarq(std::string_view args) {
  std::string name;
  int slot = 0;
  if (!readValue(args, name) || !readVariable(args, slot)) return false;
  variable(slot) = intToText(fileSize(name));
  return true;
}

// ---- Folders -------------------------------------------------------------

namespace {

enum class FolderOperation { None, Create, Remove, Change };

FolderOperation folderOperation(std::string_view args) {
  if (startsUpper(args, "CRIA ")) return FolderOperation::Create;
  if (startsUpper(args, "REMOVE ")) return FolderOperation::Remove;
  if (startsUpper(args, "TROCA ")) return FolderOperation::Change;
  return FolderOperation::None;
}

bool performFolder(FolderOperation operation, const std::string& name) {
  switch (operation) {
    case FolderOperation::Create: return mkdir(hostPath(name).c_str(), 0777) == 0;
    case FolderOperation::Remove: return rmdir(hostPath(name).c_str()) == 0;
    case FolderOperation::Change: return setCurrentFolder(name);
    default: return false;
  }
}

}  // namespace

bool cmdDir(std::string_view args) {
  bool ignoreFailure = takeAmpersand(args);
  FolderOperation operation = folderOperation(args);
  if (operation == FolderOperation::None) return false;
  args.remove_prefix(args.find(' '));
  std::string name;
  if (!readValue(args, name) || !args.empty()) return false;
  if (performFolder(operation, name) || ignoreFailure) return true;
  return failWith("Erro no processamento do diretório ", name);
}

// ---- Directory search ----------------------------------------------------

namespace {

constexpr size_t kMaxPattern = 512;

struct SearchEntry {
  std::string name;  // ANSI
  bool isDirectory = false;
  bool isFile = false;
};

struct SearchState {
  std::vector<SearchEntry> entries;  // what the search can still give, in order
  size_t next = 0;
  bool directories = false;  // the attribute the search looks for
};

SearchState search;

bool hasWildcard(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

// Windows wildcards over upper-cased texts, by dynamic programming over the
// pattern from its end (no backtracking, so no pattern can make it slow).
bool wildMatch(std::string_view mask, std::string_view name) {
  size_t n = name.size();
  std::vector<char> below(n + 1, 0), row(n + 1, 0);
  below[n] = 1;  // the empty pattern matches only the end of the name
  for (size_t i = mask.size(); i-- > 0;) {
    for (size_t j = n + 1; j-- > 0;) {
      bool more = j < n, atDot = !more || name[j] == '.';
      if (mask[i] == '*') row[j] = below[j] || (more && row[j + 1]);
      else if (mask[i] == '?') row[j] = (more && below[j + 1]) || (atDot && below[j]);
      else row[j] = more && mask[i] == name[j] && below[j + 1];
    }
    std::swap(below, row);
  }
  return below[0];
}

// The mask comes upper-cased; a trailing ".*" or "." follows the Windows rules.
bool matchesMask(std::string_view view, const std::string& name) {
  std::string u = upperAnsi(name);
  if (view.size() >= 2 && view.ends_with(".*") && wildMatch(view.substr(0, view.size() - 2), u)) return true;
  if (view.size() >= 2 && view.back() == '.' && hasWildcard(view))
    return u.find('.') == std::string::npos && wildMatch(view.substr(0, view.size() - 1), u);
  return wildMatch(view, u);
}

bool isHidden(const std::string& name) { return name[0] == '.' && name != "." && name != ".."; }

// Where "." and ".." go, then the upper-cased name, then the name itself.
bool listedBefore(const SearchEntry& a, const SearchEntry& b) {
  auto rank = [](const std::string& s) { return s == "." ? 0 : s == ".." ? 1 : 2; };
  if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
  std::string ua = upperAnsi(a.name), ub = upperAnsi(b.name);
  return ua != ub ? ua < ub : a.name < b.name;
}

SearchEntry entryOf(const std::string& folder, const std::string& hostName) {
  SearchEntry entry;
  entry.name = utf8ToAnsi(hostName);
  struct stat info;
  if (stat((folder + "/" + hostName).c_str(), &info) != 0) return entry;
  entry.isDirectory = S_ISDIR(info.st_mode);
  entry.isFile = S_ISREG(info.st_mode);
  return entry;
}

// The entries a search may give: the mask matches, not hidden, folders
// only in directory mode.
void listFolder(const std::string& folder, const std::string& mask, bool directories) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::string upperMask = upperAnsi(mask);
  while (dirent* item = readdir(dir)) {
    std::string hostName = item->d_name, name = utf8ToAnsi(hostName);
    if (ansiToUtf8(name) != hostName || isHidden(name) || !matchesMask(upperMask, name)) continue;
    SearchEntry entry = entryOf(folder, hostName);
    if (directories || !entry.isDirectory) search.entries.push_back(entry);
  }
  closedir(dir);
  std::sort(search.entries.begin(), search.entries.end(), listedBefore);
}

void closeSearch() {
  search.entries.clear();
  search.next = 0;
}

// A pattern's folder (through hostPath) and its last component, the mask.
std::string startSearch(const std::string& pattern, bool directories) {
  closeSearch();
  search.directories = directories;
  size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string::npos && pattern.size() >= 2 && pattern[1] == ':') cut = 1;
  std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
  std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  if (!mask.empty()) listFolder(folder.empty() ? "." : hostPath(folder), mask, directories);
  if (search.entries.empty()) return "";
  search.next = 1;
  return search.entries[0].name;
}

std::string nextEntry() {
  while (search.next < search.entries.size()) {
    const SearchEntry& entry = search.entries[search.next++];
    if (search.directories ? entry.isDirectory : entry.isFile) return entry.name;
  }
  closeSearch();
  return "";
}

bool startsWithNext(std::string_view args) {
  return startsUpper(args, ansi("PRÓXIMO")) || startsUpper(args, "PROXIMO");
}

// The word DIR (directory mode) and the blank after it.
bool takeDirectoryWord(std::string_view& args) {
  if (!startsUpper(args, "DIR")) return false;
  args = trimView(args.substr(std::min<size_t>(4, args.size())));
  return true;
}

// The text BUSCA stores for what follows its variable, or false to fail.
bool searchAnswer(std::string_view args, bool directories, std::string& answer) {
  if (startsWithNext(args)) {
    if (!trimView(args.substr(7)).empty()) return false;
    answer = nextEntry();
  } else if (!args.empty()) {
    std::string pattern;
    if (!readValue(args, pattern) || !args.empty() || pattern.size() > kMaxPattern) return false;
    answer = startSearch(pattern, directories);
  } else {
    answer = utf8ToAnsi(currentFolder());
  }
  return true;
}

}  // namespace

bool cmdBusca(std::string_view args) {
  int slot = 0;
  if (!readVariable(args, slot) || args.empty()) return false;
  bool directories = takeDirectoryWord(args);
  if (startsUpper(args, "FIM")) {
    closeSearch();
    return true;
  }
  std::string answer;
  if (!searchAnswer(args, directories, answer)) return false;
  variable(slot) = std::string(trimView(answer));
  return true;
}
