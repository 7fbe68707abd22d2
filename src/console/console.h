// The console: the 80 x 25 grid with its cursor and colour byte, the window
// that shows it (through the backend chosen at start-up), pauses that keep
// the window alive, the clock, and the orderly end of the program.
// Owns the grid and the backend choice; must not touch speech or the
// interpreter.
#pragma once

#include <cstdint>
#include <string>

constexpr int kGridCols = 80;
constexpr int kGridRows = 25;

// Grid (rows and columns from 1 at this interface).
void openConsole();
void writeToConsole(const char* bytes, size_t count);
void writeTextToConsole(const std::string& text);
void writeCharToConsole(uint8_t c);
void gotoXY(int column, int row);
int whereX();
int whereY();
void clearScreen();
void clearToEndOfLine();
void setTextColor(int colour);
void setTextBackground(int colour);
uint8_t textAttribute();
void setTextAttribute(uint8_t attr);
uint8_t readScreenChar(int row, int column);
uint8_t readScreenAttr(int row, int column);
std::string readScreenRow(int row);  // 80 characters of one row

// Window.
void setConsoleTitle(const std::string& title);  // first 80 characters kept
std::string consoleTitle();
void hideConsoleWindow();
void restoreConsoleWindow();
void bringConsoleToTop();
bool consoleIsForeground();

// The clipboard's text.  Copying takes the text up to its NUL; pasting
// stores at most capacity - 1 characters and a NUL, the empty text when the
// clipboard holds none, and nothing at all when capacity is 0 or the
// clipboard cannot be read.  The consoles without a window keep a clipboard
// of their own.
void copyToClipboard(const char* text);
void pasteFromClipboard(char* buffer, size_t capacity);

// The pointer and the foreground window, as the automation commands see
// them.  Consoles without a pointer (terminal, headless) answer 0; until a
// real window exists the console itself is the foreground window.
void pointerPosition(int& x, int& y);
void foregroundWindowOrigin(int& left, int& top, int& frameWidth);
std::string foregroundWindowTitle();

// The PC speaker: a tone of a frequency for a duration; returns afterwards.
void speakerBeep(int frequency, int durationMs);

// Pumping and pausing.
void pumpConsoleMessages();
void pumpAllMessages();
void waitMessage();  // blocks until something happens (a key, a wake-up, a short time)
void delayMs(unsigned milliseconds);

// Clock.
void getDate(int& year, int& month, int& day, int& weekday);  // weekday 0 = Sunday
void getTime(int& hour, int& minute, int& second, int& hundredths);

// End of the program.  terminateConsole is the user closing the window
// (closed input included); it never returns.
[[noreturn]] void terminateConsole();
// The exit status terminateConsole ends with (2 unless the program says
// otherwise: closing the console at the wait after an error end keeps 1).
void setTerminateStatus(int status);
// Runs once on every normal end: writes what the backend keeps (the headless
// screen), flushes standard output.
void consoleEndOfProgram(bool runtimeError);
