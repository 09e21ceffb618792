// The shipped stub: exactly the payload offset in size, a 32-bit (i386) GUI program that imports
// only DLLs every Windows XP has, and none of the functions that came later. The test build's stub is padded the same way.
#include "common/constants_shared.h"
#include "tests/harness/peImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

const std::set<std::string> windowsXpDlls = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "version.dll", "msvcrt.dll", "comdlg32.dll", "shlwapi.dll",
};

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

TEST(StubImage, ShippedStubIsPaddedPe32GuiProgram) {
  std::string bytes = readWholeFile(SHIP_BIN "/install.exe");
  ASSERT_EQ(bytes.size(), payloadOffset);
  PeImage image = readPeImage(bytes);
  ASSERT_TRUE(image.valid);
  EXPECT_EQ(image.machine, 0x14c);
  EXPECT_EQ(image.optionalMagic, 0x10b);
  EXPECT_EQ(image.subsystem, 2);
  ASSERT_FALSE(image.importedDlls.empty());
  for (const std::string& dll : image.importedDlls) EXPECT_TRUE(windowsXpDlls.count(lower(dll))) << dll;
  ASSERT_FALSE(image.importedFunctions.empty());
  EXPECT_EQ(importsNewerThanXp(image), std::vector<std::string>{});
}

TEST(StubImage, TestBuildStubIsPaddedTheSameWay) {
  std::string bytes = readWholeFile(TEST_BIN "/install.exe");
  ASSERT_EQ(bytes.size(), payloadOffset);
  EXPECT_EQ(readPeImage(bytes).subsystem, 2);
}

}  // namespace
