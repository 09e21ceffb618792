// The package directory and saver data file layouts: field offsets, the name rules and byte-exact
// round trips, and where each record kind lands.
#include "common/dataStructures_shared.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<std::uint8_t> randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

std::vector<std::uint8_t> zeroDirectory() { return std::vector<std::uint8_t>(packageDirectorySize, 0); }

TEST(PackageHeader, SaverNameEndsAtFirstNulOrAfter64Characters) {
  struct Case {
    std::string field;  // bytes written at offset 5, NUL-padded to 64
    std::string name;
  } cases[] = {
      {std::string(64, 'N'), std::string(64, 'N')},
      {"Aquarium", "Aquarium"},
      {std::string("ab\0cd", 5), "ab"},
      {"", ""},
  };
  for (const Case& c : cases) {
    auto bytes = zeroDirectory();
    std::memcpy(bytes.data() + 5, c.field.data(), c.field.size());
    bytes[69] = 'X';  // padding behind the field never belongs to the name
    EXPECT_EQ(parsePackageDirectory(bytes.data()).header.saverName(), c.name);
  }
}

TEST(PackageRecord, NameIsLengthByteLongAndLeftoversBehindAreIgnoredButKept) {
  auto bytes = zeroDirectory();
  std::uint8_t* record = bytes.data() + packageHeaderSize + 2 * packageRecordSize;
  record[0] = 5;
  std::memcpy(record + 1, "flashax.exe", 11);
  PackageDirectory directory = parsePackageDirectory(bytes.data());
  EXPECT_EQ(directory.records[2].fileName(), "flash");

  directory.records[2].setFileName("ab");
  EXPECT_EQ(directory.records[2].fileName(), "ab");
  std::vector<std::uint8_t> written(packageDirectorySize);
  serialisePackageDirectory(directory, written.data());
  EXPECT_EQ(written[packageHeaderSize + 2 * packageRecordSize], 2);
  EXPECT_EQ(std::memcmp(written.data() + packageHeaderSize + 2 * packageRecordSize + 1, "abash", 5), 0);

  directory.records[2].setFileName(std::string(300, 'n'));
  EXPECT_EQ(directory.records[2].fileName(), std::string(255, 'n'));
}

// Record 6 of a real package: every field at its offset, little-endian, signed.
TEST(PackageRecord, FieldsSitAtTheirOffsets) {
  auto bytes = zeroDirectory();
  std::uint8_t* record = bytes.data() + packageHeaderSize + 6 * packageRecordSize;
  record[0] = 3;
  std::memcpy(record + 1, "a.s", 3);
  writeInt32(record + 256, 1444620);
  writeInt32(record + 260, 1662157);
  writeInt32(record + 264, 2);
  record[268] = 1;
  record[269] = 7;  // only the first byte of the flag counts
  writeInt32(record + 272, 217538);
  writeInt32(record + 276, -5);
  bytes[0] = 3;
  bytes[4] = 1;
  const PackageDirectory directory = parsePackageDirectory(bytes.data());
  const PackageRecord& parsed = directory.records[6];
  EXPECT_EQ(directory.header.presentation, 3);
  EXPECT_EQ(directory.header.offerDisplayPanel, 1);
  EXPECT_EQ(parsed.fileName(), "a.s");
  EXPECT_EQ(parsed.firstByte, 1444620);
  EXPECT_EQ(parsed.lastByte, 1662157);
  EXPECT_EQ(parsed.length(), 217538);
  EXPECT_EQ(parsed.kind, 2);
  EXPECT_TRUE(parsed.compressed());
  EXPECT_EQ(parsed.packedSize, 217538);
  EXPECT_EQ(parsed.size, -5);

  record[268] = 0;
  EXPECT_FALSE(parsePackageDirectory(bytes.data()).records[6].compressed());
}

TEST(PackageDirectory, ParseThenSerialiseReproducesEveryByteButThePadding) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    auto bytes = randomBytes(packageDirectorySize, seed);
    std::memset(bytes.data() + 69, 0, 3);  // header padding is always written as zero
    std::vector<std::uint8_t> written(packageDirectorySize);
    serialisePackageDirectory(parsePackageDirectory(bytes.data()), written.data());
    EXPECT_EQ(written, bytes) << "seed " << seed;
  }
}

TEST(SaverDataLayout, ParseThenSerialiseReproducesEntriesAndHeaders) {
  auto entry = randomBytes(saverEntrySize, 7);
  entry[1] = entry[258] = entry[259] = 0;  // reserved and padding
  std::vector<std::uint8_t> written(saverEntrySize);
  serialiseSaverEntry(parseSaverEntry(entry.data()), written.data());
  EXPECT_EQ(written, entry);

  auto header = randomBytes(entryHeaderSize, 8);
  std::memset(header.data() + 4, 0, 4);
  std::memset(header.data() + 20, 0, 24);
  written.assign(entryHeaderSize, 0);
  serialiseEntryHeader(parseEntryHeader(header.data()), written.data());
  EXPECT_EQ(written, header);
}

TEST(SaverDataLayout, FieldsSitAtTheirOffsets) {
  SettingsBlock block;
  block.setEntryCount(1009);
  block.setSaverKind(3);
  EXPECT_EQ(readInt32(block.bytes.data() + 212), 1009);
  EXPECT_EQ(readInt32(block.bytes.data() + 1204), 3);

  std::vector<std::uint8_t> bytes(saverEntrySize, 0);
  bytes[0] = 3;
  std::memcpy(bytes.data() + 2, "movies\\sea.swf", 14);
  writeInt32(bytes.data() + 260, 1504);
  SaverEntry entry = parseSaverEntry(bytes.data());
  EXPECT_EQ(entry.kind, 3);
  EXPECT_EQ(entry.fileName(), "movies\\sea.swf");
  EXPECT_EQ(entry.dataOffset, 1504);

  std::memset(bytes.data() + 2, 'x', 256);  // no NUL: all 256 characters
  EXPECT_EQ(parseSaverEntry(bytes.data()).fileName(), std::string(256, 'x'));

  EntryHeader header;
  header.size = 532480;
  header.packedSize = 217538;
  header.compressed = 1;
  std::vector<std::uint8_t> written(entryHeaderSize);
  serialiseEntryHeader(header, written.data());
  EXPECT_EQ(std::memcmp(written.data(), "CHUN", 4), 0);
  EXPECT_EQ(readInt32(written.data() + 8), 532480);
  EXPECT_EQ(readInt32(written.data() + 12), 217538);
  EXPECT_EQ(readInt32(written.data() + 16), 1);
}

TEST(RecordDestination, KindAndExactNameChooseTheTarget) {
  struct Case {
    std::int32_t kind;
    const char* name;
    RecordTarget directory;
    const char* target;
  } cases[] = {
      {1, "sea.scf", RecordTarget::saverDir, "sea.scf"},
      {2, "Sea.scr", RecordTarget::systemDir, "Sea.scr"},
      {3, "flashax.exe", RecordTarget::workDir, "flashax.exe"},
      {3, "FLASHAX.EXE", RecordTarget::systemDir, "FLASHAX.dll"},
      {3, "player.ocx", RecordTarget::systemDir, "player.dll"},
      {3, "v1.2.player.bin", RecordTarget::systemDir, "v1.2.player.dll"},
      {3, "noextension", RecordTarget::systemDir, "noextension.dll"},
      {4, "impborl.dat", RecordTarget::workDir, "impborl.dll"},
      {4, "IMPBORL.DAT", RecordTarget::workDir, "IMPBORL.DAT"},
      {4, "Sea.ssd", RecordTarget::workDir, "Sea.ssd"},
      {5, "saver1.dll", RecordTarget::saverDir, "saver1.dll"},
      {6, "install.exe", RecordTarget::saverDir, "install.exe"},
      {7, "installer.swf", RecordTarget::workDir, "installer.swf"},
      {10, "extra.bin", RecordTarget::saverDir, "extra.bin"},
      {0, "a", RecordTarget::none, "a"},
      {8, "a", RecordTarget::none, "a"},
      {9, "a", RecordTarget::none, "a"},
      {11, "a", RecordTarget::none, "a"},
      {-1, "a", RecordTarget::none, "a"},
  };
  for (const Case& c : cases) {
    RecordDestination destination = recordDestination(c.kind, c.name);
    EXPECT_EQ(destination.directory, c.directory) << c.kind << " " << c.name;
    if (c.directory != RecordTarget::none) EXPECT_EQ(destination.fileName, c.target) << c.kind << " " << c.name;
  }
}

}  // namespace
