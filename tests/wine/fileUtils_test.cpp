// Paths and file operations on real files: attributes, files held open by another process, nested
// trees, the numbered work directory and the environment it comes from.
#include "system/KTV_FileUtils.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>

namespace {

using testlib::exists;
using testlib::ScratchDir;
using testlib::writeFile;

// Sets an environment variable for the scope of a test; nullptr unsets it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    char buffer[1024];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    had_ = length > 0;
    old_.assign(buffer, had_ ? length : 0);
    SetEnvironmentVariableA(name, value);
  }
  ~ScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

TEST(NumberedTempDir, TakesFirstFreeNumberWithOneBackslash) {
  ScratchDir temp("numbered");
  std::string base = temp.path().substr(0, temp.path().size() - 1);  // without the backslash
  for (const std::string& value : {base, temp.path()}) {
    ScopedEnvironment env("TEMP", value.c_str());
    std::string output;
    ASSERT_EQ(createNumberedTempDir("QPF", output), 0);
    EXPECT_EQ(output, temp.path() + "QPF1\\");
    ASSERT_TRUE(RemoveDirectoryA(output.c_str()));
  }
  CreateDirectoryA((temp / "QPF1").c_str(), nullptr);
  CreateDirectoryA((temp / "QPF2").c_str(), nullptr);
  writeFile(temp / "QPF3", "a file, not a directory");
  ScopedEnvironment env("TEMP", temp.path().c_str());
  std::string output;
  ASSERT_EQ(createNumberedTempDir("QPF", output), 0);
  EXPECT_EQ(output, temp.path() + "QPF4\\");
}

TEST(NumberedTempDir, FailsWithCodeWhenEveryNameIsTaken) {
  ScratchDir temp("full");
  for (int n = 1; n <= 1000; ++n) CreateDirectoryA((temp / ("QPF" + std::to_string(n))).c_str(), nullptr);
  ScopedEnvironment env("TEMP", temp.path().c_str());
  std::string output = "stale";
  EXPECT_EQ(createNumberedTempDir("QPF", output), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(output, "");
}

TEST(NumberedTempDir, OverlongTempFailsWithTheSystemsCodeNotAsUnset) {
  ScratchDir temp("long");
  ScopedEnvironment env("TEMP", (temp.path() + std::string(300, 'x')).c_str());
  std::string output = "stale";
  const ResultCode result = createNumberedTempDir("QPF", output);
  EXPECT_NE(result, 0);
  EXPECT_NE(result, ERROR_ENVVAR_NOT_FOUND);
  EXPECT_EQ(output, "");
}

TEST(StartupPaths, UnusableWorkDirNeverLeadsToRemovingTemp) {
  ScratchDir temp("startup");
  for (int n = 1; n <= 1000; ++n) CreateDirectoryA((temp / ("QPF" + std::to_string(n))).c_str(), nullptr);
  writeFile(temp / "keep.txt", "other contents of TEMP");
  ScopedEnvironment env("TEMP", temp.path().c_str());
  installPaths = InstallPaths();
  EXPECT_NE(computeStartupPaths(), 0);
  EXPECT_EQ(installPaths.workDir, "");
  // What the window's close handler removes: the directory part of packageCopy, never set here.
  EXPECT_EQ(removeDirectoryTree(directoryPart(installPaths.packageCopy)), -1);
  EXPECT_TRUE(exists(temp / "keep.txt"));
  EXPECT_TRUE(exists(temp / "QPF1"));
}

TEST(StartupPaths, EmptyOrUnsetTempOrWindirFails) {
  ScratchDir temp("env");
  for (const char* variable : {"TEMP", "WINDIR"}) {
    for (const char* value : {"", static_cast<const char*>(nullptr)}) {
      ScopedEnvironment goodTemp("TEMP", temp.path().c_str());
      ScopedEnvironment bad(variable, value);
      installPaths = InstallPaths();
      EXPECT_EQ(computeStartupPaths(), ERROR_ENVVAR_NOT_FOUND) << variable;
      EXPECT_EQ(installPaths.workDir, "") << variable;
      EXPECT_FALSE(exists(temp / "QPF1")) << variable;
    }
  }
}

TEST(StartupPaths, SetsDirectoriesWithBackslashAndCreatesWorkDir) {
  ScratchDir temp("paths");
  ScopedEnvironment env("TEMP", temp.path().c_str());
  ScopedEnvironment windir("WINDIR", "C:\\windows");
  installPaths = InstallPaths();
  ASSERT_EQ(computeStartupPaths(), 0);
  computeInstallerPaths();
  EXPECT_EQ(installPaths.windowsDir, "C:\\windows\\");
  EXPECT_EQ(installPaths.systemDir.back(), '\\');
  EXPECT_EQ(installPaths.workDir, temp.path() + "QPF1\\");
  EXPECT_EQ(installPaths.packageCopy, temp.path() + "QPF1\\temp.dat");
  EXPECT_NE(installPaths.installerPath.find("file_utils_test"), std::string::npos);

  PackageDirectory directory;
  const char name[] = "0123456789012345678901234567890123456789012345678901234567890123";  // 64, no NUL
  std::copy(name, name + 64, directory.header.saverNameField.begin());
  directory.records[8].setFileName("x.ssd");
  computeSaverPaths(directory);
  EXPECT_EQ(installPaths.saverName, std::string(name, 64));
  EXPECT_EQ(installPaths.saverDir, installPaths.systemDir + std::string(name, 64) + " dir\\");
  EXPECT_EQ(installPaths.saverDataPath, installPaths.workDir + "x.ssd");
  RemoveDirectoryA(installPaths.workDir.c_str());
}

TEST(DeleteFile, RemovesReadOnlyAndHiddenFilesAndIgnoresMissingAndDirectories) {
  ScratchDir dir("delete");
  writeFile(dir / "ro.txt", "x");
  SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  writeFile(dir / "hidden.txt", "x");
  SetFileAttributesA((dir / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  EXPECT_EQ(deleteFile(dir / "ro.txt"), 0);
  EXPECT_EQ(deleteFile(dir / "hidden.txt"), 0);
  EXPECT_EQ(deleteFile(dir / "missing.txt"), 0);
  EXPECT_EQ(deleteFile(dir / "sub"), 0);
  EXPECT_FALSE(exists(dir / "ro.txt"));
  EXPECT_FALSE(exists(dir / "hidden.txt"));
  EXPECT_TRUE(exists(dir / "sub"));
}

TEST(DeleteFile, BusyFilesGiveFileBusyOrSaverBusyForScrInAnyCase) {
  ScratchDir dir("busy");
  struct Case {
    const char* name;
    ResultCode once, retried;
  } cases[] = {{"a.dat", -32, -32}, {"b.scr", -32, -38}, {"c.SCR", -32, -38}, {"d.Scr", -32, -38}, {"e.scr.txt", -32, -32}};
  std::vector<std::string> paths;
  for (const Case& c : cases) {
    writeFile(dir / c.name, "x");
    paths.push_back(dir / c.name);
  }
  testlib::FileHolder hold(paths);
  for (const Case& c : cases) {
    EXPECT_EQ(deleteFile(dir / c.name), c.once) << c.name;
    EXPECT_EQ(deleteFileWithRetries(dir / c.name, 1000), c.retried) << c.name;
    EXPECT_TRUE(exists(dir / c.name)) << c.name;
  }
}

TEST(DeleteFileWithRetries, NonPositiveTriesTouchNothing) {
  ScratchDir dir("tries");
  writeFile(dir / "a.txt", "x");
  SetFileAttributesA((dir / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(deleteFileWithRetries(dir / "a.txt", 0), -1);
  EXPECT_EQ(deleteFileWithRetries(dir / "a.txt", -5), -1);
  EXPECT_EQ(testlib::attributes(dir / "a.txt") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(deleteFileWithRetries(dir / "a.txt", 1), 0);
  EXPECT_FALSE(exists(dir / "a.txt"));
}

TEST(RemoveDirectoryTree, RemovesNestedTreeWithReadOnlyAndHiddenFiles) {
  ScratchDir dir("tree");
  std::string root = dir / "root\\";
  createDirectoryPath(root + "a\\b\\c\\");
  for (const std::string& sub : {std::string(), std::string("a\\"), std::string("a\\b\\"), std::string("a\\b\\c\\")}) {
    writeFile(root + sub + "f.txt", "x");
    SetFileAttributesA((root + sub + "f.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  }
  SetFileAttributesA((root + "a").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(removeDirectoryTree(root), 0);
  EXPECT_FALSE(exists(root));
  EXPECT_EQ(removeDirectoryTree(root), 0);  // already gone
  EXPECT_EQ(removeDirectoryTree(""), -1);
}

TEST(RemoveDirectoryTree, BusyFileStopsOnlyItsOwnDirectory) {
  // depth 0: the busy file lies directly in the directory; deeper: in a subdirectory of it.
  for (int depth = 0; depth <= 3; ++depth) {
    ScratchDir dir("busytree");
    std::string root = dir / "root\\";
    std::string busyDir = root;
    for (int i = 0; i < depth; ++i) busyDir += "d" + std::to_string(i) + "\\";
    createDirectoryPath(busyDir);
    writeFile(busyDir + "busy.dat", "x");
    writeFile(root + "zz-sibling.txt", "x");  // enumerated after the subdirectories
    CreateDirectoryA((root + "zz-other").c_str(), nullptr);
    writeFile(root + "zz-other\\f.txt", "x");
    {
      testlib::FileHolder hold({busyDir + "busy.dat"});
      ResultCode result = removeDirectoryTree(root);
      EXPECT_EQ(result, depth == 0 ? -32 : -1) << depth;
      EXPECT_TRUE(exists(busyDir + "busy.dat")) << depth;
      EXPECT_TRUE(exists(root)) << depth;
      if (depth > 0) {
        EXPECT_FALSE(exists(root + "zz-sibling.txt")) << depth;
        EXPECT_FALSE(exists(root + "zz-other")) << depth;
      }
    }
    EXPECT_EQ(removeDirectoryTree(root), 0) << depth;
  }
}

TEST(CopyFileOver, OverwritesReadOnlyDestinationAndClearsSourceAttributes) {
  ScratchDir dir("copy");
  writeFile(dir / "src.txt", "new");
  SetFileAttributesA((dir / "src.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  writeFile(dir / "dst.txt", "old");
  SetFileAttributesA((dir / "dst.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(copyFileOver(dir / "src.txt", dir / "dst.txt"));
  EXPECT_EQ(testlib::readFile(dir / "dst.txt"), "new");
  EXPECT_EQ(testlib::attributes(dir / "src.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_FALSE(copyFileOver(dir / "missing.txt", dir / "dst2.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(CreateDirectoryPath, CreatesMissingAncestorsAndEndsWithoutAnyAncestor) {
  ScratchDir dir("mkdir");
  createDirectoryPath(dir / "a\\b\\c\\");
  EXPECT_TRUE(directoryExists(dir / "a\\b\\c"));
  createDirectoryPath(dir / "a\\b\\c\\");  // exists already
  // No existing ancestor: these must simply return.
  createDirectoryPath("Q:\\no\\such\\drive\\");
  createDirectoryPath("relative-nowhere\\x\\");
  RemoveDirectoryA("relative-nowhere\\x");
  RemoveDirectoryA("relative-nowhere");
  EXPECT_FALSE(directoryExists("Q:\\no"));
}

}  // namespace
