#include "package/packageFile.h"

#include "common/fileStream.h"
#include "common/reportError.h"
#include "package/recordExtraction.h"
#include "system/KTV_FileUtils.h"

#include <windows.h>

namespace {
constexpr int staleCopyDeleteTries = 100;
}  // namespace

ResultCode copyPackage() {
  const std::string& copy = installPaths.packageCopy;
  ResultCode result = deleteFileWithRetries(copy, staleCopyDeleteTries);
  if (result == 0 && !copyFileOver(installPaths.installerPath, copy)) {
    DWORD error = GetLastError();
    result = error != 0 ? static_cast<ResultCode>(error) : static_cast<ResultCode>(ERROR_GEN_FAILURE);
  }
  // The user is pointed at the account's privileges; the caller needs the real cause.
  if (result != 0) reportError(rcPackageCopyFailed, copy);
  return result;
}

ResultCode readPackageDirectory(InstallerUi& ui) {
  const std::string& copy = installPaths.packageCopy;
  FileStream stream(copy, FileStream::Mode::read);
  std::uint8_t bytes[packageDirectorySize];
  std::size_t got = 0;
  ResultCode result = stream.seek(payloadOffset);
  if (result == 0) result = stream.read(bytes, sizeof bytes, got);
  if (result == 0 && got < sizeof bytes) result = rcShortDirectory;
  if (result != 0) {
    reportError(result, copy);
    return result;
  }
  packageDirectory = parsePackageDirectory(bytes);
  return extractRecord(stream, 1, false, ui);
}
