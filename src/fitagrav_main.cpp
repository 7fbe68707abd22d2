// fitagrav: the scheduled stream recorder, a Rotela interpreter carrying one
// script.
#include "interpreter/entry.h"

int main(int argc, char** argv) {
  startRuntime(argc, argv);
  initInterpreter("fitagrav");
  storeScript(recorderScript());
  return finishRuntime(reportOutcome());
}
