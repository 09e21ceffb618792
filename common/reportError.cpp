#include "common/reportError.h"

#include "common/errorMessages.h"
#include "toolkit/messageDialog.h"

#include <windows.h>

std::string systemMessageText(ResultCode code) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  return cleanSystemMessage(text);
}

void reportError(ResultCode code, const std::string& detail) {
  std::string systemText = code == rcPackageCopyFailed ? systemMessageText(code) : std::string();
  showErrorMessage(errorReportText(code, detail, systemText));
}
