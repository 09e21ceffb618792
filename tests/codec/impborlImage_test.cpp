// The shipped impborl.dll: a 32-bit DLL that exports exactly the three names the installer binds
// and needs nothing beyond kernel32 and the C runtime that every Windows has, nor any function
// newer than Windows XP.
#include "tests/harness/peImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

TEST(ImpborlImage, ShippedLibraryIs32BitDllWithTheThreeExports) {
  PeImage image = readPeImage(readWholeFile(SHIP_BIN "/impborl.dll"));
  ASSERT_TRUE(image.valid);
  EXPECT_EQ(image.machine, 0x14c);
  EXPECT_EQ(image.optionalMagic, 0x10b);
  EXPECT_TRUE(image.characteristics & 0x2000) << "not flagged as a DLL";
  std::vector<std::string> names = image.exportedNames;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"_crc32", "_explode", "_implode"}));
  std::vector<std::string> dlls;
  for (const std::string& dll : image.importedDlls) dlls.push_back(lower(dll));
  std::sort(dlls.begin(), dlls.end());
  EXPECT_EQ(dlls, (std::vector<std::string>{"kernel32.dll", "msvcrt.dll"}));
  EXPECT_EQ(importsNewerThanXp(image), std::vector<std::string>{});
}

}  // namespace
