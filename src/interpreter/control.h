// Conditions and the commands that choose the next line: blocks and loops
// are found at run time by scanning the stored lines.
#pragma once

#include <string>
#include <string_view>

struct Condition {
  bool readable;
  bool value;
};

Condition evalCondition(std::string_view& text);
void skipFalseBlock();
void skipToEnd(std::string_view upperWord);
