// Package copy, package directory and record extraction on real files under Wine: where records
// land, which failures are reported and which stay quiet, busy destinations, short packages,
// cancelling between records, and names or kinds that must never be written.
#include "codec/dclBuffer.h"
#include "common/texts.h"
#include "package/packageFile.h"
#include "package/recordExtraction.h"
#include "tests/harness/testlib.h"
#include "tests/wine/packageFixture.h"

#include <gtest/gtest.h>

namespace {

using testlib::exists;
using testlib::readFile;
using testlib::writeFile;

std::string generalText(const std::string& detail) {
  return "Installation Error: " + detail + "\r\n\r\nProblem with file " + detail + ". ";
}

class Extraction : public testing::Test {
 protected:
  ResultCode runLoop(bool useReadMe) {
    package.write(installPaths.packageCopy);
    InstallerState state;
    state.useReadMe = useReadMe;
    return extractSaverFiles(installPaths.packageCopy, state, ui);
  }
  std::string system(const std::string& name) { return installPaths.systemDir + name; }
  std::string work(const std::string& name) { return installPaths.workDir + name; }
  std::string saver(const std::string& name) { return installPaths.saverDir + name; }

  ScratchInstall install;
  PackageBuilder package;
  RecordingUi ui;
};

// ---- Package copy and directory ----

TEST_F(Extraction, CopyPackageReplacesStaleCopy) {
  writeFile(installPaths.installerPath, "the installer file");
  writeFile(installPaths.packageCopy, "stale copy of an earlier run, longer than the new one");
  EXPECT_EQ(copyPackage(), 0);
  EXPECT_EQ(readFile(installPaths.packageCopy), "the installer file");
}

TEST_F(Extraction, CopyPackageWithBusyStaleCopyReportsCopyFailureAndReturnsDeleteCode) {
  writeFile(installPaths.installerPath, "the installer file");
  writeFile(installPaths.packageCopy, "stale");
  testlib::FileHolder holder({installPaths.packageCopy});
  testlib::DialogLog log;
  EXPECT_EQ(copyPackage(), rcFileBusy);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text.rfind("Installation Error: " + installPaths.packageCopy + "\r\n\r\nPlease retry", 0), 0u)
      << dialogs[0].text;
}

TEST_F(Extraction, StubWithoutPayloadIsAShortDirectory) {
  writeFile(installPaths.packageCopy, std::string(payloadOffset, '\0'));
  testlib::DialogLog log;
  EXPECT_EQ(readPackageDirectory(ui), rcShortDirectory);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, generalText(installPaths.packageCopy));
}

TEST_F(Extraction, ReadPackageDirectoryExtractsTheLibraryAsDll) {
  package.record(1, "impborl.dat", rkWorkDirData, "library image").record(2, "flashax.exe", rkFlashOrLibrary, "x");
  package.write(installPaths.packageCopy);
  packageDirectory = PackageDirectory();
  EXPECT_EQ(readPackageDirectory(ui), 0);
  EXPECT_EQ(packageDirectory.records[2].fileName(), "flashax.exe");
  EXPECT_EQ(readFile(work("impborl.dll")), "library image");
  EXPECT_FALSE(exists(work("flashax.exe")));
  EXPECT_TRUE(ui.statuses.empty());
  EXPECT_EQ(ui.steps, 0);
}

TEST_F(Extraction, EmptyLibrarySlotIsReportedWithEmptyPath) {
  package.write(installPaths.packageCopy);
  testlib::DialogLog log;
  EXPECT_EQ(readPackageDirectory(ui), rcNoRecordName);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, generalText(""));
}

// ---- The extraction loop ----

TEST_F(Extraction, LoopWritesEachRecordWithOneProgressStep) {
  struct Case {
    bool useReadMe;
    int steps;
  };
  for (Case c : {Case{true, 6}, Case{false, 5}}) {
    ScratchInstall fresh;
    package = PackageBuilder();
    package.saverRecords();
    ui = RecordingUi();
    EXPECT_EQ(runLoop(c.useReadMe), 0);
    EXPECT_EQ(ui.steps, c.steps);
    EXPECT_EQ(ui.statuses, std::vector<std::string>(c.steps, "Writing screen saver files..."));
    EXPECT_EQ(exists(work("readme.txt")), c.useReadMe);
    EXPECT_EQ(readFile(system("Test.scr")), "engine bytes");
    EXPECT_EQ(readFile(saver("Test.scf")), "companion");
    EXPECT_EQ(readFile(work("Test.ssd")), "data file");
    EXPECT_EQ(readFile(saver("saver1.dll")), "library one");
    EXPECT_EQ(readFile(saver("saver2.dll")), "library two");
  }
}

TEST_F(Extraction, EmptyEngineSlotStopsLoopWithReportedEmptyPath) {
  package.saverRecords().empty(6);
  testlib::DialogLog log;
  EXPECT_EQ(runLoop(false), rcNoRecordName);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].caption, "Error");
  EXPECT_EQ(dialogs[0].text, "Installation Error: \r\n\r\nProblem with file . ");
  EXPECT_FALSE(exists(saver("Test.scf")));
  EXPECT_EQ(ui.steps, 0);
}

TEST_F(Extraction, EmptyEngineSlotIsAnsweredInTheErrorDialog) {
  package.saverRecords().empty(6);
  testlib::DialogAnswerer answer("Error", "&Abort");
  EXPECT_EQ(runLoop(false), rcNoRecordName);
  ASSERT_TRUE(answer.seen());
  const auto& texts = answer.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Installation Error: \r\n\r\nProblem with file . "), texts.end());
}

TEST_F(Extraction, BusyEngineGivesSaverBusyWithoutReport) {
  package.saverRecords();
  writeFile(system("Test.scr"), "old engine");
  {
    testlib::FileHolder holder({system("Test.scr")});
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), rcSaverBusy);
    EXPECT_TRUE(log.dialogs().empty());
  }
  EXPECT_EQ(readFile(system("Test.scr")), "old engine");
  EXPECT_FALSE(exists(saver("Test.scf")));
}

TEST_F(Extraction, BusyCompanionLibraryIsSkippedAndLoopGoesOn) {
  package.saverRecords();
  writeFile(saver("saver1.dll"), "old library");
  {
    testlib::FileHolder holder({saver("saver1.dll")});
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), 0);
    EXPECT_TRUE(log.dialogs().empty());
  }
  EXPECT_EQ(readFile(saver("saver1.dll")), "old library");
  EXPECT_EQ(readFile(saver("saver2.dll")), "library two");
}

TEST_F(Extraction, StoredRecordPastEndOfPackageKeepsTheBytesThatExist) {
  package.saverRecords().record(10, "saver2.dll", rkCompanion, "the last bytes");
  package.directory().records[10].lastByte += 100;
  testlib::DialogLog log;
  EXPECT_EQ(runLoop(false), rcShortRead);
  EXPECT_EQ(readFile(saver("saver2.dll")), "the last bytes");
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, generalText(saver("saver2.dll")));
}

TEST_F(Extraction, CancelDuringRecordSevenFinishesItAndStops) {
  package.saverRecords();
  // Without the read-me, record 7 is the second record of the loop.
  ui.onStep = [](int step) {
    if (step == 2) cancelRequested = 1;
  };
  EXPECT_EQ(runLoop(false), 0);
  EXPECT_EQ(ui.steps, 2);
  EXPECT_EQ(readFile(saver("Test.scf")), "companion");
  EXPECT_FALSE(exists(work("Test.ssd")));
  EXPECT_FALSE(exists(saver("saver1.dll")));
  EXPECT_FALSE(exists(saver("saver2.dll")));
}

// ---- Compressed records ----

std::string implode(const std::string& text) {
  auto packed = dcl::implodeBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                   dcl::LiteralMode::binary, 1024);
  return std::string(packed.begin(), packed.end());
}

TEST_F(Extraction, CompressedRecordsAreExpandedAndCheckedAgainstTheirSize) {
  const std::string content(5000, 'e');
  struct Case {
    int index;
    const char* name;
    std::int32_t kind;
    std::int32_t sizeDelta;  // stated size minus the real one
    bool library;
    ResultCode expected;
    bool reported;  // only ".dll" destinations report their own failures
  } cases[] = {
      {6, "Test.scr", rkSystemDir, 0, true, 0, false},
      {9, "saver1.dll", rkCompanion, 0, true, 0, false},
      {9, "saver1.dll", rkCompanion, 1, true, rcSizeMismatch, true},
      {6, "Test.scr", rkSystemDir, 1, true, rcSizeMismatch, false},
      {9, "saver1.dll", rkCompanion, -1, true, rcSizeMismatch, true},
      {9, "saver1.dll", rkCompanion, 0, false, rcNoExpander, true},
      {6, "Test.scr", rkSystemDir, 0, false, rcNoExpander, false},
  };
  for (const Case& c : cases) {
    ScratchInstall fresh;
    if (c.library) {
      ASSERT_TRUE(CopyFileA((testlib::programDir() + "impborl.dll").c_str(), work("impborl.dll").c_str(), FALSE));
    }
    package = PackageBuilder();
    package.saverRecords().record(c.index, c.name, c.kind, implode(content), true,
                                  static_cast<std::int32_t>(content.size()) + c.sizeDelta);
    const std::string destination = (c.kind == rkSystemDir ? installPaths.systemDir : installPaths.saverDir) + c.name;
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), c.expected) << c.name << " " << c.sizeDelta;
    const auto& dialogs = log.dialogs();
    ASSERT_EQ(dialogs.size(), c.reported ? 1u : 0u) << c.name << " " << c.sizeDelta;
    if (c.reported) {
      EXPECT_EQ(dialogs[0].text, generalText(destination));
    }
    // A file of the wrong size is deleted; a good one holds the expanded bytes.
    EXPECT_EQ(readFile(destination), c.expected == 0 ? content : "") << c.name << " " << c.sizeDelta;
    EXPECT_EQ(exists(saver("saver2.dll")), c.expected == 0);
  }
}

TEST_F(Extraction, CompressedRecordPastEndOfPackageIsShortWithoutExpanding) {
  ASSERT_TRUE(CopyFileA((testlib::programDir() + "impborl.dll").c_str(), work("impborl.dll").c_str(), FALSE));
  package.saverRecords().record(10, "saver2.dll", rkCompanion, implode("data"), true, 4);
  package.directory().records[10].lastByte = 0x7ffffff0;
  testlib::DialogLog log;
  EXPECT_EQ(runLoop(false), rcShortRead);
  EXPECT_EQ(log.dialogs().size(), 1u);
  EXPECT_FALSE(exists(saver("saver2.dll")));
}

// ---- Start-up loaders ----

TEST_F(Extraction, IntroMediaIsRenamedForPictures) {
  struct Case {
    std::uint8_t presentation;
    const char* name;
  };
  for (Case c : {Case{presentationBitmap, "installer.BMP"}, Case{presentationJpeg, "installer.jpg"},
                 Case{presentationMovieAlt, "installer.swf"}}) {
    ScratchInstall fresh;
    package = PackageBuilder();
    package.directory().header.presentation = c.presentation;
    package.record(3, "installer.swf", rkWorkDir, "intro");
    package.write(installPaths.packageCopy);
    EXPECT_EQ(loadIntroMedia(ui), 0);
    EXPECT_EQ(packageDirectory.records[3].fileName(), c.name);
    EXPECT_EQ(readFile(work(c.name)), "intro");
  }
}

TEST_F(Extraction, LoadersReturnEmptySlotWithoutReport) {
  package.write(installPaths.packageCopy);
  testlib::DialogLog log;
  EXPECT_EQ(loadFlashInstaller(ui), rcNoRecordName);
  EXPECT_EQ(loadIntroMedia(ui), rcNoRecordName);
  EXPECT_EQ(loadLicense(ui), rcNoRecordName);
  EXPECT_EQ(loadReadMe(ui), rcNoRecordName);
  EXPECT_TRUE(log.dialogs().empty());
}

TEST_F(Extraction, FlashInstallerGoesToWorkDirAndOtherKindThreeNamesBecomeSystemLibraries) {
  package.record(2, "flashax.exe", rkFlashOrLibrary, "flash installer");
  package.write(installPaths.packageCopy);
  EXPECT_EQ(loadFlashInstaller(ui), 0);
  EXPECT_EQ(readFile(work("flashax.exe")), "flash installer");
  package.record(2, "FLASHAX.EXE", rkFlashOrLibrary, "not recognised");
  package.write(installPaths.packageCopy);
  EXPECT_EQ(loadFlashInstaller(ui), 0);
  EXPECT_EQ(readFile(system("FLASHAX.dll")), "not recognised");
}

// ---- License and read-me copies ----

TEST_F(Extraction, LicenseAndReadMeAreCopiedAndTheReadMeFailureWins) {
  package.record(4, "license.txt", rkWorkDir, "").record(5, "readme.txt", rkWorkDir, "");
  package.write(installPaths.packageCopy);
  InstallerState state;
  state.useLicense = state.useReadMe = 1;
  EXPECT_EQ(copyLicenseAndReadMe(state), rcNotCreated);
  writeFile(work("readme.txt"), "read me");
  EXPECT_EQ(copyLicenseAndReadMe(state), rcNotCreated);  // the license is still missing
  EXPECT_EQ(readFile(saver("readme.txt")), "read me");
  writeFile(work("license.txt"), "license");
  EXPECT_EQ(copyLicenseAndReadMe(state), 0);
  EXPECT_EQ(readFile(saver("license.txt")), "license");
}

// ---- Records that must not be written ----

TEST_F(Extraction, NamesLeavingTheDestinationAreRefusedAndReported) {
  const char* names[] = {"..\\escaped.dll", "sub\\file.dll", "C:escaped.dll", "/escaped.dll", "..", ". .",
                         "\\\\server\\share\\x.dll"};
  for (const char* name : names) {
    ScratchInstall fresh;
    package = PackageBuilder();
    package.saverRecords().record(9, name, rkCompanion, "must not be written");
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), rcUnsafeFileName) << name;
    const auto& dialogs = log.dialogs();
    ASSERT_EQ(dialogs.size(), 1u) << name;
    EXPECT_EQ(dialogs[0].text, generalText(installPaths.saverDir + name));
    EXPECT_FALSE(exists(installPaths.systemDir + "escaped.dll"));
    EXPECT_FALSE(exists(fresh.root() + "escaped.dll"));
  }
}

TEST_F(Extraction, KindsWithoutDestinationAreRefusedAndReported) {
  for (std::int32_t kind : {0, 8, 9, 11, -1}) {
    package = PackageBuilder();
    package.saverRecords().record(7, "Test.scf", kind, "nowhere to go");
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), rcNoDestination) << kind;
    const auto& dialogs = log.dialogs();
    ASSERT_EQ(dialogs.size(), 1u) << kind;
    EXPECT_EQ(dialogs[0].text, generalText("Test.scf"));
  }
}

TEST_F(Extraction, ImpossibleRecordSpansFailWithoutAllocating) {
  struct Case {
    std::int32_t firstByte, lastByte;
    bool compressed;
    ResultCode expected;
  };
  const std::int32_t start = payloadOffset + packageDirectorySize;
  for (Case c : {Case{start, start - 1, false, rcNoMemory}, Case{start + 5, start, true, rcNoMemory},
                 Case{-100, 10, false, rcShortRead}, Case{start, 0x7ffffff0, false, rcShortRead}}) {
    ScratchInstall fresh;
    package = PackageBuilder();
    package.saverRecords().record(9, "saver1.dll", rkCompanion, "x", c.compressed);
    package.directory().records[9].firstByte = c.firstByte;
    package.directory().records[9].lastByte = c.lastByte;
    testlib::DialogLog log;
    EXPECT_EQ(runLoop(false), c.expected) << c.firstByte << ".." << c.lastByte;
    EXPECT_EQ(log.dialogs().size(), 1u);
  }
}

}  // namespace
