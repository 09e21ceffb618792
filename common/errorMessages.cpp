#include "common/errorMessages.h"

#include "common/texts.h"

std::string errorReportText(ResultCode code, const std::string& detail, const std::string& systemText) {
  const std::string head = loadText(IDS_INSTALLATION_ERROR);
  switch (code) {
    case 5:
      return head + detail + "\r\n\r\n" + loadText(IDS_INSUFFICIENT_PRIVILEGES);
    case rcPackageCopyFailed:
      return head + detail + systemText + "\r\n\r\n" + loadText(IDS_RETRY_INSTALLATION) +
             loadText(IDS_LOGIN_AS_ADMINISTRATOR);
    case rcSaverBusy:
      return head + loadText(IDS_SAVER_CANNOT_BE_REPLACED);
    default:
      return head + detail + "\r\n\r\n" + loadText(IDS_PROBLEM_WITH_FILE) + detail + ". ";
  }
}

std::string cleanSystemMessage(const std::string& raw) {
  std::string text = raw;
  while (!text.empty()) {
    unsigned char last = static_cast<unsigned char>(text.back());
    if (last > ' ' && last != '.') break;
    text.pop_back();
  }
  return text;
}

std::string startupFailureText(ResultCode code) {
  return loadText(IDS_INSTALLER_CORRUPTED) + loadText(IDS_MORVANE_ERROR) + std::to_string(code) + ". ";
}

std::string applicationErrorText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}
