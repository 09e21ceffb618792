// Which names taken from a package or a saver data file may be joined to a destination directory:
// the package and the data file come from outside, and nothing they name may land outside the
// directory its kind or entry points at. Portable.
#pragma once
#include <string>

// A name Windows takes for a device whatever its extension ("NUL.txt", "con .log", "COM1"):
// opening it reaches the device, not a file.
bool isDeviceName(const std::string& component);
// A record's file name: no directory part at all (no "\", "/" or ":"), not a name made only
// of dots and blanks, which Windows would turn into "." or "..", and no device name.
bool isPlainFileName(const std::string& name);
// An entry's path relative to saverDir: subdirectories are allowed, but no drive or stream (":"),
// no root ("\" or "/" first), no component made only of dots and blanks, and no device name.
bool isPathInsideDirectory(const std::string& relativePath);
