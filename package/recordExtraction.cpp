#include "package/recordExtraction.h"

#include "common/logFile.h"
#include "common/reportError.h"
#include "common/texts.h"
#include "package/fileNameRules.h"
#include "package/pk_stuff.h"
#include "system/KTV_FileUtils.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int flashInstallerRecord = 2;
constexpr int introRecord = 3;
constexpr int licenseRecord = 4;
constexpr int readMeRecord = 5;
constexpr int saverEngineRecord = 6;
constexpr int lastRecord = 10;
// Stored records are copied stream to stream in pieces of this size.
constexpr std::size_t copyChunkSize = 64 * 1024;
// The old engine may still be loaded by a screen saver that is just ending.
constexpr int saverDeleteTries = 1000;

// The system's code for the call that just failed; never 0, so a failure cannot pass as success.
ResultCode lastErrorCode() {
  DWORD error = GetLastError();
  return error != 0 ? static_cast<ResultCode>(error) : static_cast<ResultCode>(ERROR_GEN_FAILURE);
}

std::string directoryOf(RecordTarget target) {
  switch (target) {
    case RecordTarget::systemDir: return installPaths.systemDir;
    case RecordTarget::workDir: return installPaths.workDir;
    case RecordTarget::saverDir: return installPaths.saverDir;
    case RecordTarget::none: break;
  }
  return std::string();
}

// How one record's extraction ended. I/O failures and refused records are reported even for a
// quiet call.
struct Outcome {
  ResultCode code = 0;
  bool reportAlways = false;
};

Outcome ioOutcome(ResultCode code) { return {code, code != 0}; }

// Reads the packed bytes (stream stands at firstByte) and expands them into destination. The
// buffer never exceeds what the package copy still holds, so a damaged length cannot ask for
// gigabytes.
Outcome expandRecord(FileStream& stream, const PackageRecord& record, const std::string& destination) {
  const std::int64_t length = record.length();
  TCompressor compressor(installPaths.workDir);
  if (!compressor.loaded) return {rcNoExpander};
  if (record.firstByte + length > stream.size()) return {rcShortRead};
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    return {rcNoMemory};
  }
  std::size_t got = 0;
  ResultCode result = stream.read(buffer.data(), buffer.size(), got);
  if (result != 0) return ioOutcome(result);
  if (got < buffer.size()) return {rcShortRead};
  // The library's own verdict is not used: the size of the written file decides.
  compressor.expandToFile(destination, buffer.data(), buffer.size());
  return {};
}

Outcome checkExpandedFile(const PackageRecord& record, const std::string& destination) {
  std::int64_t size = directoryEntrySize(destination);
  if (size < 0) return {rcNotCreated};
  return {size == record.size ? 0 : rcSizeMismatch};
}

// Copies the record's bytes as they are; the bytes that exist are kept even when the package
// copy ends early (-30).
Outcome copyStoredRecord(FileStream& stream, const PackageRecord& record, const std::string& destination) {
  const std::int64_t length = record.length();
  FileStream output(destination, FileStream::Mode::create);
  logMessage("file created: " + destination);
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(length, copyChunkSize)));
  std::int64_t copied = 0;
  while (copied < length) {
    std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(length - copied, chunk.size()));
    std::size_t got = 0;
    ResultCode result = stream.read(chunk.data(), want, got);
    if (result == 0) result = output.write(chunk.data(), got);
    if (result != 0) return ioOutcome(result);
    copied += got;
    if (got < want) break;
  }
  logMessage("sizeExtracted: " + std::to_string(copied));
  ResultCode closed = output.close();
  if (closed != 0) return ioOutcome(closed);
  return {copied < length ? rcShortRead : 0};
}

// Steps after the old destination is gone: write the record's bytes and check them.
Outcome writeRecord(FileStream& stream, const PackageRecord& record, const std::string& destination) {
  if (record.length() <= 0) return {rcNoMemory};
  if (!record.compressed()) return copyStoredRecord(stream, record, destination);
  Outcome outcome = expandRecord(stream, record, destination);  // the library is released here
  return outcome.code != 0 ? outcome : checkExpandedFile(record, destination);
}

// Destination of a record whose name is set, or a refusal: a kind without a destination, or a
// name that would leave the destination directory. Refusals are always reported.
Outcome recordTarget(const PackageRecord& record, std::string& destination, std::string& fileName) {
  RecordDestination target = recordDestination(record.kind, record.fileName());
  fileName = target.fileName;
  if (target.directory == RecordTarget::none) {
    destination = fileName;
    return {rcNoDestination, true};
  }
  destination = directoryOf(target.directory) + fileName;
  if (!isPlainFileName(fileName)) return {rcUnsafeFileName, true};
  return {};
}

// A start-up loader: the record's name is tested first, and an empty one is not reported.
ResultCode loadRecord(int index, InstallerUi& ui) {
  if (packageDirectory.records[index].fileName().empty()) return rcNoRecordName;
  FileStream stream(installPaths.packageCopy, FileStream::Mode::read);
  ResultCode result = extractRecord(stream, index, false, ui);
  ResultCode closed = stream.close();
  if (result == 0 && closed != 0) {
    reportError(closed, installPaths.workDir);
    result = closed;
  }
  return result;
}

// The license or read-me file from workDir into saverDir; only a refused name is reported.
ResultCode copyIntoSaverDir(int index) {
  const std::string name = packageDirectory.records[index].fileName();
  const std::string source = installPaths.workDir + name;
  if (!name.empty() && !isPlainFileName(name)) {
    reportError(rcUnsafeFileName, source);
    return rcUnsafeFileName;
  }
  if (!fileExists(source)) return rcNotCreated;
  if (!copyFileOver(source, installPaths.saverDir + name)) return lastErrorCode();
  return 0;
}

}  // namespace

ResultCode extractRecord(FileStream& stream, int index, bool withProgress, InstallerUi& ui) {
  if (withProgress) ui.showStatus(loadText(IDS_WRITING_SAVER_FILES));
  const PackageRecord record = packageDirectory.records[index];
  std::string destination;
  std::string fileName;
  bool quiet = false;
  Outcome outcome;
  if (record.fileName().empty()) {
    outcome.code = rcNoRecordName;
  } else {
    outcome = recordTarget(record, destination, fileName);
    if (outcome.code == 0) {
      // A negative offset cannot be in the package copy: nothing of the record can be read.
      outcome = record.firstByte < 0 ? Outcome{rcShortRead, true}
                                     : ioOutcome(stream.seek(static_cast<std::uint32_t>(record.firstByte)));
    }
    if (outcome.code == 0) {
      if (withProgress) ui.stepProgress();
      // A busy companion library is left for the saver to use as it is; every other file gets the
      // patience a just-ending screen saver needs, and its caller tells the user.
      if (fileExtension(fileName) == ".dll") {
        outcome.code = deleteFile(destination);
      } else {
        quiet = true;
        outcome.code = deleteFileWithRetries(destination, saverDeleteTries);
      }
    }
    if (outcome.code == 0) outcome = writeRecord(stream, record, destination);
  }
  // The old file stays in place and the record counts as done.
  if (outcome.code == rcFileBusy) outcome.code = 0;
  if (outcome.code != 0 && (outcome.reportAlways || (!quiet && outcome.code != rcSaverBusy))) {
    reportError(outcome.code, destination);
  }
  if (outcome.code == rcSizeMismatch) deleteFile(destination);
  return outcome.code;
}

ResultCode loadFlashInstaller(InstallerUi& ui) { return loadRecord(flashInstallerRecord, ui); }

ResultCode loadIntroMedia(InstallerUi& ui) {
  PackageRecord& record = packageDirectory.records[introRecord];
  if (record.fileName().empty()) return rcNoRecordName;
  // Everything that later opens the intro picture uses the new name.
  if (packageDirectory.header.presentation == presentationBitmap) {
    record.setFileName(replaceExtension(record.fileName(), ".BMP"));
  } else if (packageDirectory.header.presentation == presentationJpeg) {
    record.setFileName(replaceExtension(record.fileName(), ".jpg"));
  }
  return loadRecord(introRecord, ui);
}

ResultCode loadLicense(InstallerUi& ui) { return loadRecord(licenseRecord, ui); }

ResultCode loadReadMe(InstallerUi& ui) { return loadRecord(readMeRecord, ui); }

ResultCode extractSaverFiles(const std::string& packagePath, const InstallerState& state, InstallerUi& ui) {
  FileStream stream(packagePath, FileStream::Mode::read);
  ResultCode result = 0;
  // Cancel takes effect between records; a record in progress is finished first.
  for (int index = state.useReadMe ? readMeRecord : saverEngineRecord;
       index <= lastRecord && result == 0 && !cancelRequested; ++index) {
    result = extractRecord(stream, index, true, ui);
  }
  ResultCode closed = stream.close();
  if (result == 0 && closed != 0) {
    reportError(closed, packagePath);
    result = closed;
  }
  return result;
}

ResultCode copyLicenseAndReadMe(const InstallerState& state) {
  ResultCode result = 0;
  if (state.useLicense) result = copyIntoSaverDir(licenseRecord);
  if (state.useReadMe) {
    ResultCode readMe = copyIntoSaverDir(readMeRecord);
    if (readMe != 0) result = readMe;
  }
  return result;
}
