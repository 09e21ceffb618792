// Composition of every failure text from the string table, a detail (usually a path) and the
// system's message text. Pure functions: the dialogs that show them live in reportError.h.
#pragma once
#include "common/constants_shared.h"
#include <string>

// reportError's text for code and detail. systemText is the system's message for the code, used
// only by the -523 form (the caller looks it up; it is empty when the system has none).
std::string errorReportText(ResultCode code, const std::string& detail, const std::string& systemText);

// The system's raw message text with trailing blanks, control characters and periods removed.
std::string cleanSystemMessage(const std::string& raw);

// "Installer file is corrupted. Morvane Error: <code>. "
std::string startupFailureText(ResultCode code);

// The top-level handler's text for a failure without a result code: "." is appended when the last
// character comes after "." in character-code order.
std::string applicationErrorText(const std::string& message);
