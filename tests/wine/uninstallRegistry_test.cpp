// The uninstall entry in the prefix's real registry on an NT-family version: where it lands, its
// values, the fall-back to the user's root, and its removal.
#include "system/KTV_FileUtils.h"
#include "system/KTV_RegistryUtils.h"
#include "tests/wine/registryProbe.h"

#include <gtest/gtest.h>

namespace {

using registryProbe::keyExists;
using registryProbe::uninstallPath;
using registryProbe::value;

// Stands for a machine root the user may not write: Wine lets everybody write HKEY_LOCAL_MACHINE.
const HKEY refusingRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7654320));

class UninstallEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    name_ = "Registry Test " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    path_ = uninstallPath(name_);
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    installPaths.systemDir = withTrailingBackslash(std::string(system, length));
    uninstallRoots = UninstallRoots();
  }
  void TearDown() override {
    uninstallRoots = UninstallRoots();
    registryProbe::removeTree(HKEY_LOCAL_MACHINE, path_);
    registryProbe::removeTree(HKEY_CURRENT_USER, path_);
  }
  // A complete entry as an earlier install left it.
  void plantEntry(HKEY root) {
    registryProbe::setValue(root, path_, "DisplayName", "old name");
    registryProbe::setValue(root, path_, "UninstallString", "old command");
  }

  std::string name_;
  std::string path_;
};

TEST_F(UninstallEntry, LandsUnderMachineRootWithLongUnquotedCommand) {
  ASSERT_FALSE(isWindows9x());
  EXPECT_EQ(registerUninstall(name_), 0);
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "DisplayName"), name_ + " Screen Saver");
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "UninstallString"), installPaths.systemDir + name_ + ".scr /u");
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, path_));
}

TEST_F(UninstallEntry, NameThatSaysSaverIsTheDisplayName) {
  name_ += " NightSAVER";
  path_ = uninstallPath(name_);
  EXPECT_EQ(registerUninstall(name_), 0);
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "DisplayName"), name_);
}

TEST_F(UninstallEntry, RegisteringAgainKeepsOtherValues) {
  plantEntry(HKEY_LOCAL_MACHINE);
  registryProbe::setValue(HKEY_LOCAL_MACHINE, path_, "Publisher", "someone");
  EXPECT_EQ(registerUninstall(name_), 0);
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "DisplayName"), name_ + " Screen Saver");
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "UninstallString"), installPaths.systemDir + name_ + ".scr /u");
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "Publisher"), "someone");
}

TEST_F(UninstallEntry, FallsBackToUserRootWhenMachineRefuses) {
  uninstallRoots.machine = refusingRoot;
  EXPECT_EQ(registerUninstall(name_), 0);
  EXPECT_EQ(value(HKEY_CURRENT_USER, path_, "DisplayName"), name_ + " Screen Saver");
  EXPECT_EQ(value(HKEY_CURRENT_USER, path_, "UninstallString"), installPaths.systemDir + name_ + ".scr /u");
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, path_));

  uninstallRoots.user = refusingRoot;
  EXPECT_EQ(registerUninstall(name_ + "x"), rcUninstallWrite);
}

TEST_F(UninstallEntry, UnregisterWithoutAnyEntrySucceeds) {
  EXPECT_EQ(unregisterUninstall(name_), 0);
}

TEST_F(UninstallEntry, UnregisterRemovesKeyWithItsSubkeys) {
  plantEntry(HKEY_LOCAL_MACHINE);
  registryProbe::createKey(HKEY_LOCAL_MACHINE, path_ + "\\Options\\Deeper");
  EXPECT_EQ(unregisterUninstall(name_), 0);
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, path_));
}

TEST_F(UninstallEntry, IncompleteMachineEntryTurnsToUserEntry) {
  registryProbe::setValue(HKEY_LOCAL_MACHINE, path_, "UninstallString", "machine command");
  plantEntry(HKEY_CURRENT_USER);
  EXPECT_EQ(deleteUninstallEntry(name_, HKEY_LOCAL_MACHINE), rcUninstallDelete);
  EXPECT_EQ(unregisterUninstall(name_), 0);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, path_));
  EXPECT_EQ(value(HKEY_LOCAL_MACHINE, path_, "UninstallString"), "machine command");

  // Incomplete under both roots: nothing could be removed.
  registryProbe::setValue(HKEY_CURRENT_USER, path_, "UninstallString", "user command");
  EXPECT_EQ(unregisterUninstall(name_), rcUninstallDelete);
}

TEST_F(UninstallEntry, MachineEntryAloneLeavesUserEntryInPlace) {
  plantEntry(HKEY_LOCAL_MACHINE);
  plantEntry(HKEY_CURRENT_USER);
  EXPECT_EQ(unregisterUninstall(name_), 0);
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, path_));
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, path_));
}

// An empty saver name would address the Uninstall key itself, with every program's entry below it.
TEST_F(UninstallEntry, EmptyNameNeverTouchesTheUninstallKey) {
  const std::string testRoot = "Software\\RegistryTest " + name_;
  HKEY root;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, testRoot.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                            nullptr),
            ERROR_SUCCESS);
  const std::string uninstall = uninstallPath("");
  registryProbe::setValue(root, uninstall, "DisplayName", "listed");
  registryProbe::setValue(root, uninstall, "UninstallString", "command");
  registryProbe::setValue(root, uninstall + "Other Program", "DisplayName", "other");
  uninstallRoots.machine = root;

  EXPECT_EQ(unregisterUninstall(""), 0);
  EXPECT_EQ(registerUninstall(""), rcUninstallWrite);
  EXPECT_EQ(value(root, uninstall, "DisplayName"), "listed");
  EXPECT_EQ(value(root, uninstall, "UninstallString"), "command");
  EXPECT_EQ(value(root, uninstall + "Other Program", "DisplayName"), "other");

  RegCloseKey(root);
  registryProbe::removeTree(HKEY_CURRENT_USER, testRoot);
}

}  // namespace
