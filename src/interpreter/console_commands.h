// The commands through which a script talks to the user: writing and
// speaking, lines and keys, sounds, the console window, pauses and CMD.
#pragma once

#include <string>
#include <string_view>

bool cmdEscreve(std::string_view args);
bool cmdLe(std::string_view args);
bool cmdFala(std::string_view args);
bool cmdSoletra(std::string_view args);
bool cmdFalahora(std::string_view args);
bool cmdBipa(std::string_view args);
bool cmdAlarme(std::string_view args);
bool cmdTela(std::string_view args);
bool cmdCor(std::string_view args);
bool cmdFundo(std::string_view args);
bool cmdTitulo(std::string_view args);
bool cmdEspera(std::string_view args);
bool cmdCmd(std::string_view args);

// The key notation of one-key reads: the character, "#" + code, or
// "#0#" + scan code, with the Shift/Ctrl/Alt flags "100" in front when asked.
std::string keyNotation(uint8_t code, uint8_t scan, bool withFlags);
