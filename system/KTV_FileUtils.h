// The installer's paths and the shared file operations, on the Win32 file functions. Directory
// paths always end with a backslash (added only when missing); a file path is a directory path
// plus a name. The operations keep no state; each returns a ResultCode or a success flag.
#pragma once
#include "common/constants_shared.h"
#include "common/dataStructures_shared.h"

#include <cstdint>
#include <string>

// Process-wide paths, set at start-up in three steps and never changed afterwards.
struct InstallPaths {
  std::string windowsDir;     // WINDIR + "\"
  std::string systemDir;      // GetSystemDirectoryA + "\"
  std::string workDir;        // TEMP + "\QPF<n>\", created by this run
  std::string installerPath;  // the running installer file
  std::string packageCopy;    // workDir + "temp.dat"
  std::string saverName;      // the header's saver name
  std::string saverDir;       // systemDir + saverName + " dir\"
  std::string saverDataPath;  // workDir + name of record 8
};
extern InstallPaths installPaths;

// Windows and system directories, then the work directory. A TEMP or WINDIR that is unset or
// empty fails with ERROR_ENVVAR_NOT_FOUND (203); when no work directory could be created and the
// system gives no reason (all 1000 names taken), the result is ERROR_ALREADY_EXISTS (183). On any
// failure workDir stays empty, so nothing can ever remove a directory this run did not create.
ResultCode computeStartupPaths();
// installerPath and packageCopy; call only after computeStartupPaths returned 0.
void computeInstallerPaths();
// saverName, saverDir and saverDataPath from the package directory.
void computeSaverPaths(const PackageDirectory& directory);

// Creates TEMP\<prefix><n> for the first n in 1..1000 whose directory does not exist and can be
// created; output receives it with a trailing backslash. Failure codes as computeStartupPaths;
// output is then empty.
ResultCode createNumberedTempDir(const std::string& prefix, std::string& output);

// Appends a backslash unless path already ends with one.
std::string withTrailingBackslash(const std::string& path);
// The directory part of a file path, trailing backslash included ("" when there is none).
std::string directoryPart(const std::string& path);

bool fileExists(const std::string& path);       // a file, not a directory
// Size of the entry at path, found with any attributes (a directory too), or -1 when there is none.
std::int64_t directoryEntrySize(const std::string& path);
bool directoryExists(const std::string& path);  // a directory

// 0 when the file is gone (or was never there, or is a directory); -32 when it cannot be deleted
// even after its attributes were cleared.
ResultCode deleteFile(const std::string& path);
// Up to tries attempts back to back: 0, -38 for a ".scr" (any letter case), -32 for other files,
// -1 when tries is not positive.
ResultCode deleteFileWithRetries(const std::string& path, int tries);
// Removes dir (ending with a backslash) with everything in it: 0, -1 (empty path, or the emptied
// directory cannot be removed), or the failing deleteFile code of a file directly inside it.
ResultCode removeDirectoryTree(const std::string& dir);
// Copies source over destination, clearing the attributes of both first. On failure the caller
// reads the reason with GetLastError.
bool copyFileOver(const std::string& source, const std::string& destination);
// Creates path and any missing ancestors; failures are not reported.
void createDirectoryPath(const std::string& path);
// The short (8.3) form of path (GetShortPathNameA into 260 characters); "" when the file is missing,
// the system gives no short form, or it would not fit.
std::string shortPathName(const std::string& path);
