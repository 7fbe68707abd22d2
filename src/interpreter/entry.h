// Program entry of the interpreter: start-up, the interpreter's message
// table, running the stored script once and reporting how it ended.
#pragma once

#include <string>
#include <vector>

void initInterpreter(const std::string& programName);
// Runs the stored script and reports the outcome; returns the exit status
// (0 normal end, 1 error end after the wait for Enter).
int reportOutcome();
void showMessage(const std::string& key, int lineBreaks);
std::string messageText(const std::string& key);  // "" for an unknown key

// The recorder's 56 lines, Windows-1252.
const std::vector<std::string>& recorderScript();

// The steps every program of the family shares: module start-up before the
// entry, and the end after the run (returns the exit status).
void startRuntime(int argc, char** argv);
int finishRuntime(int status);
// Stores the lines from 1 on; false when there are more than the store holds.
bool storeScript(const std::vector<std::string>& lines);
