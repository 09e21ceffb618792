// The uninstall command on Windows 98 (this program runs with the prefix's Windows version set to
// win98 for it alone): the saver file's short form when the system gives one.
#include "system/KTV_FileUtils.h"
#include "system/KTV_RegistryUtils.h"
#include "tests/harness/testlib.h"
#include "tests/wine/registryProbe.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallEntryOnWindows98, CommandUsesShortPathWhenTheSaverIsThere) {
  ASSERT_TRUE(isWindows9x());
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof system);
  installPaths.systemDir = withTrailingBackslash(std::string(system, length));
  const std::string name = "Registry Test 98 " + std::to_string(GetCurrentProcessId());
  const std::string saverFile = installPaths.systemDir + name + ".scr";
  const std::string path = registryProbe::uninstallPath(name);

  // Missing saver file: no short form to be had, the long path stands.
  ASSERT_EQ(registerUninstall(name), 0);
  EXPECT_EQ(registryProbe::value(HKEY_LOCAL_MACHINE, path, "UninstallString"), saverFile + " /u");

  testlib::writeFile(saverFile, "saver");
  ASSERT_EQ(registerUninstall(name), 0);
  const std::string command = registryProbe::value(HKEY_LOCAL_MACHINE, path, "UninstallString");
  ASSERT_GT(command.size(), 3u);
  const std::string shortForm = command.substr(0, command.size() - 3);
  EXPECT_EQ(command.substr(shortForm.size()), " /u");
  EXPECT_EQ(shortForm.find(' '), std::string::npos) << command;
  char longForm[MAX_PATH] = "";
  GetLongPathNameA(shortForm.c_str(), longForm, sizeof longForm);
  EXPECT_EQ(lstrcmpiA(longForm, saverFile.c_str()), 0) << command;

  DeleteFileA(saverFile.c_str());
  registryProbe::removeTree(HKEY_LOCAL_MACHINE, path);
}

}  // namespace
