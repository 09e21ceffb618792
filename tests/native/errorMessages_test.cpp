// The failure texts: reportError's four forms, the start-up message and the cleaning of system texts.
#include "common/errorMessages.h"

#include <gtest/gtest.h>

namespace {

const std::string privileges =
    "Insufficient user account privileges.\r\n\r\nThe current user account has insufficient privileges to install "
    "screen savers. Please contact your system administrator for help in performing this installation.";

TEST(ErrorReportText, AccessDeniedShowsPrivilegesTextWithDetail) {
  EXPECT_EQ(errorReportText(5, "C:\\x\\a.scr", ""), "Installation Error: C:\\x\\a.scr\r\n\r\n" + privileges);
  EXPECT_EQ(errorReportText(5, "5", ""), "Installation Error: 5\r\n\r\n" + privileges);
}

TEST(ErrorReportText, PackageCopyFailureCarriesSystemTextAndAdvice) {
  EXPECT_EQ(errorReportText(-523, "C:\\T\\QPF1\\temp.dat", ""),
            "Installation Error: C:\\T\\QPF1\\temp.dat\r\n\r\nPlease retry installation. If this message appears again, "
            "the installation cannot be completed because your user account has limited installation privileges. To "
            "complete this installation, login with administrative privileges and rerun this installer.");
  EXPECT_EQ(errorReportText(-523, "p", "Text").substr(0, 26), "Installation Error: pText\r");
}

TEST(ErrorReportText, SaverBusyNeverShowsThePath) {
  std::string text = errorReportText(-38, "C:\\windows\\system32\\a.scr", "");
  EXPECT_EQ(text.find("a.scr"), std::string::npos);
  EXPECT_EQ(text,
            "Installation Error: Screen saver cannot be replaced.\r\n\r\nPlease close the screen saver control panel and "
            "try again. If the install fails again, you may have insufficient privileges to install screen savers. "
            "Please contact your system administrator for assistance.");
}

TEST(ErrorReportText, OtherCodesShowTheDetailTwice) {
  for (ResultCode code : {-7, -13, -30, -31, -531, 2, 32, 100}) {
    EXPECT_EQ(errorReportText(code, "D:\\f.dll", "ignored"),
              "Installation Error: D:\\f.dll\r\n\r\nProblem with file D:\\f.dll. ")
        << code;
  }
  EXPECT_EQ(errorReportText(-531, "", ""), "Installation Error: \r\n\r\nProblem with file . ");
}

TEST(StartupFailureText, EndsWithCodePeriodAndBlank) {
  EXPECT_EQ(startupFailureText(-32), "Installer file is corrupted. Morvane Error: -32. ");
  EXPECT_EQ(startupFailureText(5), "Installer file is corrupted. Morvane Error: 5. ");
}

TEST(CleanSystemMessage, StripsTrailingBlanksControlsAndPeriods) {
  struct Case {
    const char* raw;
    const char* clean;
  } cases[] = {
      {"Access denied.\r\n", "Access denied"},
      {"Access denied. \r\n", "Access denied"},
      {"Wait...  \t", "Wait"},
      {"a.b.\n", "a.b"},
      {"", ""},
      {" .\r\n", ""},
      {"Keep inner. periods", "Keep inner. periods"},
  };
  for (const Case& c : cases) EXPECT_EQ(cleanSystemMessage(c.raw), c.clean) << c.raw;
}

TEST(ApplicationErrorText, AppendsPeriodOnlyAfterCharactersAbovePeriod) {
  EXPECT_EQ(applicationErrorText("Unable to write to system.ini"), "Unable to write to system.ini.");
  EXPECT_EQ(applicationErrorText("Cannot open file C:\\a.dat"), "Cannot open file C:\\a.dat.");
  EXPECT_EQ(applicationErrorText("Done."), "Done.");
  EXPECT_EQ(applicationErrorText("Ends in blank "), "Ends in blank ");
  EXPECT_EQ(applicationErrorText("dash-"), "dash-");
  EXPECT_EQ(applicationErrorText(""), "");
}

}  // namespace
