// The speaking line editor (early version): a line typed at the cursor with
// spoken echo, and editing of a text in place at a grid position.
#pragma once

#include <string>

// At most 255 characters; Esc gives the empty text; the console line is
// ended afterwards.
std::string readLineSpoken();
// Edits text in place at (column, row); returns the key that ended editing
// (13 Enter, 27 Esc, ...).
int editFieldAt(std::string& text, int column, int row, int maxLength);
