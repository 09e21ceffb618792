#include "system/KTV_FileUtils.h"

#include <windows.h>

InstallPaths installPaths;

namespace {

// The variable's value, or "" when it is unset or empty.
// The whole value, however long: a long one is not an unset one.
std::string environmentValue(const char* name) {
  std::string value(MAX_PATH + 1, '\0');
  DWORD length = GetEnvironmentVariableA(name, &value[0], static_cast<DWORD>(value.size()));
  if (length >= value.size()) {  // the size it needs, with its terminating zero
    value.resize(length);
    length = GetEnvironmentVariableA(name, &value[0], static_cast<DWORD>(value.size()));
  }
  value.resize(length < value.size() ? length : 0);
  return value;
}

bool hasScrExtension(const std::string& path) {
  std::string extension = fileExtension(path);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == ".scr";
}

// One delete attempt with the attribute reset: true when the file is gone.
bool deleteOnce(const std::string& path) {
  if (!fileExists(path)) return true;
  if (DeleteFileA(path.c_str())) return true;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path.c_str()) != 0;
}

}  // namespace

std::string withTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + '\\';
}

std::string directoryPart(const std::string& path) {
  std::string::size_type slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool fileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t directoryEntrySize(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return -1;
  FindClose(search);
  return (static_cast<std::int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

bool directoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ResultCode createNumberedTempDir(const std::string& prefix, std::string& output) {
  output.clear();
  std::string temp = environmentValue("TEMP");
  if (temp.empty()) return ERROR_ENVVAR_NOT_FOUND;
  const std::string base = withTrailingBackslash(temp) + prefix;
  DWORD lastError = 0;
  for (int n = 1; n <= 1000; ++n) {
    std::string candidate = base + std::to_string(n);
    if (directoryExists(candidate)) continue;
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      output = candidate + '\\';
      return 0;
    }
    lastError = GetLastError();
  }
  // All names taken without a failed creation leaves no system reason; the directory exists.
  return lastError != 0 ? static_cast<ResultCode>(lastError) : ERROR_ALREADY_EXISTS;
}

ResultCode computeStartupPaths() {
  std::string windows = environmentValue("WINDIR");
  installPaths.windowsDir = windows.empty() ? std::string() : withTrailingBackslash(windows);
  char system[301];
  UINT length = GetSystemDirectoryA(system, sizeof system);
  installPaths.systemDir = withTrailingBackslash(std::string(system, length < sizeof system ? length : 0));
  ResultCode result = createNumberedTempDir("QPF", installPaths.workDir);
  if (result == 0 && windows.empty()) {
    RemoveDirectoryA(installPaths.workDir.c_str());
    installPaths.workDir.clear();
    result = ERROR_ENVVAR_NOT_FOUND;
  }
  return result;
}

void computeInstallerPaths() {
  char path[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  installPaths.installerPath.assign(path, length < sizeof path ? length : 0);
  installPaths.packageCopy = installPaths.workDir + "temp.dat";
}

void computeSaverPaths(const PackageDirectory& directory) {
  installPaths.saverName = directory.header.saverName();
  installPaths.saverDir = installPaths.systemDir + installPaths.saverName + " dir\\";
  installPaths.saverDataPath = installPaths.workDir + directory.records[8].fileName();
}

ResultCode deleteFile(const std::string& path) { return deleteOnce(path) ? 0 : rcFileBusy; }

ResultCode deleteFileWithRetries(const std::string& path, int tries) {
  ResultCode result = rcFailed;
  for (; tries > 0 && result != 0; --tries) {
    result = deleteOnce(path) ? 0 : hasScrExtension(path) ? rcSaverBusy : rcFileBusy;
  }
  return result;
}

ResultCode removeDirectoryTree(const std::string& dir) {
  if (dir.empty()) return rcFailed;
  const std::string root = withTrailingBackslash(dir);
  ResultCode error = 0;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((root + "*.*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string item = root + entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // "." and ".." turn back into root itself and are skipped.
        if (item.back() == '.') {
          item.pop_back();
          if (item.back() == '.') item.pop_back();
        } else {
          item = withTrailingBackslash(item);
        }
        if (item != root) removeDirectoryTree(item);  // a subdirectory that stays does not stop us
      } else {
        error = deleteFile(item);
      }
    } while (error == 0 && FindNextFileA(search, &entry));
    FindClose(search);
  }
  if (error != 0) return error;
  if (!directoryExists(root)) return 0;
  SetFileAttributesA(root.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(root.c_str()) ? 0 : rcFailed;
}

bool copyFileOver(const std::string& source, const std::string& destination) {
  if (fileExists(source)) SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (fileExists(destination)) SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
  return CopyFileA(source.c_str(), destination.c_str(), FALSE) != 0;
}

void createDirectoryPath(const std::string& path) {
  if (path.empty() || directoryExists(path)) return;
  std::string stripped = path;
  if (stripped.back() == '\\') stripped.pop_back();
  // The parent is a strict prefix, so the climb ends at the first existing ancestor or at "".
  std::string parent = directoryPart(stripped);
  if (!parent.empty() && parent.size() < path.size()) createDirectoryPath(parent);
  CreateDirectoryA(stripped.c_str(), nullptr);
}

std::string shortPathName(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return std::string();
  return std::string(buffer, length);
}
