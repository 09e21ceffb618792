// A picture control that shows a bitmap or JPEG file stretched to its client area. The picture is
// decoded by the platform's OLE picture loader; the control owns the decoded picture.
#pragma once
#include <windows.h>

#include <string>

HWND createPicture(HWND parent, int left, int top, int width, int height);
// Loads a picture file into the control; false (and an empty control) when it cannot be decoded.
bool loadPicture(HWND picture, const std::string& path);
