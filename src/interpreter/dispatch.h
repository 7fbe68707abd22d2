// The command dispatcher: the whole Rotela vocabulary in dispatch order and
// the word -> handler lookup.
#pragma once

#include <string>
#include <string_view>

using CommandHandler = bool (*)(std::string_view args);

// word arrives with its a-z letters upper-cased by the line executor.
bool dispatchCommand(const std::string& word, std::string_view args);

// The table, for tests and tools: the word at position i (0-based) or "".
std::string commandWordAt(int index);
int commandCount();
// Whether the word's command is built (a word of a later stage is in the
// table but fails its line with a clear message).
bool commandIsBuilt(const std::string& upperWord);

// Lets a harness keep some commands from running (a fuzzer must not touch
// the file system or start programs): a refused word fails its line quietly.
using CommandFilter = bool (*)(const std::string& upperWord);
void setCommandFilter(CommandFilter allowed);
