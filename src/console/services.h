// The services the interpreter and its commands use to reach the user:
// writing and speaking, keys and lines, pauses, the clock and the shared
// configuration.  This header only gathers the contract; each service lives
// in the module named beside it.  Nothing here may include a toolkit header.
#pragma once

#include <string>

#include "console/console.h"   // grid, cursor, colours, window, delayMs, clock
#include "console/keys.h"      // keyPressed, readKey, flushKeys, readConsoleLine
#include "console/lineedit.h"  // readLineSpoken, editFieldAt
#include "speech/config.h"     // readConfigValue
#include "speech/speech.h"     // sayText ... initSpeech, upperAnsi
