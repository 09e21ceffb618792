#include "package/saverDataFile.h"

#include "common/applicationFailure.h"
#include "common/fileStream.h"
#include "common/reportError.h"
#include "common/texts.h"
#include "package/fileNameRules.h"
#include "package/pk_stuff.h"
#include "system/KTV_FileUtils.h"
#include "toolkit/messageDialog.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

std::array<SaverEntry, saverEntrySlots> saverEntries;
std::uint8_t saverDataFileOpen = 0;

namespace {

// The open data file (one at a time) and the number of entries its table holds.
std::unique_ptr<FileStream> dataFile;
int tableEntryCount = 0;

constexpr std::size_t copyChunkSize = 64 * 1024;

void showReadFailure(ResultCode code) {
  showErrorMessage(loadText(IDS_MORVANE_ERROR) + loadText(IDS_DATA_FILE_READ_FAILED) + systemMessageText(code));
}

// Opens path as a stream; a file that cannot be opened or created gives the system's code.
ResultCode openStream(const std::string& path, FileStream::Mode mode, std::unique_ptr<FileStream>& stream) {
  try {
    stream = std::make_unique<FileStream>(path, mode);
  } catch (const ApplicationFailure& failure) {
    return failure.code();
  }
  return 0;
}

// An entry's target must stay under directory; a refused name is reported with its path.
ResultCode checkEntryName(const std::string& directory, const std::string& name) {
  if (isPathInsideDirectory(name)) return 0;
  reportError(rcUnsafeFileName, directory + name);
  return rcUnsafeFileName;
}

ResultCode readEntryTable(std::int32_t count) {
  std::uint8_t bytes[saverEntrySize];
  for (int index = 1; index <= count; ++index) {
    ResultCode result = dataFile->readExact(bytes, sizeof bytes);
    if (result != 0) return result;
    saverEntries[index] = parseSaverEntry(bytes);
    tableEntryCount = index;
  }
  return 0;
}

// The packed data (the file stands right behind the header) expanded into target. A packed size
// beyond the data file's own size cannot be real and gets no buffer.
ResultCode expandEntry(const EntryHeader& header, const std::string& target, bool& created) {
  if (header.packedSize <= 0 || header.packedSize > dataFile->size()) return rcNoMemory;
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(header.packedSize));
  } catch (const std::bad_alloc&) {
    return rcNoMemory;
  }
  ResultCode result = dataFile->readExact(buffer.data(), buffer.size());
  if (result != 0) return result;
  {
    TCompressor compressor(installPaths.workDir);
    if (!compressor.loaded) return rcNoExpander;
    // The library's own verdict is not used: the size of the written file decides.
    compressor.expandToFile(target, buffer.data(), buffer.size());
  }
  std::int64_t size = directoryEntrySize(target);
  if (size < 0) return rcNotCreated;
  created = true;
  return size == header.size ? 0 : rcSizeMismatch;
}

// The stored data copied piece by piece into target; the data file ending early gives 100.
ResultCode copyStoredEntry(const EntryHeader& header, const std::string& target, bool& created) {
  if (header.size < 0) return rcNoMemory;
  // A target that cannot be created (a directory of that name, say) is a code like any other.
  std::unique_ptr<FileStream> output;
  ResultCode opened = openStream(target, FileStream::Mode::create, output);
  if (opened != 0) return opened;
  created = true;
  std::vector<std::uint8_t> chunk(std::min<std::size_t>(static_cast<std::size_t>(header.size), copyChunkSize));
  std::size_t left = static_cast<std::size_t>(header.size);
  while (left > 0) {
    std::size_t want = std::min(left, chunk.size());
    ResultCode result = dataFile->readExact(chunk.data(), want);
    if (result == 0) result = output->write(chunk.data(), want);
    if (result != 0) return result;
    left -= want;
  }
  return output->close();
}

}  // namespace

ResultCode readSettingsBlock(InstallerState& state) {
  const std::string& path = installPaths.saverDataPath;
  std::unique_ptr<FileStream> stream;
  ResultCode result = openStream(path, FileStream::Mode::readWrite, stream);
  if (result == 0) result = stream->readExact(state.settings.bytes.data(), settingsBlockSize);
  if (result == 0) result = stream->close();
  if (result != 0) reportError(result, path);
  return result;
}

ResultCode openSaverDataFile(InstallerState& state, const std::string& path, bool showErrors) {
  if (saverDataFileOpen) {
    showInformationMessage(loadText(IDS_MORVANE_ERROR) + loadText(IDS_DATA_FILE_IN_USE));
    return 0;
  }
  ResultCode result = openStream(path, FileStream::Mode::readWrite, dataFile);
  if (result == 0) {
    result = dataFile->readExact(state.settings.bytes.data(), settingsBlockSize);
    if (result != 0) dataFile.reset();
  }
  if (result == 0) {
    saverDataFileOpen = 1;
    saverEntries.fill(SaverEntry());
    tableEntryCount = 0;
    // A count the table cannot hold is refused before anything is read into it.
    const std::int32_t count = state.settings.entryCount();
    result = count < 0 || count > maxEntryCount ? rcBadEntryCount : readEntryTable(count);
  }
  if (result != 0 && showErrors) {
    showErrorMessage(loadText(IDS_DATA_FILE_OPEN_FAILED) + path + "\r\n\r\n" + std::to_string(result));
  }
  return result;
}

ResultCode installSaverEntries(InstallerState& state, InstallerUi& ui) {
  ui.showStatus(loadText(IDS_EXPANDING_FILES));
  const std::string& saverDir = installPaths.saverDir;
  ResultCode result = openSaverDataFile(state, installPaths.saverDataPath, true);
  std::string firstName;
  if (result == 0) {
    // The saver plays the installer's own intro movie, so entry 1 is a copy of it.
    if (state.settings.saverKind() == saverKindMovie) saverEntries[1].kind = entryKindMovieCopy;
    firstName = saverEntries[1].fileName();
  }
  for (int index = 1; result == 0 && index <= tableEntryCount; ++index) {
    const SaverEntry& entry = saverEntries[index];
    const std::string name = entry.fileName();
    if (name.empty()) continue;
    if (entry.kind != entryKindMovieCopy) {
      result = installSaverEntry(saverDir, index);
      continue;
    }
    result = checkEntryName(saverDir, name);
    if (result != 0) break;
    const std::string source = index == 1 ? installPaths.workDir + "installer.swf" : saverDir + firstName;
    const std::string target = saverDir + name;
    // A copy of a file onto itself fails harmlessly: the movie is already in place.
    if (!copyFileOver(source, target) && source != target) {
      result = rcEntryCopyFailed;
      reportError(result, source);
    }
  }
  if (result == 0) {
    result = closeSaverDataFile();
    ui.stepProgress();
  }
  if (firstName.empty() || isPathInsideDirectory(firstName)) {
    const std::string first = saverDir + firstName;
    DWORD attributes = GetFileAttributesA(first.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(first.c_str(), attributes | FILE_ATTRIBUTE_ARCHIVE);
  }
  return result;
}

ResultCode installSaverEntry(const std::string& directory, int index) {
  if (index < 1 || index > tableEntryCount) return rcNoEntry;
  if (!saverDataFileOpen) return rcDataFileClosed;
  const SaverEntry& entry = saverEntries[index];
  ResultCode result = checkEntryName(directory, entry.fileName());
  if (result != 0) return result;
  const std::string target = directory + entry.fileName();
  std::uint8_t bytes[entryHeaderSize];
  // A negative offset fails the seek with the system's code.
  result = dataFile->seek(static_cast<std::uint32_t>(entry.dataOffset));
  if (result == 0) result = dataFile->readExact(bytes, sizeof bytes);
  if (result != 0) {
    showReadFailure(result);
    return result;
  }
  const EntryHeader header = parseEntryHeader(bytes);
  if (header.size == 0) return 0;
  createDirectoryPath(directoryPart(target));
  bool created = false;
  result = header.compressed != 0 ? expandEntry(header, target, created) : copyStoredEntry(header, target, created);
  if (result > 0) showReadFailure(result);
  // Nothing half-written stays behind; the install sequence shows the code.
  if (result != 0 && created) deleteFile(target);
  return result;
}

ResultCode closeSaverDataFile() {
  if (!saverDataFileOpen) return 0;
  ResultCode result = dataFile->close();
  const std::string path = dataFile->path();
  dataFile.reset();
  saverDataFileOpen = 0;
  if (result != 0) {
    showErrorMessage(loadText(IDS_DATA_FILE_CLOSE_FAILED) + path + "\r\n" + systemMessageText(result));
  }
  return result;
}

ResultCode writeSaverSettings(const InstallerState& state, InstallerUi& ui) {
  ui.showStatus(loadText(IDS_WRITING_SAVER_DATA));
  const std::string target = installPaths.saverDir + "saver.dat";
  std::unique_ptr<FileStream> stream;
  ResultCode result = openStream(target, FileStream::Mode::create, stream);
  if (result == 0) result = stream->write(state.settings.bytes.data(), settingsBlockSize);
  if (result == 0) result = stream->close();
  if (result != 0) reportError(result, target);
  return result;
}
