// Child controls of the installer's windows as plain Win32 controls: panel, label, push button,
// progress bar and a read-only multi-line text box. The window handles belong to their parent.
// Panels pass their children's notifications on to the top-level window.
#pragma once
#include <windows.h>

#include <string>

HFONT dialogFont();  // "MS Sans Serif", 8 points (11 pixels), ANSI character set

HWND createPanel(HWND parent, int left, int top, int width, int height, bool loweredBevel);
HWND createLabel(HWND parent, int left, int top, int width, int height, const std::string& text, bool centred);
HWND createButton(HWND parent, int left, int top, int width, int height, const std::string& caption);
HWND createProgressBar(HWND parent, int left, int top, int width, int height);
HWND createTextBox(HWND parent, int left, int top, int width, int height);  // read-only, vertical scroll bar

// Loads a text file into a text box; false when the file cannot be read.
bool loadTextFile(HWND textBox, const std::string& path);

void moveControl(HWND control, int left, int top, int width, int height);
RECT boundsInParent(HWND control);
void setText(HWND control, const std::string& text);
std::string text(HWND control);
void setVisible(HWND control, bool visible);
void setEnabled(HWND control, bool enabled);
