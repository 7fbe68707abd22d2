// The channel table.  Owns the ten FileChannel records.
#include "interpreter/channels.h"

FileChannel fileChannels[kChannelCount];

void resetChannels() {
  for (FileChannel& c : fileChannels) c.open = false;
}
