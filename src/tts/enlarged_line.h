// The enlarged line for low-vision users: the line being edited or read,
// drawn factor times the cell size on one console row, with the character
// before the cursor highlighted.
#pragma once

#include <string>

void enlargedLineSetup(int row, int factor);  // factor 0: off
void enlargedLineColours(int text, int background, int highlight);
void enlargedLineDraw(const std::string& line, int position);
void enlargedLineRefresh();
bool enlargedLineOn();
