#include "common/commandLine.h"

#include <gtest/gtest.h>

namespace {

using Parameters = std::vector<std::string>;

TEST(CommandLine, ParametersFollowTheProgramNameAndQuotesOnlyGroup) {
  const struct {
    const char* line;
    Parameters expected;
  } cases[] = {
      {"install.exe", {}},
      {"", {}},
      {"  \t install.exe   ", {}},
      {"install.exe /q", {"/q"}},
      {"\"C:\\Program Files\\install.exe\" /Q", {"/Q"}},          // a quoted name with a blank
      {"C:\\dir\\install.exe\t/q  -x\r\n", {"/q", "-x"}},          // tabs and line ends separate
      {"install.exe \"/q\"", {"/q"}},                               // quotes are dropped
      {"install.exe \"a b\"c d", {"a bc", "d"}},                    // quotes group, then join
      {"install.exe \"unclosed /q", {"unclosed /q"}},               // an open quote runs to the end
      {"install.exe \"\" x", {"", "x"}},                            // an empty quoted parameter counts
      {"\"install.exe\"/q", {}},                                    // no separator: still the name
  };
  for (const auto& c : cases) {
    EXPECT_EQ(commandLineParameters(c.line), c.expected) << c.line;
  }
  EXPECT_EQ(commandLineParameters(nullptr), Parameters{});
}

TEST(CommandLine, OnlyAWholeSlashQIsTheSilentSwitch) {
  for (const char* yes : {"/q", "/Q"}) EXPECT_TRUE(isSilentSwitch(yes)) << yes;
  for (const char* no : {"q", "-q", "/quiet", "/q ", "//q", "", "/"}) EXPECT_FALSE(isSilentSwitch(no)) << no;
}

}  // namespace
