// fitagrav: the scheduled stream recorder, a Rotela interpreter carrying one
// script.
#include <sys/stat.h>

#include "interpreter/entry.h"
#include "platform/paths.h"

// The script records into "records\<name>" of the current folder; without
// that folder ffmpeg would fail and the recording be lost without a word.
static void ensureRecordsFolder() {
  if (!folderExists("records")) mkdir(hostPath("records").c_str(), 0777);
}

int main(int argc, char** argv) {
  startRuntime(argc, argv);
  ensureRecordsFolder();
  initInterpreter("fitagrav");
  storeScript(recorderScript());
  return finishRuntime(reportOutcome());
}
