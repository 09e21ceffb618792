// The installer title and the uninstall display name made from the saver's name.
#include "system/KTV_StringUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayNames, FollowTheSaverWordRule) {
  struct Case {
    std::string name, title, displayName;
  } cases[] = {
      {"Aquarium", "Install Screen Saver: Aquarium", "Aquarium Screen Saver"},
      {"Aquarium Screensaver", "Install: Aquarium Screensaver", "Aquarium Screensaver"},
      {"AQUARIUM SAVER", "Install: AQUARIUM SAVER", "AQUARIUM SAVER"},
      {"Lifesavers", "Install: Lifesavers", "Lifesavers"},
      {"My Screen Saver", "Install: My Screen Saver", "My Screen Saver"},
      {"", "Install Screen Saver: ", " Screen Saver"},
      {"S\xC4VER", "Install Screen Saver: S\xC4VER", "S\xC4VER Screen Saver"},  // only A..Z fold
  };
  for (const Case& c : cases) {
    EXPECT_EQ(installerTitle(c.name), c.title) << c.name;
    EXPECT_EQ(uninstallDisplayName(c.name), c.displayName) << c.name;
  }
}

TEST(DisplayNames, TranslatedScreenSaverTextCountsForTheTitleOnly) {
  const std::string translated = "Bildschirmschoner";
  EXPECT_EQ(installerTitle("Aquarium Bildschirmschoner", "Installieren", translated),
            "Installieren: Aquarium Bildschirmschoner");
  EXPECT_EQ(uninstallDisplayName("Aquarium Bildschirmschoner", translated),
            "Aquarium Bildschirmschoner Bildschirmschoner");
  EXPECT_EQ(installerTitle("Aquarium", "Installieren", translated), "Installieren Bildschirmschoner: Aquarium");
}

TEST(ContainsIgnoreCase, FoldsAsciiOnlyAndNeverMatchesEmptyWord) {
  EXPECT_TRUE(containsIgnoreCase("LifeSAVERs", "saver"));
  EXPECT_FALSE(containsIgnoreCase("anything", ""));
  EXPECT_FALSE(containsIgnoreCase("", "a"));
  EXPECT_FALSE(containsIgnoreCase("\xC4", "\xE4"));
  EXPECT_TRUE(containsIgnoreCase("\xC4x", "\xC4X"));
}

}  // namespace
