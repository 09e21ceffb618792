// saverpack.exe's compressed records and data file entries expand, through the shipped
// decompression library impborl.dll and the installer's TCompressor, to the original files.
#include "common/constants_shared.h"
#include "common/dataStructures_shared.h"
#include "package/pk_stuff.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string textContent(std::size_t size, const std::string& line) {
  std::string text;
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

std::string binaryContent(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<char>((seed >> 16) % 7 == 0 ? seed >> 8 : i % 17);  // compressible, not trivial
  }
  return bytes;
}

// Expands packed bytes through the library beside the test programs; "" when that fails.
std::string expand(const testlib::ScratchDir& scratch, const std::string& packed, const std::string& name) {
  TCompressor compressor(testlib::programDir());
  EXPECT_TRUE(compressor.loaded);
  if (!compressor.loaded) return std::string();
  std::string path = scratch / name;
  EXPECT_EQ(compressor.expandToFile(path, reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size()), 0);
  return testlib::readFile(path);
}

TEST(PackageThroughLibrary, CompressedRecordsAndEntriesExpandToTheirFiles) {
  testlib::ScratchDir scratch("saverpack-library");
  const std::pair<const char*, std::string> inputs[] = {
      {"stub.exe", std::string(payloadOffset, 'S')},
      {"impborl.dll", binaryContent(9000, 1)},
      {"flashax.exe", binaryContent(70000, 2)},
      {"intro.swf", textContent(5000, "FWS movie frames ")},
      {"license.txt", textContent(3000, "You may use this saver freely.\r\n")},
      {"engine.scr", binaryContent(120000, 3)},
      {"reef.scf", textContent(700, "companion ")},
      {"saver1.dll", binaryContent(30000, 4)},
      {"saver2.dll", binaryContent(20000, 5)},
      {"notes.txt", textContent(40000, "Notes on the reef, line after line.\r\n")},
  };
  for (const auto& input : inputs) testlib::writeFile(scratch / input.first, input.second);
  testlib::writeFile(scratch / "saver.ini",
                     "name = Reef\npresentation = movie\nstub = stub.exe\nlibrary = impborl.dll\n"
                     "flash-installer = flashax.exe\nintro = intro.swf\nlicense = license.txt\nengine = engine.scr\n"
                     "companion = reef.scf\nsaver1 = saver1.dll\nsaver2 = saver2.dll\ncompression = compressed\n"
                     "[data]\nentry = notes.txt, compressed\n");
  std::string command = "\"" + testlib::programDir() + "saverpack.exe\" build \"" + (scratch / "saver.ini") +
                        "\" -o \"" + (scratch / "out.exe") + "\"";
  ASSERT_EQ(testlib::runProcess(command), 0u);

  const std::string installer = testlib::readFile(scratch / "out.exe");
  ASSERT_GT(installer.size(), payloadOffset + packageDirectorySize);
  const PackageDirectory directory =
      parsePackageDirectory(reinterpret_cast<const std::uint8_t*>(installer.data()) + payloadOffset);
  const char* sources[packageRecordCount] = {"stub.exe", "impborl.dll", "flashax.exe", "intro.swf", "license.txt",
                                             nullptr, "engine.scr", "reef.scf", nullptr, "saver1.dll", "saver2.dll"};
  std::string dataFile;
  for (int i = 0; i < packageRecordCount; ++i) {
    const PackageRecord& record = directory.records[i];
    SCOPED_TRACE("record " + std::to_string(i));
    if (record.nameLength == 0) continue;
    std::string bytes = installer.substr(std::size_t(record.firstByte), std::size_t(record.length()));
    EXPECT_EQ(record.compressed(), i >= 2) << "all but the stub and the library are compressed";
    std::string content = record.compressed() ? expand(scratch, bytes, "record" + std::to_string(i)) : bytes;
    EXPECT_EQ(content.size(), std::size_t(record.size));
    if (sources[i]) {
      EXPECT_TRUE(content == testlib::readFile(scratch / sources[i]));
    }
    if (i == 8) dataFile = content;
  }

  ASSERT_GT(dataFile.size(), settingsBlockSize + saverEntrySize + entryHeaderSize);
  const auto* data = reinterpret_cast<const std::uint8_t*>(dataFile.data());
  SaverEntry entry = parseSaverEntry(data + settingsBlockSize);
  EntryHeader header = parseEntryHeader(data + entry.dataOffset);
  ASSERT_NE(header.compressed, 0);
  std::string packed = dataFile.substr(std::size_t(entry.dataOffset) + entryHeaderSize, std::size_t(header.packedSize));
  std::string notes = expand(scratch, packed, "notes-expanded.txt");
  EXPECT_EQ(notes.size(), std::size_t(header.size));
  EXPECT_TRUE(notes == testlib::readFile(scratch / "notes.txt"));
}

}  // namespace
