// The error reporter and the system's message texts (Windows only). The texts themselves are
// composed by errorMessages.h.
#pragma once
#include "common/constants_shared.h"
#include <string>

// Shows the modal error dialog (caption "Error", error icon, one "&Abort" button) for code and
// detail, and returns when the user closes it.
void reportError(ResultCode code, const std::string& detail);

// FormatMessageA's text for code from the system message table, cleaned (cleanSystemMessage);
// empty when the system has no text for it.
std::string systemMessageText(ResultCode code);
