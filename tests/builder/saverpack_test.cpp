// saverpack as its users run it: a process with arguments, exit code, stdout and stderr.
// The worked layout uses the record lengths of a real Flash saver package.
#include "common/constants_shared.h"
#include "common/dataStructures_shared.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <unistd.h>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Bytes readBytes(const fs::path& path) {
  std::string text = readText(path);
  return Bytes(text.begin(), text.end());
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Incompressible content, different for every file so that mixed-up records show.
Bytes randomContent(std::size_t size, const std::string& seed) {
  std::mt19937 random(static_cast<unsigned>(std::hash<std::string>()(seed)));
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// Content that compresses well.
Bytes textContent(std::size_t size) {
  const std::string line = "The reef sways in the current; fish pass the coral in slow schools.\r\n";
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(line[i % line.size()]);
  return bytes;
}

PackageDirectory directoryOf(const Bytes& installer) {
  return parsePackageDirectory(installer.data() + payloadOffset);
}

// A damage that edits the package directory of an installer in place.
std::function<void(Bytes&)> editDirectory(void (*edit)(PackageDirectory&)) {
  return [edit](Bytes& b) {
    PackageDirectory d = directoryOf(b);
    edit(d);
    serialisePackageDirectory(d, b.data() + payloadOffset);
  };
}

// A damage done to a good installer and what "saverpack verify" must say about it.
struct Damage {
  const char* what;
  std::function<void(Bytes&)> damage;
  const char* message;
};

// Worked layout: a 15-character saver name and the lengths of a real payload.
const char workedSaverName[] = "Coral Reef Aqua";
const std::pair<const char*, std::size_t> workedFiles[] = {
    {"stub.exe", payloadOffset}, {"impborl.dll", 12288}, {"flashax.exe", 563560}, {"intro.swf", 193876},
    {"engine.scr", 217538},      {"reef.scf", 1404},     {"data.ssd", 1548},      {"saver1.dll", 26224},
    {"saver2.dll", 7457},
};

class Saverpack : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir = fs::temp_directory_path() / ("saverpack-test-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }

  ToolRun saverpack(const std::string& arguments) {
    std::string command = "cd " + quote(dir.string()) + " && " + quote(SAVERPACK_PATH) + " " + arguments + " >" +
                          quote((dir / "stdout.txt").string()) + " 2>" + quote((dir / "stderr.txt").string());
    int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readText(dir / "stdout.txt");
    run.err = readText(dir / "stderr.txt");
    fs::remove(dir / "stdout.txt");
    fs::remove(dir / "stderr.txt");
    return run;
  }

  // verify fails (exit code 1) on each damaged copy of good and names the damage.
  template <std::size_t N>
  void expectVerifyReports(const Bytes& good, const Damage (&damages)[N]) {
    for (const Damage& d : damages) {
      SCOPED_TRACE(d.what);
      Bytes damaged = good;
      d.damage(damaged);
      writeBytes(dir / "damaged.exe", damaged);
      ToolRun run = saverpack("verify damaged.exe");
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_NE(run.out.find(d.message), std::string::npos) << run.out;
    }
  }

  // data.ssd is the real package's data file: one movie entry and its empty header.
  void writeWorkedFiles() {
    for (const auto& file : workedFiles) writeBytes(dir / file.first, randomContent(file.second, file.first));
    Bytes data(1548, 0);
    writeInt32(data.data() + entryCountOffset, 1);
    writeInt32(data.data() + saverKindOffset, 3);
    SaverEntry entry;
    entry.setFileName("Coral Reef .swf");
    entry.dataOffset = 1504;
    serialiseSaverEntry(entry, data.data() + settingsBlockSize);
    serialiseEntryHeader(EntryHeader(), data.data() + 1504);
    writeBytes(dir / "data.ssd", data);
  }

  // The worked package's manifest; changes replace keys (an empty value drops the key), extra
  // lines go at the end.
  void writeManifest(const std::map<std::string, std::string>& changes = {}, const std::string& extra = "") {
    std::vector<std::pair<std::string, std::string>> keys = {
        {"name", workedSaverName},  {"presentation", "movie"},     {"offer-display-panel", "yes"},
        {"stub", "stub.exe"},       {"library", "impborl.dll"},    {"flash-installer", "flashax.exe"},
        {"intro", "intro.swf"},     {"engine", "engine.scr"},      {"companion", "reef.scf"},
        {"data-file", "data.ssd"},  {"saver1", "saver1.dll"},      {"saver2", "saver2.dll"},
        {"compression", "stored"},
    };
    std::ofstream manifest(dir / "saver.ini");
    manifest << "; worked layout\n[package]\n";
    for (auto& key : keys) {
      auto change = changes.find(key.first);
      std::string value = change == changes.end() ? key.second : change->second;
      if (!value.empty()) manifest << key.first << " = " << value << "\n";
    }
    for (auto& change : changes)
      if (std::none_of(keys.begin(), keys.end(), [&](auto& key) { return key.first == change.first; }))
        manifest << change.first << " = " << change.second << "\n";
    manifest << extra;
  }

  Bytes buildWorked(const std::string& arguments = "") {
    writeWorkedFiles();
    writeManifest();
    ToolRun run = saverpack("build saver.ini -o out.exe " + arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return readBytes(dir / "out.exe");
  }

  fs::path dir;
};

TEST_F(Saverpack, WorkedLayoutGetsExactlyTheRealPackagesOffsets) {
  Bytes installer = buildWorked();
  ASSERT_EQ(installer.size(), 1698791u);
  const PackageDirectory directory = directoryOf(installer);
  EXPECT_EQ(directory.header.presentation, 3);
  EXPECT_EQ(directory.header.hasLicense, 0);
  EXPECT_EQ(directory.header.hasReadMe, 0);
  EXPECT_EQ(directory.header.reserved, 0);
  EXPECT_EQ(directory.header.offerDisplayPanel, 1);
  EXPECT_EQ(directory.header.saverName(), workedSaverName);

  const std::string name = workedSaverName;
  struct Expected {
    std::string fileName;
    std::int32_t kind, compressed, firstByte, lastByte, size;
  } expected[] = {
      {"install.exe", 6, 0, 0, 671743, 671744},
      {"impborl.dat", 4, 0, 674896, 687183, 12288},
      {"flashax.exe", 3, 0, 687184, 1250743, 563560},
      {"installer.swf", 7, 0, 1250744, 1444619, 193876},
      {"", 7, 1, 1444620, 1444620, 0},
      {"", 7, 1, 1444620, 1444620, 0},
      {name + ".scr", 2, 0, 1444620, 1662157, 217538},
      {"reef.scf", 5, 0, 1662158, 1663561, 1404},
      {name + ".ssd", 4, 0, 1663562, 1665109, 1548},
      {"saver1.dll", 5, 0, 1665110, 1691333, 26224},
      {"saver2.dll", 5, 0, 1691334, 1698790, 7457},
  };
  for (int i = 0; i < packageRecordCount; ++i) {
    const PackageRecord& record = directory.records[i];
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(record.fileName(), expected[i].fileName);
    EXPECT_EQ(record.kind, expected[i].kind);
    EXPECT_EQ(record.compressedField, (std::array<std::uint8_t, 4>{{std::uint8_t(expected[i].compressed), 0, 0, 0}}));
    EXPECT_EQ(record.firstByte, expected[i].firstByte);
    EXPECT_EQ(record.lastByte, expected[i].lastByte);
    EXPECT_EQ(record.packedSize, 0);
    EXPECT_EQ(record.size, expected[i].size);
  }
  // The stub is written unchanged and each record holds its file.
  EXPECT_TRUE(std::equal(installer.begin(), installer.begin() + payloadOffset, readBytes(dir / "stub.exe").begin()));
  Bytes flash = readBytes(dir / "flashax.exe");
  EXPECT_TRUE(std::equal(flash.begin(), flash.end(), installer.begin() + 687184));

  ToolRun verify = saverpack("verify out.exe");
  EXPECT_EQ(verify.exitCode, 0) << verify.out;
}

TEST_F(Saverpack, BuildIsRepeatableAndOverridesReplaceManifestKeys) {
  Bytes first = buildWorked();
  writeBytes(dir / "other" / "license.txt", textContent(300));
  // The worked data file copies the intro movie, so the presentation stays a movie (the raw value 3).
  ToolRun run = saverpack("build saver.ini -o second.exe --set license=other/license.txt --set presentation=3 "
                      "--set offer-display-panel=no");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ToolRun again = saverpack("build saver.ini -o out2.exe");
  ASSERT_EQ(again.exitCode, 0);
  EXPECT_EQ(readBytes(dir / "out2.exe"), first);

  const PackageDirectory directory = directoryOf(readBytes(dir / "second.exe"));
  EXPECT_EQ(directory.header.presentation, 3);
  EXPECT_EQ(directory.header.hasLicense, 1);
  EXPECT_EQ(directory.header.offerDisplayPanel, 0);
  EXPECT_EQ(directory.records[4].fileName(), "license.txt");
  EXPECT_EQ(directory.records[4].length(), 300);
  EXPECT_EQ(directory.records[5].firstByte, directory.records[6].firstByte);
}

TEST_F(Saverpack, ManifestWithUtf8MarkAndCrLfLinesReadsAlike) {
  Bytes plain = buildWorked();
  std::string manifest = readText(dir / "saver.ini");
  std::string windows = "\xEF\xBB\xBF";
  for (char c : manifest) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  writeBytes(dir / "saver.ini", Bytes(windows.begin(), windows.end()));
  ToolRun run = saverpack("build saver.ini -o windows.exe");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(readBytes(dir / "windows.exe"), plain);
}

TEST_F(Saverpack, StubPrefixTakesFilesFromBesideTheStub) {
  Bytes plain = buildWorked();
  fs::create_directories(dir / "bin");
  for (const char* name : {"stub.exe", "impborl.dll", "engine.scr", "saver1.dll"}) fs::rename(dir / name, dir / "bin" / name);
  writeManifest({{"engine", "<stub>/engine.scr"}, {"saver1", "<stub>/saver1.dll"}, {"library", ""}});
  ToolRun run = saverpack("build saver.ini -o moved.exe --set stub=bin/stub.exe");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(readBytes(dir / "moved.exe"), plain);
}

// A built installer, then one structural change; verify must name the fault and exit 1.
TEST_F(Saverpack, VerifyReportsEachDamage) {
  const Bytes good = buildWorked();
  const Damage damages[] = {
      {"truncated inside the last record", [](Bytes& b) { b.resize(b.size() - 100); }, "record 10 (\"saver2.dll\"): bytes"},
      {"truncated inside the directory", [](Bytes& b) { b.resize(payloadOffset + 100); }, "ends before the package directory"},
      {"stub only", [](Bytes& b) { b.resize(payloadOffset); }, "ends before the package directory"},
      {"record beyond the end",
       [](Bytes& b) {
         PackageDirectory d = directoryOf(b);
         d.records[7].lastByte = std::int32_t(b.size()) + 10;
         serialisePackageDirectory(d, b.data() + payloadOffset);
       },
       "record 7 (\"reef.scf\"): bytes 1662158..1698801 are not inside the file"},
      {"negative start",
       editDirectory([](PackageDirectory& d) { d.records[9].firstByte = -4; }),
       "record 9 (\"saver1.dll\"): bytes -4..1691333 are not inside"},
      {"wrong engine name",
       editDirectory([](PackageDirectory& d) { d.records[6].setFileName("Coral Reef Aqua.SCR"); }),
       "name must be \"Coral Reef Aqua.scr\""},
      {"empty required slot",
       editDirectory([](PackageDirectory& d) { d.records[2].nameLength = 0; }),
       "record 2: empty, but the installer extracts this slot"},
      {"empty slot of another kind",
       editDirectory([](PackageDirectory& d) { d.records[4].kind = 5; }),
       "record 4: empty slot must have kind 7"},
      {"stub record moved",
       editDirectory([](PackageDirectory& d) { d.records[0].lastByte = 1000; }),
       "the stub record must span 0..671743"},
      {"movie copy without a movie",
       [](Bytes& b) { b[payloadOffset] = presentationBitmap; },
       "entry 1 is a copy of the intro movie, but the presentation is not a movie"},
      {"stored size differs",
       editDirectory([](PackageDirectory& d) { d.records[3].size = 5; }),
       "size 5 differs from the stored length 193876"},
  };
  expectVerifyReports(good, damages);
}

TEST_F(Saverpack, BuildListExtractRoundTripsEveryFileByteForByte) {
  writeWorkedFiles();
  writeBytes(dir / "docs" / "license.txt", textContent(2000));
  writeBytes(dir / "docs" / "readme.txt", textContent(900));
  writeBytes(dir / "settings.bin", randomContent(settingsBlockSize, "settings"));
  writeBytes(dir / "media" / "sea" / "fish.jpg", randomContent(5000, "fish"));
  writeBytes(dir / "media" / "notes.txt", textContent(4000));
  const std::string compressed = "compressed";
  writeManifest({{"data-file", ""}, {"license", "docs/license.txt"}, {"readme", "docs/readme.txt"},
                 {"engine.compression", compressed}},
                "[data]\nsettings = settings.bin\nsaver-kind = 3\nentry = reef.swf, movie\n"
                "entry = media/sea/fish.jpg, stored\nentry = media/notes.txt, " + compressed + "\n");
  ToolRun build = saverpack("build saver.ini -o out.exe");
  ASSERT_EQ(build.exitCode, 0) << build.err;
  EXPECT_TRUE(build.err.empty());
  ToolRun verify = saverpack("verify out.exe");
  EXPECT_EQ(verify.exitCode, 0) << verify.out;

  ToolRun list = saverpack("list out.exe");
  ASSERT_EQ(list.exitCode, 0) << list.err;
  for (const char* text : {"Coral Reef Aqua.scr", "license.txt", "readme.txt", "3 entries, saverKind 3",
                           "reef.swf  (copy of the saver's movie)", "media\\sea\\fish.jpg  size 5000"})
    EXPECT_NE(list.out.find(text), std::string::npos) << text << "\n" << list.out;

  ToolRun extract = saverpack("extract out.exe unpacked");
  ASSERT_EQ(extract.exitCode, 0) << extract.err;
  const std::pair<const char*, const char*> sameFiles[] = {
      {"unpacked/install.exe", "stub.exe"},          {"unpacked/impborl.dat", "impborl.dll"},
      {"unpacked/flashax.exe", "flashax.exe"},       {"unpacked/installer.swf", "intro.swf"},
      {"unpacked/license.txt", "docs/license.txt"},  {"unpacked/readme.txt", "docs/readme.txt"},
      {"unpacked/Coral Reef Aqua.scr", "engine.scr"}, {"unpacked/reef.scf", "reef.scf"},
      {"unpacked/saver1.dll", "saver1.dll"},         {"unpacked/saver2.dll", "saver2.dll"},
      {"unpacked/entries/media/sea/fish.jpg", "media/sea/fish.jpg"},
      {"unpacked/entries/media/notes.txt", "media/notes.txt"},
  };
  for (const auto& pair : sameFiles) {
    SCOPED_TRACE(pair.first);
    ASSERT_TRUE(fs::exists(dir / pair.first));
    EXPECT_TRUE(readBytes(dir / pair.first) == readBytes(dir / pair.second));
  }
  EXPECT_FALSE(fs::exists(dir / "unpacked" / "entries" / "reef.swf"));

  // The data file: the settings block carried over but for the count, then the table.
  Bytes data = readBytes(dir / "unpacked" / "Coral Reef Aqua.ssd");
  Bytes settings = readBytes(dir / "settings.bin");
  ASSERT_GT(data.size(), settingsBlockSize + 3 * saverEntrySize);
  EXPECT_EQ(readInt32(data.data() + entryCountOffset), 3);
  EXPECT_EQ(readInt32(data.data() + saverKindOffset), 3);
  EXPECT_TRUE(std::equal(settings.begin(), settings.begin() + entryCountOffset, data.begin()));
  EXPECT_TRUE(std::equal(settings.begin() + entryCountOffset + 4, settings.begin() + saverKindOffset, data.begin() + entryCountOffset + 4));
  SaverEntry movie = parseSaverEntry(data.data() + settingsBlockSize);
  EXPECT_EQ(movie.kind, 3);
  EXPECT_EQ(movie.dataOffset, std::int32_t(settingsBlockSize + 3 * saverEntrySize));
  EntryHeader movieHeader = parseEntryHeader(data.data() + movie.dataOffset);
  EXPECT_EQ(movieHeader.size, 0);
  EXPECT_EQ(std::string(movieHeader.tag.data(), 4), "CHUN");
  SaverEntry fish = parseSaverEntry(data.data() + settingsBlockSize + saverEntrySize);
  EXPECT_EQ(fish.fileName(), "media\\sea\\fish.jpg");
  EXPECT_EQ(fish.dataOffset, movie.dataOffset + std::int32_t(entryHeaderSize));
  EntryHeader fishHeader = parseEntryHeader(data.data() + fish.dataOffset);
  EXPECT_EQ(fishHeader.size, 5000);
  EXPECT_EQ(fishHeader.compressed, 0);
}

// Every bad manifest gives exactly one line naming the file and the problem, a non-zero exit code,
// and leaves no output file behind (not even a temporary one).
TEST_F(Saverpack, BadManifestsFailWithOneLineAndNoOutput) {
  writeWorkedFiles();
  writeBytes(dir / "short-stub.exe", Bytes(payloadOffset - 1, 0));
  writeBytes(dir / "empty.dll", Bytes());
  writeBytes(dir / "settings-short.bin", Bytes(1000, 0));
  writeBytes(dir / "short.ssd", Bytes(6, 0));
  writeBytes(dir / "lic\\x.txt", textContent(100));  // a backslash is an ordinary character here
  struct Case {
    const char* what;
    std::map<std::string, std::string> changes;
    std::string extra;
    std::string arguments;
    int exitCode;
    std::string message;
  } cases[] = {
      {"stub too short", {{"stub", "short-stub.exe"}}, "", "", 3,
       "short-stub.exe: the stub is 671743 bytes; it must be exactly 671744 bytes"},
      {"stub size via override", {}, "", "--set stub=short-stub.exe", 3, "it must be exactly 671744 bytes"},
      {"engine missing", {{"engine", ""}}, "", "", 3, "saver.ini: 'engine' (record 6) is missing"},
      {"intro missing for a movie", {{"intro", ""}}, "", "", 3, "'intro' (record 3"},
      {"misspelt key", {{"engin", "engine.scr"}}, "", "", 3, "saver.ini:16: unknown key 'engin' in [package]"},
      {"file not there", {{"saver2", "nothere.dll"}}, "", "", 3, "nothere.dll: cannot open"},
      {"empty file", {{"saver1", "empty.dll"}}, "", "", 3, "empty.dll: the file is empty"},
      {"unknown presentation", {{"presentation", "slideshow"}}, "", "", 3, "saver.ini:4: presentation must be"},
      {"name too long", {{"name", std::string(65, 'n')}}, "", "", 3, "at most 64 fit the package header"},
      {"name with a path", {{"name", "a\\b"}}, "", "", 3, "not allowed in file names"},
      {"device name", {{"name", "Lpt1"}}, "", "", 3, "saver.ini:3: the saver name 'Lpt1' is a Windows device name"},
      {"bad compression", {{"engine.compression", "zip"}}, "", "", 3, "compression must be stored, compressed or auto"},
      {"data file twice", {}, "[data]\nentry = reef.scf\n", "", 3, "either 'data-file' or a [data] section"},
      {"entry leaving the saver directory", {{"data-file", ""}}, "[data]\nentry = ../x.txt\n", "", 3,
       "saver.ini:16: the entry name '..\\x.txt' must be a relative path"},
      {"short settings block", {{"data-file", ""}}, "[data]\nsettings = settings-short.bin\n", "", 3,
       "settings-short.bin: a settings block is 1240 bytes, this file has 1000"},
      {"movie copy without a movie", {{"data-file", ""}, {"presentation", "bitmap"}},
       "[data]\nsaver-kind = 3\nentry = reef.swf\n", "", 3, "needs presentation movie"},
      // Ready-made inputs are held to the installer's rules too.
      {"ready data file too short", {{"data-file", "short.ssd"}}, "", "", 3,
       "saver.ini: the installer would not install: record 8 (\"Coral Reef Aqua.ssd\"): the data file is 6 bytes"},
      {"ready data file copying the movie under a bitmap", {{"presentation", "bitmap"}}, "", "", 3,
       "entry 1 is a copy of the intro movie, but the presentation is not a movie"},
      {"record name that is no plain file name", {{"license", "lic\\x.txt"}}, "", "", 3,
       "the installer refuses a name that is not a plain file name"},
      {"entry component of dots only", {{"data-file", ""}}, "[data]\nentry = d/.../y.txt\n", "", 3,
       "the entry name 'd\\...\\y.txt' must be a relative path"},
      {"empty entry file", {{"data-file", ""}}, "[data]\nentry = empty.dll\n", "", 3,
       "empty.dll: the file is empty; an empty entry is never installed"},
      {"later copy of an entry 1 that is no movie", {{"data-file", ""}}, "[data]\nentry = reef.scf\nentry = x.swf, movie\n",
       "", 3, "entry 2 (\"x.swf\") copies entry 1, which is not the saver's movie"},
      {"unknown section", {}, "[extras]\n", "", 3, "saver.ini:16: unknown section [extras]"},
      {"override without a value", {}, "", "--set engine", 2, "--set engine: expected key=value"},
      {"override of an unknown key", {}, "", "--set colour=red", 2, "unknown key 'colour'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeManifest(c.changes, c.extra);
    ToolRun run = saverpack("build saver.ini -o out.exe " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    if (c.exitCode != 2) EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    for (const auto& entry : fs::directory_iterator(dir))
      EXPECT_EQ(entry.path().extension() == ".exe" && entry.path().filename() != "flashax.exe" &&
                    entry.path().filename() != "stub.exe" && entry.path().filename() != "short-stub.exe",
                false)
          << entry.path();
    EXPECT_FALSE(fs::exists(dir / "out.exe.saverpack-tmp"));
  }
}

TEST_F(Saverpack, CommandLineErrorsAndInformation) {
  writeBytes(dir / "stub-only.exe", Bytes(payloadOffset, 0));
  struct Case {
    std::string arguments;
    int exitCode;
    const char* text;  // in stdout for exit 0, in stderr otherwise
  } cases[] = {
      {"", 2, "no command given"},
      {"--help", 0, "exit codes: 0 ok, 1 verify found faults"},
      {"--version", 0, "saverpack "},
      {"pack saver.ini", 2, "unknown command pack"},
      {"build", 2, "build needs a manifest"},
      {"build a.ini b.ini", 2, "more than one manifest"},
      {"build a.ini -o", 2, "-o needs a value"},
      {"extract x.exe", 2, "extract takes an installer and a directory"},
      {"list missing.exe", 3, "missing.exe: cannot open"},
      {"list stub-only.exe", 3, "stub-only.exe: the file is 671744 bytes; it ends before the package directory"},
      {"build missing.ini", 3, "missing.ini: cannot open the manifest"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    ToolRun run = saverpack(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    const std::string& text = c.exitCode == 0 ? run.out : run.err;
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
  }
}

// A record or data file entry named to leave its directory: verify names the fault, and extract
// refuses before it writes anything.
TEST_F(Saverpack, NamesThatLeaveTheDirectoryAreFaultsAndNeverExtracted) {
  const Bytes good = buildWorked();
  const struct {
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* message;
  } cases[] = {
      {"record name", editDirectory([](PackageDirectory& d) { d.records[7].setFileName("../escaped.scf"); }),
       "record 7 (\"../escaped.scf\"): the name is not a plain file name"},
      {"entry name",
       [](Bytes& b) {  // the worked data file is stored: its table can be edited in place
         std::uint8_t* table = b.data() + directoryOf(b).records[8].firstByte + settingsBlockSize;
         SaverEntry entry = parseSaverEntry(table);
         entry.setFileName("..\\escaped.swf");
         serialiseSaverEntry(entry, table);
       },
       "entry \"..\\escaped.swf\": the name leaves the saver's directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir / "unpacked");
    Bytes damaged = good;
    c.damage(damaged);
    writeBytes(dir / "out.exe", damaged);
    EXPECT_EQ(saverpack("verify out.exe").exitCode, 1);
    ToolRun run = saverpack("extract out.exe unpacked");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "escaped.scf"));
    EXPECT_FALSE(fs::exists(dir / "unpacked" / "install.exe"));  // names are checked before anything is written
  }
}

TEST_F(Saverpack, AutoCompressionKeepsTheSmallerForm) {
  writeWorkedFiles();
  writeBytes(dir / "engine.scr", textContent(100000));
  writeManifest({{"compression", "auto"}});
  ToolRun run = saverpack("build saver.ini -o out.exe");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const PackageDirectory directory = directoryOf(readBytes(dir / "out.exe"));
  EXPECT_TRUE(directory.records[6].compressed());
  EXPECT_EQ(directory.records[6].size, 100000);
  EXPECT_EQ(directory.records[6].packedSize, directory.records[6].length());
  EXPECT_LT(directory.records[6].length(), 100000 / 4);
  EXPECT_FALSE(directory.records[2].compressed());  // random bytes do not shrink
  EXPECT_EQ(directory.records[2].packedSize, 0);
  EXPECT_FALSE(directory.records[1].compressed());  // the library is always stored
  ToolRun verify = saverpack("verify out.exe");
  EXPECT_EQ(verify.exitCode, 0) << verify.out;
  ASSERT_EQ(saverpack("extract out.exe unpacked").exitCode, 0);
  EXPECT_EQ(readBytes(dir / "unpacked" / "Coral Reef Aqua.scr"), textContent(100000));
}

TEST_F(Saverpack, VerifyReportsCompressedDataOfTheWrongSize) {
  writeWorkedFiles();
  writeBytes(dir / "notes.txt", textContent(3000));
  writeManifest({{"engine.compression", "compressed"}, {"data-file", ""}}, "[data]\nentry = notes.txt, compressed\n");
  ASSERT_EQ(saverpack("build saver.ini -o out.exe").exitCode, 0);
  Bytes good = readBytes(dir / "out.exe");
  const Damage damages[] = {
      {"record size",
       editDirectory([](PackageDirectory& d) { d.records[6].size += 1; }),
       "expands to 217538 bytes, the record says 217539"},
      {"record data",
       [](Bytes& b) {
         PackageDirectory d = directoryOf(b);
         b[d.records[6].firstByte] = 7;  // an unknown literal mode
       },
       "record 6 (\"Coral Reef Aqua.scr\"): the compressed data is damaged"},
      {"entry size",
       [](Bytes& b) {
         PackageDirectory d = directoryOf(b);
         std::int32_t header = d.records[8].firstByte + std::int32_t(settingsBlockSize + saverEntrySize);
         writeInt32(b.data() + header + 8, 2999);
       },
       "entry 1 (\"notes.txt\"): expands to 3000 bytes, the entry says 2999"},
  };
  expectVerifyReports(good, damages);
}

}  // namespace
