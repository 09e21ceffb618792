// The error reporter's real dialog and the string table as the program loads it.
#include "common/errorMessages.h"
#include "common/reportError.h"
#include "common/texts.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportError, ShowsModalErrorDialogWithOneAbortButton) {
  testlib::DialogAnswerer answer("Error", "&Abort");
  reportError(-30, "C:\\dir\\file.dll");
  ASSERT_TRUE(answer.seen());
  const auto& texts = answer.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "Installation Error: C:\\dir\\file.dll\r\n\r\nProblem with file C:\\dir\\file.dll. "),
            texts.end());
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "&Abort"), 1);
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const std::string& t) { return t == "OK" || t == "Cancel"; }),
            0);
}

TEST(ReportError, SystemTextsAreCleanedAndEmptyWhenUnknown) {
  EXPECT_EQ(systemMessageText(5), "Access denied");
  EXPECT_EQ(systemMessageText(-523), "");
}

TEST(Texts, StringTableMatchesTheCompiledTexts) {
  EXPECT_EQ(loadText(IDS_INSTALLATION_ERROR), "Installation Error: ");
  EXPECT_EQ(loadText(IDS_OPEN_CONTROL_PANEL),
            "The installation of the screen saver was successful.\r\n\r\nWould you like to open the screen saver "
            "control panel?");
  EXPECT_EQ(loadText(IDS_OVERWRITE_QUESTION), " screen saver already exists. Overwrite?");
}

}  // namespace
