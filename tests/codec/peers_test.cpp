// Our codec against three independent peers, used as black boxes: StormLib (implode and explode, in
// its own process so its symbols never meet ours), libdynamite (explode, binary mode) and
// node-pkware (explode). Our streams must expand identically with every peer, and StormLib's
// streams identically with ours, over runs, text, real Windows programs, random data and a file
// larger than 8 MB, in each literal mode and dictionary size.
#include "codec/dclBuffer.h"
#include "tests/codec/dclTestSupport.h"

extern "C" {
#include <libdynamite.h>
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace dcltest;
namespace fs = std::filesystem;

namespace {

const char* const wineDlls = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";

struct Combination {
  dcl::LiteralMode mode;
  unsigned dictionary;
};
const std::vector<Combination> everyCombination = {
    {dcl::LiteralMode::binary, 1024}, {dcl::LiteralMode::binary, 2048}, {dcl::LiteralMode::binary, 4096},
    {dcl::LiteralMode::ascii, 1024},  {dcl::LiteralMode::ascii, 2048},  {dcl::LiteralMode::ascii, 4096}};

struct CorpusFile {
  std::string name;
  Bytes data;
  std::vector<Combination> combinations;
};

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
}

// Large files run in two combinations only, to keep the test quick.
std::vector<CorpusFile> corpus() {
  std::vector<CorpusFile> files = {
      {"empty", {}, everyCombination},
      {"one byte", {'A'}, everyCombination},
      {"two bytes", {0, 0}, everyCombination},
      {"run", Bytes(70000, 'a'), everyCombination},
      {"text", englishText(120000, 9), {{dcl::LiteralMode::ascii, 1024}, {dcl::LiteralMode::binary, 4096}, {dcl::LiteralMode::ascii, 4096}}},
      {"random", randomBytes(60000, 4), everyCombination},
      {"structured", structuredBinary(300000, 8), everyCombination},
  };
  const std::vector<Combination> two = {{dcl::LiteralMode::binary, 4096}, {dcl::LiteralMode::ascii, 1024}};
  Bytes program = readFile(fs::path(wineDlls) / "notepad.exe");
  program.resize(std::min<std::size_t>(program.size(), 150000));
  files.push_back({"notepad.exe, first 150000 bytes", program, {{dcl::LiteralMode::binary, 4096}, {dcl::LiteralMode::ascii, 1024}, {dcl::LiteralMode::binary, 1024}}});
  files.push_back({"version.dll", readFile(fs::path(wineDlls) / "version.dll"), everyCombination});
  files.push_back({"kernel32.dll", readFile(fs::path(wineDlls) / "kernel32.dll"), two});
  // Over 8 MB of programs, so streams run through thousands of window slides and output pieces.
  Bytes large;
  for (const char* name : {"kernel32.dll", "msvcrt.dll", "winmm.dll", "advapi32.dll"}) {
    Bytes part = readFile(fs::path(wineDlls) / name);
    large.insert(large.end(), part.begin(), part.end());
  }
  files.push_back({"programs over 8 MB", large, {{dcl::LiteralMode::binary, 4096}}});
  return files;
}

struct ScratchDir {
  ScratchDir() {
    char pattern[] = "/tmp/dclpeers-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~ScratchDir() { fs::remove_all(path); }
  fs::path path;
};

int run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// dynamite loops forever on a truncated stream; the output limit stops it should that ever happen.
struct DynamiteIo {
  const Bytes& in;
  std::size_t position;
  Bytes out;
  std::size_t limit;
};

size_t dynamiteRead(void* buffer, size_t size, void* cookie) {
  auto* io = static_cast<DynamiteIo*>(cookie);
  size_t n = std::min(size, io->in.size() - io->position);
  std::memcpy(buffer, io->in.data() + io->position, n);
  io->position += n;
  return n;
}

size_t dynamiteWrite(void* buffer, size_t size, void* cookie) {
  auto* io = static_cast<DynamiteIo*>(cookie);
  if (io->out.size() + size > io->limit) return 0;
  io->out.insert(io->out.end(), static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + size);
  return size;
}

std::string label(const CorpusFile& f, const Combination& c) {
  return f.name + (c.mode == dcl::LiteralMode::ascii ? " ascii " : " binary ") + std::to_string(c.dictionary);
}

TEST(DclPeers, OurStreamsExpandIdenticallyWithEveryPeer) {
  ASSERT_TRUE(fs::exists(NODE_DIR "/node_modules/node-pkware")) << "run scripts/setup (npm ci in " NODE_DIR ")";
  ScratchDir dir;
  std::vector<CorpusFile> files = corpus();
  std::string nodeCommand = "node " NODE_DIR "/explode.mjs";
  struct Case {
    std::string label;
    const Bytes* expected;
    fs::path packed;
    bool viaNode;
  };
  std::vector<Case> cases;
  for (const CorpusFile& f : files) {
    for (const Combination& c : f.combinations) {
      Bytes packed = dcl::implodeBuffer(f.data.data(), f.data.size(), c.mode, c.dictionary);
      fs::path path = dir.path / (std::to_string(cases.size()) + ".pk");
      writeFile(path, packed);
      cases.push_back({label(f, c), &f.data, path, false});
      // node-pkware's time grows with the square of the output: small files only.
      bool viaNode = f.data.size() <= 70000 || (f.data.size() <= 160000 && &c - f.combinations.data() < 2);
      if (viaNode) nodeCommand += " " + path.string() + " " + path.string() + ".node";
      cases.back().viaNode = viaNode;
      if (c.mode == dcl::LiteralMode::binary) {
        DynamiteIo io{packed, 0, {}, f.data.size() + 1};
        EXPECT_EQ(dynamite_explode(dynamiteRead, dynamiteWrite, &io), DYNAMITE_SUCCESS) << cases.back().label;
        EXPECT_TRUE(io.out == f.data) << "dynamite: " << cases.back().label;
      }
    }
  }
  ASSERT_EQ(run(nodeCommand), 0);
  for (const Case& c : cases) {
    if (c.viaNode) EXPECT_TRUE(readFile(c.packed.string() + ".node") == *c.expected) << "node-pkware: " << c.label;
    // The 4-byte stream of empty input is refused at the first read, by StormLib as by the original.
    int status = run(std::string(STORM_PEER " explode ") + c.packed.string() + " " + c.packed.string() + ".storm");
    EXPECT_EQ(status, c.expected->empty() ? 3 : 0) << "StormLib: " << c.label;
    EXPECT_TRUE(readFile(c.packed.string() + ".storm") == *c.expected) << "StormLib: " << c.label;
  }
}

TEST(DclPeers, StormLibStreamsExpandIdenticallyWithOurs) {
  ScratchDir dir;
  for (const CorpusFile& f : corpus()) {
    fs::path input = dir.path / "input";
    writeFile(input, f.data);
    for (const Combination& c : f.combinations) {
      fs::path packed = dir.path / "packed";
      ASSERT_EQ(run(std::string(STORM_PEER " implode ") + std::to_string(unsigned(c.mode)) + " " +
                    std::to_string(c.dictionary) + " " + input.string() + " " + packed.string()),
                0);
      Bytes stream = readFile(packed), out;
      EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), f.data.empty() ? 3u : 0u) << label(f, c);
      EXPECT_TRUE(out == f.data) << label(f, c);
    }
  }
}

}  // namespace
