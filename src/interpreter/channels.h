// The ten channels "#0" to "#9" that scripts read and write: each a file or
// a network connection.
#pragma once

constexpr int kChannelCount = 10;

struct FileChannel {
  bool open = false;
};

extern FileChannel fileChannels[kChannelCount];

void resetChannels();
