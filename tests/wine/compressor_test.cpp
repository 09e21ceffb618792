// TCompressor against the real impborl.dll of this build and against libraries it must refuse,
// each copied into a scratch directory as "impborl.dll".
#include "codec/dclBuffer.h"
#include "common/applicationFailure.h"
#include "package/pk_stuff.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string sampleData() {
  std::mt19937 random(5);
  std::string data;
  while (data.size() < 150000) {
    data += "record " + std::to_string(data.size()) + " of the saver's data; ";
    for (int i = 0; i < 8; ++i) data += static_cast<char>(random() % 64);
  }
  return data;
}

std::string packed(const std::string& data) {
  auto bytes = dcl::implodeBuffer(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
                                  dcl::LiteralMode::binary, 4096);
  return std::string(bytes.begin(), bytes.end());
}

void copyLibrary(const std::string& from, const std::string& dir) {
  ASSERT_TRUE(CopyFileA(from.c_str(), (dir + "impborl.dll").c_str(), FALSE)) << from;
}

TEST(Compressor, RefusesMissingUnloadableAndIncompleteLibraries) {
  const struct {
    const char* name;
    const char* source;  // file copied in as impborl.dll; nullptr: none, "": not a program
  } cases[] = {{"no library", nullptr}, {"not a program", ""}, {"no _crc32 export", "partial_impborl.dll"}};
  for (const auto& c : cases) {
    testlib::ScratchDir dir("compressor");
    std::string library = dir / "impborl.dll";
    if (c.source && *c.source) copyLibrary(testlib::programDir() + c.source, dir.path());
    if (c.source && !*c.source) testlib::writeFile(library, "MZ but nothing more");
    {
      TCompressor compressor(dir.path());
      EXPECT_FALSE(compressor.loaded) << c.name;
      EXPECT_EQ(GetModuleHandleA(library.c_str()), nullptr) << c.name << ": left loaded";
    }
  }
}

TEST(Compressor, ExpandsPackedDataByteExactAndUnloadsAfterwards) {
  testlib::ScratchDir dir("compressor");
  copyLibrary(testlib::programDir() + "impborl.dll", dir.path());
  std::string data = sampleData(), input = packed(data);
  {
    TCompressor compressor(dir.path());
    ASSERT_TRUE(compressor.loaded);
    EXPECT_NE(GetModuleHandleA((dir / "impborl.dll").c_str()), nullptr);
    EXPECT_EQ(compressor.expandToFile(dir / "out.bin", reinterpret_cast<const std::uint8_t*>(input.data()),
                                      input.size()),
              0);
  }
  EXPECT_EQ(GetModuleHandleA((dir / "impborl.dll").c_str()), nullptr);
  EXPECT_TRUE(testlib::readFile(dir / "out.bin") == data);
}

TEST(Compressor, PackedDataThatEndsEarlyGivesAShorterFileAndStillSucceeds) {
  testlib::ScratchDir dir("compressor");
  copyLibrary(testlib::programDir() + "impborl.dll", dir.path());
  std::string data = sampleData(), input = packed(data);
  input.resize(input.size() / 2);
  TCompressor compressor(dir.path());
  ASSERT_TRUE(compressor.loaded);
  // An existing file is replaced, not appended to.
  testlib::writeFile(dir / "out.bin", std::string(300000, 'z'));
  EXPECT_EQ(compressor.expandToFile(dir / "out.bin", reinterpret_cast<const std::uint8_t*>(input.data()),
                                    input.size()),
            0);
  std::string out = testlib::readFile(dir / "out.bin");
  EXPECT_GT(out.size(), 0u);
  EXPECT_LT(out.size(), data.size());
  EXPECT_TRUE(data.compare(0, out.size(), out) == 0) << "not a prefix of the data";
}

TEST(Compressor, OutputThatCannotBeCreatedLeavesAsApplicationFailure) {
  testlib::ScratchDir dir("compressor");
  copyLibrary(testlib::programDir() + "impborl.dll", dir.path());
  std::string input = packed("some data");
  TCompressor compressor(dir.path());
  ASSERT_TRUE(compressor.loaded);
  std::string path = dir / "missing\\out.bin";
  try {
    compressor.expandToFile(path, reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    FAIL() << "no failure";
  } catch (const ApplicationFailure& failure) {
    EXPECT_EQ(failure.message(), "Cannot create file " + path);
    EXPECT_EQ(failure.code(), ERROR_PATH_NOT_FOUND);
  }
}

}  // namespace
