// Variables and the argument readers every command uses, the integer
// expression evaluator, SEJA with its value functions, and RANDOMIZA.
// Readers take the argument text by reference, read one item from its
// front and leave the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int kLetterVariables = 26;
constexpr int kNamedVariables = 101;
constexpr int kVariableSlots = kLetterVariables + kNamedVariables;

void resetVariables();
std::string& variable(int slot);
int namedVariableCount();

bool readValue(std::string_view& text, std::string& value);
bool readVariable(std::string_view& text, int& slot);
bool readVarName(std::string_view& text, int& slot);
bool readChannel(std::string_view& text, int& channel);
bool readBracketed(std::string_view& text, std::string& name);
bool evalExpression(std::string_view& text, int32_t& value);

// Key notation of the key readers ("#65", "100#65", "#0#59") to a character.
std::string charFromCode(std::string_view notation);

bool cmdSeja(std::string_view args);
bool cmdRandomiza(std::string_view args);
