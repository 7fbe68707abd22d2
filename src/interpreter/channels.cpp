// The channel table and the line operations on file channels.  Owns the ten
// FileChannel records and the files they hold; socket channels are opened
// and read by the network module, which owns their connections and readers.
//
// Text lines are written with CR LF.  Reading takes CR LF, LF or a lone CR
// as the end of a line (files from every family of systems read the same,
// and no byte but the line end is dropped); a last line without a line end
// is still a line, and the end of file is reached when no byte is left.
// Every write goes out to the file at once, so the status a script checks
// after ESCREVE is the real outcome and other programs see the text.
//
// Status codes are the I/O results scripts know from the Windows runtime:
//   0   success                1   end of file (reads)
//   2   file not found         ENOENT
//   3   path not found         ENOTDIR, ENAMETOOLONG, ELOOP
//   4   too many open files    EMFILE, ENFILE
//   5   access denied          EACCES, EPERM, EROFS, EISDIR, ETXTBSY, EBUSY
//   100 disk read error        any other failure of a read
//   101 disk write error       any other failure of a write (ENOSPC, EIO...)
//   103 file not open          104 not open for input   105 not open for output
#include "interpreter/channels.h"

#include <cerrno>
#include <unistd.h>

#include "interpreter/files.h"
#include "platform/paths.h"

FileChannel fileChannels[kChannelCount];

namespace {

int ioResultOf(int error, int otherwise) {
  switch (error) {
    case ENOENT: return kIoFileNotFound;
    case ENOTDIR: case ENAMETOOLONG: case ELOOP: return kIoPathNotFound;
    case EMFILE: case ENFILE: return kIoTooManyFiles;
    case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY: case EBUSY:
      return kIoAccessDenied;
    default: return otherwise;
  }
}

bool isChannel(int channel) { return channel >= 0 && channel < kChannelCount; }

std::FILE* openForReading(const std::string& name) {
  int fd = openSourceFile(name);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "rb");
  if (!file) close(fd);
  return file;
}

std::FILE* openForAppending(const std::string& name) {
  return std::fopen(hostPath(name).c_str(), "abe");  // e: not inherited by programs run
}

bool putAll(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// The socket's own reader and connection are the network module's; here the
// connection is only let go.
void closeSocket(FileChannel& c) {
  if (c.socketHandle >= 0) close(c.socketHandle);
  c.socketHandle = -1;
  c.lineReader = nullptr;
}

// After a CR, a LF that follows belongs to the same line end.
void skipLineFeed(std::FILE* file) {
  int next = std::getc(file);
  if (next != '\n' && next != EOF) std::ungetc(next, file);
}

}  // namespace

void resetChannels() { closeAllChannels(); }

bool openFileChannel(int channel, const std::string& name, bool append) {
  if (!isChannel(channel)) return false;
  closeChannel(channel);
  std::FILE* file = append ? openForAppending(name) : openForReading(name);
  if (!file) return false;
  FileChannel& c = fileChannels[channel];
  c.textFile = file;
  c.forWriting = append;
  c.isSocket = false;
  c.isOpen = true;
  return true;
}

bool closeChannel(int channel) {
  if (!isChannel(channel)) return false;
  FileChannel& c = fileChannels[channel];
  bool ok = true;
  if (c.isOpen && c.isSocket) closeSocket(c);
  if (c.isOpen && !c.isSocket && c.textFile) ok = std::fclose(c.textFile) == 0;
  c.textFile = nullptr;
  c.isOpen = false;
  c.isSocket = false;
  return ok;
}

void closeAllChannels() {
  for (int channel = 0; channel < kChannelCount; channel++) closeChannel(channel);
}

int channelWrite(int channel, const std::string& text, bool lineEnd) {
  if (!isChannel(channel) || !fileChannels[channel].isOpen) return kIoNotOpen;
  FileChannel& c = fileChannels[channel];
  if (c.isSocket) return 1;
  if (!c.forWriting) return kIoNotForOutput;
  errno = 0;
  bool ok = putAll(c.textFile, text) && (!lineEnd || putAll(c.textFile, "\r\n"));
  ok = std::fflush(c.textFile) == 0 && ok;
  if (ok) return 0;
  std::clearerr(c.textFile);
  return ioResultOf(errno, kIoWriteError);
}

// A failed read leaves no error behind on the file, so the next LE tries
// again.
static int readFailure(std::FILE* file) {
  std::clearerr(file);
  return ioResultOf(errno, kIoReadError);
}

int channelReadLine(int channel, std::string& line) {
  line.clear();
  if (!isChannel(channel) || !fileChannels[channel].isOpen) return kIoNotOpen;
  FileChannel& c = fileChannels[channel];
  if (c.isSocket) return 1;
  if (c.forWriting) return kIoNotForInput;
  std::FILE* file = c.textFile;
  errno = 0;
  int ch = std::getc(file);
  if (ch == EOF) return std::ferror(file) ? readFailure(file) : kIoEndOfFile;
  for (; ch != EOF && ch != '\n' && ch != '\r'; ch = std::getc(file)) line += static_cast<char>(ch);
  if (ch == '\r') skipLineFeed(file);
  return std::ferror(file) ? readFailure(file) : 0;
}
