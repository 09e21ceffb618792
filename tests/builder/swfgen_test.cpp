// swfgen's movies read the way the installer's movie panel reads SWF headers, and the sample
// movies in samples/media are what swfgen makes today.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string bytes = text.str();
  return Bytes(bytes.begin(), bytes.end());
}

unsigned read16(const Bytes& bytes, std::size_t at) { return bytes[at] | bytes[at + 1] << 8; }
std::uint32_t read32(const Bytes& bytes, std::size_t at) { return read16(bytes, at) | std::uint32_t(read16(bytes, at + 2)) << 16; }

Bytes inflateAll(const std::uint8_t* data, std::size_t size, std::size_t expected) {
  Bytes out(expected);
  uLongf outSize = uLongf(expected);
  EXPECT_EQ(uncompress(out.data(), &outSize, data, uLong(size)), Z_OK);
  out.resize(outSize);
  return out;
}

fs::path makeMovie(const std::string& name, const std::string& arguments) {
  fs::path path = fs::temp_directory_path() / ("swfgen-test-" + std::to_string(getpid()) + "-" + name);
  std::string command = std::string(SWFGEN_PATH) + " " + arguments + " '" + path.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

struct Movie {
  std::string signature;
  int version = 0;
  std::uint32_t fileLength = 0;
  int widthTwips = 0, heightTwips = 0;
  unsigned frameRate = 0, frameCount = 0;
  std::vector<std::pair<unsigned, Bytes>> tags;  // code, body
};

// Reads an FWS image (or a CWS one after inflating it) field by field.
Movie readMovie(Bytes file) {
  Movie movie;
  movie.signature.assign(file.begin(), file.begin() + 3);
  movie.version = file[3];
  movie.fileLength = read32(file, 4);
  if (movie.signature == "CWS") {
    Bytes body = inflateAll(file.data() + 8, file.size() - 8, movie.fileLength - 8);
    file.resize(8);
    file.insert(file.end(), body.begin(), body.end());
  }
  EXPECT_EQ(file.size(), movie.fileLength);
  int bits = file[8] >> 3;
  std::size_t rectLength = (4 * bits + 5) / 8 + 1;
  auto field = [&](int index) {  // the index-th signed field of the RECT, most significant bit first
    std::int64_t value = 0;
    for (int i = 0; i < bits; ++i) {
      std::size_t bit = 5 + std::size_t(index) * bits + i;
      value = value << 1 | ((file[8 + bit / 8] >> (7 - bit % 8)) & 1);
    }
    if (value >> (bits - 1)) value -= std::int64_t(1) << bits;
    return int(value);
  };
  EXPECT_EQ(field(0), 0);
  EXPECT_EQ(field(2), 0);
  movie.widthTwips = field(1);
  movie.heightTwips = field(3);
  std::size_t at = 8 + rectLength;
  movie.frameRate = read16(file, at) >> 8;
  movie.frameCount = read16(file, at + 2);
  at += 4;
  while (at + 2 <= file.size()) {
    unsigned header = read16(file, at);
    std::size_t length = header & 63;
    at += 2;
    movie.tags.emplace_back(header >> 6, Bytes(file.begin() + at, file.begin() + at + length));
    at += length;
    if ((header >> 6) == 0) break;
  }
  EXPECT_EQ(at, file.size());
  return movie;
}

TEST(Swfgen, MovieHeaderAndTagsReadBackInBothForms) {
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "CWS" : "FWS");
    fs::path path = makeMovie(compressed ? "c.swf" : "f.swf",
                              std::string(compressed ? "--compressed " : "") +
                                  "--size 400x300 --rate 24 --frames 3 --background 123456 --version 7");
    Movie movie = readMovie(readBytes(path));
    fs::remove(path);
    EXPECT_EQ(movie.signature, compressed ? "CWS" : "FWS");
    EXPECT_EQ(movie.version, 7);
    EXPECT_EQ(movie.widthTwips, 8000);
    EXPECT_EQ(movie.heightTwips, 6000);
    EXPECT_EQ(movie.frameRate, 24u);
    EXPECT_EQ(movie.frameCount, 3u);
    ASSERT_EQ(movie.tags.size(), 5u);
    EXPECT_EQ(movie.tags[0].first, 9u);
    EXPECT_EQ(movie.tags[0].second, (Bytes{0x12, 0x34, 0x56}));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(movie.tags[i].first, 1u);
    EXPECT_EQ(movie.tags[4].first, 0u);
  }
}

TEST(Swfgen, SampleMoviesAreReproducible) {
  const std::pair<const char*, const char*> samples[] = {
      {"intro.swf", "--background 0A2A5A --frames 24"},
      {"intro-cws.swf", "--compressed --background 0A2A5A --frames 24"},
  };
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.first);
    fs::path path = makeMovie(sample.first, sample.second);
    EXPECT_EQ(readBytes(path), readBytes(fs::path(SAMPLES_DIR) / "media" / sample.first));
    Movie movie = readMovie(readBytes(path));
    EXPECT_EQ(movie.version, 6);
    EXPECT_EQ(movie.widthTwips, 350 * 20);
    EXPECT_EQ(movie.heightTwips, 150 * 20);
    fs::remove(path);
  }
}

}  // namespace
