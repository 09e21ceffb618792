// Names from a package or a saver data file that may or may not be joined to a directory.
#include "package/fileNameRules.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char* name;
  bool plainFileName;   // allowed as a record name
  bool insideDirectory; // allowed as an entry path
};

const Case cases[] = {
    {"saver1.dll", true, true},
    {"my saver.scr", true, true},
    {"a..b.txt", true, true},
    {"...name", true, true},
    {"sub\\file.swf", false, true},
    {"sub/deeper/file.swf", false, true},
    {"sub\\\\file.swf", false, true},
    {"..", false, false},
    {".", false, false},
    {". .", false, false},
    {"...", false, false},
    {"..\\file", false, false},
    {"sub\\..\\..\\file", false, false},
    {"sub\\.. \\file", false, false},
    {"sub\\.\\file", false, false},
    {"\\file", false, false},
    {"/file", false, false},
    {"\\\\server\\share\\file", false, false},
    {"C:\\file", false, false},
    {"C:file", false, false},
    {"file.txt:stream", false, false},
    {"", false, false},
    // Devices, whatever the extension or letter case; longer names that merely begin alike are files.
    {"NUL", false, false},
    {"aux.txt", false, false},
    {"con .log", false, false},
    {"Com1.old.dll", false, false},
    {"lpt9", false, false},
    {"CONOUT$", false, false},
    {"data\\prn.txt", false, false},
    {"com10.txt", true, true},
    {"console.txt", true, true},
    {"lpt0", true, true},
    {"nulls\\aux2.txt", false, true},
};

TEST(FileNameRules, RecordNamesHaveNoDirectoryAndEntryPathsStayInside) {
  for (const Case& c : cases) {
    EXPECT_EQ(isPlainFileName(c.name), c.plainFileName) << c.name;
    EXPECT_EQ(isPathInsideDirectory(c.name), c.insideDirectory) << c.name;
  }
}

}  // namespace
