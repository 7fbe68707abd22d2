// The speech front end: every text written is also spoken; single
// characters, recorded messages, the click and the beep.  Every request is
// also appended to the speech log (OUVINO_SPEECH_LOG).  Must not touch the
// interpreter.
#pragma once

#include <cstdint>
#include <string>

void sayText(const std::string& text);
void sayLine(const std::string& text);
void sayNumber(int32_t n);
void speakText(const std::string& text);
void spellText(const std::string& text);
void speakChar(uint8_t c);
bool isSpeaking();
// Waits (keeping the window alive) until speech and sound end or a key stops them.
void waitWhileSpeaking();
void waitSpeechEnd();
void stopSpeech();
bool messageExists(const std::string& name);
void playMessage(const std::string& name);
void clickSound();
void beepSound();
uint8_t readKeySpoken();
void speakTime(int hour, int minute);
std::string upperAnsi(const std::string& text);
uint8_t upperAnsiChar(uint8_t c);

// speed 0 takes the configured speed; soundsFolder gets a trailing "\".
void initSpeech(int speed, const std::string& soundsFolder);
std::string soundsFolder();
std::string lettersFolder();

// The speech log: one line per request, UTF-8.  Open from the environment
// at start; other modules that make sounds (tones, beeps of the PC speaker)
// log through speechLog.
void speechLog(const std::string& kind, const std::string& ansiText);
// Sends the log to this host file from now on ("" stops logging).
void speechLogOpen(const std::string& hostFile);
