// Other programs: Windows command lines split into arguments, programs found
// the way Windows finds them, children started without a shell (hidden, or
// with their standard handles on pipes), documents and addresses handed to
// the desktop's opener, every child reaped, and the running processes read
// from /proc.
// Owns the list of children it started and the retired pipe ends it still
// drains; must not touch the console, speech or the interpreter.
//
// Names and arguments are ANSI texts; host paths are UTF-8.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// An argument text split as Windows programs split their command line:
// blanks and tabs separate; "..." groups; 2n backslashes before a quote give
// n backslashes and the quote groups, 2n+1 give n and a literal quote; other
// backslashes are literal; "" inside a group is a literal quote.
std::vector<std::string> splitArguments(const std::string& text);
// A whole command line: the program name first, by its own rule (quotes
// group, backslashes are literal), then the arguments as above.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Host path of the program a name stands for, "" when there is none.  A name
// with a folder goes through the path layer; a bare name is looked for in
// the program's own folder, then along PATH.  ".exe" is optional and letter
// case does not matter.
std::string findProgram(const std::string& name);
// Arguments as the started program receives them: a Windows path (it holds
// "\" and its folder exists) becomes its host path, anything else passes
// unchanged (converted to UTF-8).
std::string hostArgument(const std::string& argument);
std::vector<std::string> hostArguments(const std::vector<std::string>& arguments);

// The parent's ends of a captured child's standard handles: input is the
// write end (close-on-exec), output and error the read ends (close-on-exec,
// non-blocking).  -1 where there is none.
struct ChildPipes {
    int input = -1;
    int output = -1;
    int error = -1;
    pid_t pid = -1;
};

// Starts hostProgram with the host arguments (argv[0] is hostProgram) in its own
// session, so no terminal reaches it, in hostFolder ("." for ours).  With
// pipes null its standard handles are /dev/null; else they are three new
// pipes whose parent ends land in *pipes.  No shell is involved.
bool startProgram(const std::string& hostProgram, const std::vector<std::string>& arguments,
                  const std::string& hostFolder, ChildPipes* pipes);
// Opens a document, folder or web address with the desktop's opener
// (xdg-open), as the shell's "open" verb does.  False when the target is
// neither an address nor an existing file or folder, or there is no opener.
bool openDocument(const std::string& target);
// Gives up a captured child's pipes: the input end is closed at once (the
// child reads end-of-file), the output ends are drained by sweepChildren
// until the child closes them, so the child never blocks or dies on a write.
void retirePipes(ChildPipes& pipes);
// Reaps the children that have ended and drains retired pipes; never blocks.
// Every start, pipe read and process listing runs it.
void sweepChildren();
// Started children not yet reaped.
size_t unreapedChildCount();

// A running process (zombies are not running).  name and path are ANSI.
struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    uid_t owner = 0;
    unsigned long long startTime = 0;  // clock ticks after boot: tells a reused pid apart
    std::string name;                  // file-name part of path
    std::string path;                  // the executable, else the command's first word, else its short name
};
bool readProcess(pid_t pid, ProcessEntry& entry);
std::vector<ProcessEntry> listProcesses();
// Program names compare with a-z upper-cased and a trailing ".exe" optional
// on either side.
bool sameProgramName(const std::string& a, const std::string& b);
