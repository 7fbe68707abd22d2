// The ten channels "#0" to "#9" that scripts read and write: each a file or
// a network connection.  ESCREVE and LE reach them through the line
// operations below; the network commands open their socket channels in the
// same table.
#pragma once

#include <cstdio>
#include <string>

constexpr int kChannelCount = 10;

struct FileChannel {
  bool isOpen = false;
  bool isSocket = false;
  int socketHandle = -1;        // socket channels: the connection
  void* lineReader = nullptr;   // socket channels: the line-buffered receiver
  std::FILE* textFile = nullptr;  // file channels: the open file
  bool forWriting = false;      // file channels: opened for appending
};

extern FileChannel fileChannels[kChannelCount];

// Closes whatever the channels hold (written text is kept) and marks them free.
void resetChannels();
// Writes text (and CR LF when lineEnd) to an open channel; returns the status
// code: 0 when written, otherwise the I/O result (1 for a socket that failed).
int channelWrite(int channel, const std::string& text, bool lineEnd);
// Reads one line (without its line end) from an open channel; returns the
// status code: 0 when a line came, 1 at end of file (line empty), otherwise
// the I/O result.
int channelReadLine(int channel, std::string& line);
// Closes every open channel, writing out what is buffered (end of program).
void closeAllChannels();

// Binds a channel to a file, closing what it held first.  Append mode writes
// at the end of the file and creates it when missing; otherwise the file is
// read from its start.  False when the file cannot be opened (the channel is
// then free).
bool openFileChannel(int channel, const std::string& name, bool append);
// Frees the channel; false when closing reported an I/O error.  A channel
// that is not open closes without error.
bool closeChannel(int channel);

// I/O result codes of channel operations, as CHECA reports them.
constexpr int kIoEndOfFile = 1;
constexpr int kIoFileNotFound = 2;
constexpr int kIoPathNotFound = 3;
constexpr int kIoTooManyFiles = 4;
constexpr int kIoAccessDenied = 5;
constexpr int kIoReadError = 100;
constexpr int kIoWriteError = 101;
constexpr int kIoNotOpen = 103;
constexpr int kIoNotForInput = 104;
constexpr int kIoNotForOutput = 105;
