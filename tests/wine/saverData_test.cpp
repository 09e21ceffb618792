// The saver data file on real files under Wine: the settings block, entries installed into
// saverDir (subdirectories, movie copies, short data), the module's open/close state, "saver.dat",
// and the data files whose counts or names must be refused.
#include "codec/dclBuffer.h"
#include "common/reportError.h"
#include "package/saverDataFile.h"
#include "tests/harness/testlib.h"
#include "tests/wine/packageFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testlib::exists;
using testlib::readFile;
using testlib::writeFile;

// A data file as the builder writes it: block, table, then each entry's header and data.
class DataFileBuilder {
 public:
  DataFileBuilder() {
    for (std::size_t i = 0; i < block.bytes.size(); ++i) block.bytes[i] = static_cast<std::uint8_t>(i * 7);
    block.setSaverKind(0);
  }

  // data is stored (size = its length) unless header fields are overridden afterwards.
  DataFileBuilder& entry(const std::string& name, const std::string& data, std::uint8_t kind = 0) {
    Entry e;
    e.entry.kind = kind;
    e.entry.setFileName(name);
    e.header.size = static_cast<std::int32_t>(data.size());
    e.data = data;
    entries.push_back(e);
    return *this;
  }
  EntryHeader& lastHeader() { return entries.back().header; }

  std::string bytes() {
    block.setEntryCount(static_cast<std::int32_t>(entries.size()));
    return bytesWithCount();
  }
  // The file with the block's entryCount as it stands.
  std::string bytesWithCount() {
    std::string file(reinterpret_cast<const char*>(block.bytes.data()), block.bytes.size());
    std::size_t position = settingsBlockSize + entries.size() * saverEntrySize;
    std::string data;
    for (Entry& e : entries) {
      e.entry.dataOffset = static_cast<std::int32_t>(position + data.size());
      std::uint8_t image[saverEntrySize];
      serialiseSaverEntry(e.entry, image);
      file.append(reinterpret_cast<const char*>(image), sizeof image);
      std::uint8_t header[entryHeaderSize];
      serialiseEntryHeader(e.header, header);
      data.append(reinterpret_cast<const char*>(header), sizeof header);
      data += e.data;
    }
    return file + data;
  }
  void write() { writeFile(installPaths.saverDataPath, bytes()); }

  SettingsBlock block;

 private:
  struct Entry {
    SaverEntry entry;
    EntryHeader header;
    std::string data;
  };
  std::vector<Entry> entries;
};

class SaverData : public testing::Test {
 protected:
  ~SaverData() override { closeSaverDataFile(); }
  std::string saver(const std::string& name) { return installPaths.saverDir + name; }

  ScratchInstall install;
  DataFileBuilder file;
  InstallerState state;
  RecordingUi ui;
};

TEST_F(SaverData, ReadSettingsBlockCarriesTheBlockOver) {
  file.entry("a.txt", "a").write();
  ASSERT_EQ(readSettingsBlock(state), 0);
  EXPECT_EQ(state.settings.bytes, file.block.bytes);
  EXPECT_FALSE(saverDataFileOpen);
}

TEST_F(SaverData, ShortDataFileIsReportedWithItsPath) {
  writeFile(installPaths.saverDataPath, std::string(settingsBlockSize - 1, 'x'));
  testlib::DialogLog log;
  EXPECT_EQ(readSettingsBlock(state), ioShortRead);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "Installation Error: " + installPaths.saverDataPath + "\r\n\r\nProblem with file " +
                                 installPaths.saverDataPath + ". ");
}

// The archive attribute added at the end cannot be watched here: Wine reports it on every file and
// keeps none on directories.
TEST_F(SaverData, NoEntriesOpensAndClosesTheDataFile) {
  file.write();
  EXPECT_EQ(installSaverEntries(state, ui), 0);
  EXPECT_FALSE(saverDataFileOpen);
  EXPECT_EQ(ui.statuses, std::vector<std::string>{"Expanding files..."});
  EXPECT_EQ(ui.steps, 1);
}

TEST_F(SaverData, StoredEntriesLandUnderSaverDirWithMissingSubdirectoriesCreated) {
  file.entry("first.swf", "movie data").entry("", "skipped").entry("images\\deep\\pic.jpg", "picture");
  file.entry("nothing.txt", "");
  file.write();
  EXPECT_EQ(installSaverEntries(state, ui), 0);
  EXPECT_EQ(readFile(saver("first.swf")), "movie data");
  EXPECT_EQ(readFile(saver("images\\deep\\pic.jpg")), "picture");
  EXPECT_FALSE(exists(saver("nothing.txt")));
}

TEST_F(SaverData, MovieSaverCopiesTheIntroMovieAndLaterMovieEntriesCopyTheFirst) {
  writeFile(installPaths.workDir + "installer.swf", "intro movie");
  file.block.setSaverKind(saverKindMovie);
  file.entry("saver.swf", "").entry("second.swf", "", entryKindMovieCopy).write();
  EXPECT_EQ(installSaverEntries(state, ui), 0);
  EXPECT_EQ(readFile(saver("saver.swf")), "intro movie");
  EXPECT_EQ(readFile(saver("second.swf")), "intro movie");
}

TEST_F(SaverData, FailedMovieCopyIsReportedWithTheSource) {
  file.entry("saver.swf", "", entryKindMovieCopy).write();
  testlib::DialogLog log;
  EXPECT_EQ(installSaverEntries(state, ui), rcEntryCopyFailed);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  const std::string source = installPaths.workDir + "installer.swf";
  EXPECT_EQ(dialogs[0].text, "Installation Error: " + source + "\r\n\r\nProblem with file " + source + ". ");
  EXPECT_TRUE(saverDataFileOpen);  // stays open after a failure, as the install sequence expects
}

TEST_F(SaverData, StoredEntryPastEndOfFileFailsAndLeavesNoHalfFile) {
  file.entry("first.txt", "complete").entry("cut.txt", "only these bytes exist");
  std::string bytes = file.bytes();
  writeFile(installPaths.saverDataPath, bytes.substr(0, bytes.size() - 5));
  testlib::DialogLog log;
  EXPECT_EQ(installSaverEntries(state, ui), ioShortRead);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "Morvane Error: Problem reading screen saver data file. " + systemMessageText(100));
  EXPECT_EQ(readFile(saver("first.txt")), "complete");
  EXPECT_FALSE(exists(saver("cut.txt")));
  EXPECT_EQ(ui.steps, 0);
}

TEST_F(SaverData, StoredEntryWhoseTargetCannotBeCreatedGivesTheSystemsCode) {
  // A directory stands where the entry's file would go; it and what it holds are not touched.
  CreateDirectoryA(saver("docs").c_str(), nullptr);
  writeFile(saver("docs\\keep.txt"), "kept");
  file.entry("docs", "a file's bytes").entry("after.txt", "after").write();
  testlib::DialogLog log;
  const ResultCode result = installSaverEntries(state, ui);
  EXPECT_GT(result, 0);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "Morvane Error: Problem reading screen saver data file. " + systemMessageText(result));
  EXPECT_EQ(readFile(saver("docs\\keep.txt")), "kept");
  EXPECT_FALSE(exists(saver("after.txt")));
}

TEST_F(SaverData, CompressedEntriesAreExpandedAndCheckedAgainstTheirSize) {
  const std::string content(3000, 'c');
  auto packed = dcl::implodeBuffer(reinterpret_cast<const std::uint8_t*>(content.data()), content.size(),
                                   dcl::LiteralMode::binary, 2048);
  struct Case {
    std::int32_t sizeDelta;  // stated size minus the real one
    bool library;
    ResultCode expected;
  };
  for (Case c : {Case{0, true, 0}, Case{1, true, rcSizeMismatch}, Case{0, false, rcNoExpander}}) {
    closeSaverDataFile();
    ScratchInstall fresh;
    if (c.library) {
      ASSERT_TRUE(CopyFileA((testlib::programDir() + "impborl.dll").c_str(),
                            (installPaths.workDir + "impborl.dll").c_str(), FALSE));
    }
    file = DataFileBuilder();
    file.entry("sub\\packed.bin", std::string(packed.begin(), packed.end()));
    file.lastHeader().size = static_cast<std::int32_t>(content.size()) + c.sizeDelta;
    file.lastHeader().packedSize = static_cast<std::int32_t>(packed.size());
    file.lastHeader().compressed = 1;
    file.entry("after.txt", "after").write();
    testlib::DialogLog log;
    EXPECT_EQ(installSaverEntries(state, ui), c.expected) << c.sizeDelta;
    EXPECT_TRUE(log.dialogs().empty());
    EXPECT_EQ(readFile(saver("sub\\packed.bin")), c.expected == 0 ? content : "");
    EXPECT_EQ(exists(saver("after.txt")), c.expected == 0);
  }
}

TEST_F(SaverData, SecondOpenIsRefusedWithMessageButSucceeds) {
  file.entry("a.txt", "a").write();
  ASSERT_EQ(openSaverDataFile(state, installPaths.saverDataPath, true), 0);
  testlib::DialogLog log;
  EXPECT_EQ(openSaverDataFile(state, installPaths.saverDataPath, true), 0);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].caption, "Information");
  EXPECT_EQ(dialogs[0].text, "Morvane Error: Screen saver data file already in use.");
  EXPECT_EQ(saverEntries[1].fileName(), "a.txt");
  EXPECT_EQ(closeSaverDataFile(), 0);
  EXPECT_FALSE(saverDataFileOpen);
}

TEST_F(SaverData, EntryCountsTheTableCannotHoldAreRefusedBeforeReading) {
  for (std::int32_t count : {maxEntryCount + 1, -1, 0x7fffffff}) {
    closeSaverDataFile();
    file.block.setEntryCount(count);
    writeFile(installPaths.saverDataPath, file.bytesWithCount());
    saverEntries[5].setFileName("left over");
    testlib::DialogLog log;
    EXPECT_EQ(openSaverDataFile(state, installPaths.saverDataPath, true), rcBadEntryCount) << count;
    const auto& dialogs = log.dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Problem opening screen saver data file.\r\n\r\nFile: " +
                                   installPaths.saverDataPath + "\r\n\r\n-535");
    EXPECT_EQ(saverEntries[5].fileName(), "");
    EXPECT_EQ(installSaverEntry(installPaths.saverDir, 1), rcNoEntry);
  }
}

TEST_F(SaverData, MissingDataFileIsAnOpenFailureOnlyShownWhenAsked) {
  testlib::DialogLog log;
  EXPECT_EQ(openSaverDataFile(state, installPaths.saverDataPath, false), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(log.dialogs().empty());
  EXPECT_FALSE(saverDataFileOpen);
}

TEST_F(SaverData, EntryCallsOutsideTheOpenTableAreRefused) {
  file.entry("a.txt", "a").write();
  EXPECT_EQ(installSaverEntry(installPaths.saverDir, 1), rcNoEntry);  // nothing read yet
  ASSERT_EQ(openSaverDataFile(state, installPaths.saverDataPath, true), 0);
  EXPECT_EQ(installSaverEntry(installPaths.saverDir, 2), rcNoEntry);
  EXPECT_EQ(installSaverEntry(installPaths.saverDir, 0), rcNoEntry);
  EXPECT_EQ(installSaverEntry(installPaths.saverDir, 1), 0);
  EXPECT_EQ(closeSaverDataFile(), 0);
  EXPECT_EQ(installSaverEntry(installPaths.saverDir, 1), rcDataFileClosed);
}

TEST_F(SaverData, EntryNamesLeavingSaverDirAreRefusedAndReported) {
  for (const char* name : {"..\\escaped.txt", "sub\\..\\..\\escaped.txt", "C:\\escaped.txt", "\\escaped.txt"}) {
    for (std::uint8_t kind : {std::uint8_t(0), entryKindMovieCopy}) {
      closeSaverDataFile();
      writeFile(installPaths.workDir + "installer.swf", "intro movie");
      file = DataFileBuilder();
      file.entry("ok.txt", "fine").entry(name, "must not be written", kind).write();
      testlib::DialogLog log;
      EXPECT_EQ(installSaverEntries(state, ui), rcUnsafeFileName) << name;
      const auto& dialogs = log.dialogs();
      ASSERT_EQ(dialogs.size(), 1u);
      const std::string path = installPaths.saverDir + name;
      EXPECT_EQ(dialogs[0].text, "Installation Error: " + path + "\r\n\r\nProblem with file " + path + ". ");
      EXPECT_FALSE(exists(installPaths.systemDir + "escaped.txt"));
      EXPECT_FALSE(exists(install.root() + "escaped.txt"));
    }
  }
}

TEST_F(SaverData, ImpossibleSizesFailWithoutAllocating) {
  struct Case {
    std::int32_t size, packedSize, compressed;
  };
  for (Case c : {Case{-1, 0, 0}, Case{10, 0, 1}, Case{10, -5, 1}, Case{10, 0x7fffffff, 1}}) {
    closeSaverDataFile();
    file = DataFileBuilder();
    file.entry("big.bin", "x");
    file.lastHeader().size = c.size;
    file.lastHeader().packedSize = c.packedSize;
    file.lastHeader().compressed = c.compressed;
    file.write();
    testlib::DialogLog log;
    EXPECT_EQ(installSaverEntries(state, ui), rcNoMemory) << c.size << " " << c.packedSize;
    EXPECT_TRUE(log.dialogs().empty());
    EXPECT_FALSE(exists(saver("big.bin")));
  }
}

TEST_F(SaverData, SettingsFileIsTheBlockAndAnUnwritableDirIsReportedOnce) {
  file.write();
  ASSERT_EQ(readSettingsBlock(state), 0);
  EXPECT_EQ(writeSaverSettings(state, ui), 0);
  EXPECT_EQ(ui.statuses, std::vector<std::string>{"Writing saver data file..."});
  EXPECT_EQ(readFile(saver("saver.dat")),
            std::string(reinterpret_cast<const char*>(file.block.bytes.data()), settingsBlockSize));

  installPaths.saverDir = install.root() + "missing\\dir\\";
  testlib::DialogLog log;
  EXPECT_EQ(writeSaverSettings(state, ui), ERROR_PATH_NOT_FOUND);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  const std::string target = installPaths.saverDir + "saver.dat";
  EXPECT_EQ(dialogs[0].text, "Installation Error: " + target + "\r\n\r\nProblem with file " + target + ". ");
}

}  // namespace
