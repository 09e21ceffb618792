// The codec against the format's known streams, its library interface contract (callback sizes,
// status codes, work buffers), malformed streams, round trips and the CRC.
#include "codec/dcl.h"
#include "codec/dclBuffer.h"
#include "tests/codec/dclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace dcltest;

namespace {

// Known streams with what they decode to and their tokens ('_' is a space).
struct Vector {
  const char* name;
  const char* hex;
  std::string expanded;
  const char* tokens;
};

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const Vector vectors[] = {
    {"V1", "00 04 82 24 25 8f 80 7f", "AIAIAIAIAIAIA", "A I (11,2) END"},
    {"V2", "00 06 82 24 09 92 34 0f fd 11 f0 0f", "AIAIAIAIAIAIA", "A I A I (4,4) (5,8) END"},
    {"V3", "01 05 50 6c d3 d4 f1 3d a5 6c e6 e6 e1 75 cd a4 83 32 e0 1f", "Hello, hello, hello world!",
     "H e l l o , _ h (7,7) (4,14) _ w o r l d ! END"},
    {"V4", "00 04 00 00 00 f8 52 af 98 37 42 9f 00 02 eb b4 1f f0 0f",
     std::string(40, '\0') + std::string("\x01\x02\x00\x00\x01\x02", 6), nullptr},
    {"V5", "01 04 0a c5 f6 0c 47 f1 ea 1f dd f0 b3 93 37 0b 8c 7a 9c be 0d ae ff d4 68 eb 8d 17 f0 0f",
     "the cat sat on the mat; the cat ate the rat.",
     "t h e _ c a t _ s (3,4) o n _ (4,15) m (2,15) ; (5,9) (4,24) (2,27) (2,32) (4,36) r (2,36) . END"},
    {"V6",
     "00 05 e8 a0 29 03 62 4c 18 3a 20 e6 fe f0 c6 0d c8 ec b4 6d d6 4e 8f e6 bb c1 f5 9f 1e e4 d6 9b 4b c0 3f",
     "the cat sat on the mat; the cat ate the rat.",
     "t h e _ c a t _ s (3,4) o n _ (4,15) m (2,15) ; (5,9) (4,24) (2,27) (2,32) (4,36) r (2,36) . END"},
    {"V7", "00 04 f0 02 fc 87 80 7f", std::string(519, 'x'), "x (518,1) END"},
    {"V8", "01 06 0e 33 80 ff 20 e0 1f", repeat("ab", 259), "a b (516,2) END"},
};

std::string asString(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(DclVectors, ExpandToTheKnownText) {
  for (const Vector& v : vectors) {
    Bytes out;
    Bytes stream = fromHex(v.hex);
    EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), 0u) << v.name;
    EXPECT_EQ(asString(out), v.expanded) << v.name;
  }
}

// The test's own reader derives the codes from their bit lengths, so this also checks the codec's
// code tables against the canonical construction.
TEST(DclVectors, TokensReadByIndependentDecoder) {
  for (const Vector& v : vectors) {
    if (v.tokens) EXPECT_EQ(describe(readTokens(fromHex(v.hex))), v.tokens) << v.name;
  }
}

TEST(DclVectors, EmptyStreamIsRefusedAsTheOriginalDoes) {
  // The 4-byte empty-input stream ends at the first read of <= 4 bytes.
  Bytes stream = fromHex("00 04 01 ff"), out;
  EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), unsigned{CMP_BAD_DATA});
  EXPECT_TRUE(out.empty());
}

TEST(DclImplode, EmptyAndOneByteInputs) {
  EXPECT_EQ(dcl::implodeBuffer(nullptr, 0, dcl::LiteralMode::binary, 1024), fromHex("00 04 01 ff"));
  EXPECT_EQ(dcl::implodeBuffer(nullptr, 0, dcl::LiteralMode::ascii, 4096), fromHex("01 06 01 ff"));
  const std::uint8_t a = 'A';
  EXPECT_EQ(dcl::implodeBuffer(&a, 1, dcl::LiteralMode::binary, 1024), fromHex("00 04 82 02 fe 01"));
}

// Malformed streams, named after the fault; output is what was decoded before it.
struct Malformed {
  const char* name;
  const char* hex;
  unsigned status;
  std::string expanded;
};

const Malformed malformed[] = {
    {"FirstReadOfFourBytes", "00 04 82 24", CMP_BAD_DATA, ""},
    {"NoInput", "", CMP_BAD_DATA, ""},
    {"DictionaryCodeThree", "00 03 82 24 25 8f 80 7f", CMP_INVALID_DICTSIZE, ""},
    {"DictionaryCodeSeven", "00 07 82 24 25 8f 80 7f", CMP_INVALID_DICTSIZE, ""},
    {"ModeTwo", "02 04 82 24 25 8f 80 7f", CMP_INVALID_MODE, ""},
    {"DictionaryCheckedBeforeMode", "ff ff 82 24 25 8f 80 7f", CMP_INVALID_DICTSIZE, ""},
    {"EndMarkerCutShort", "00 04 82 24 25 8f 80", CMP_ABORT, "AIAIAIAIAIAIA"},
    {"EndsInsideLiteral", "00 04 82 08 19 9a 05", CMP_ABORT, "ABCABCA"},
    {"EndsInsideMatch", "00 04 82 24 25", CMP_ABORT, "AI"},
    {"DistanceBeforeOutputStart", "00 04 82 7e 04 fc 03", CMP_BAD_DATA, "A"},
    {"DistanceOnEmptyOutput", "00 04 3b 01 ff", CMP_BAD_DATA, ""},
};

TEST(DclExplode, MalformedStreamsStopWithTheirStatus) {
  for (const Malformed& m : malformed) {
    Bytes stream = fromHex(m.hex), out;
    EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), m.status) << m.name;
    EXPECT_EQ(asString(out), m.expanded) << m.name;
  }
}

TEST(DclExplode, AcceptsDistanceReachingExactlyTheFirstByte) {
  Bytes stream = fromHex("00 04 82 08 fd 08 f8 07"), out;
  EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), 0u);
  EXPECT_EQ(asString(out), "ABABA");
}

TEST(DclExplode, IgnoresBytesAfterTheEndMarker) {
  Bytes stream = fromHex("00 04 82 24 25 8f 80 7f de ad be ef"), out;
  EXPECT_EQ(dcl::explodeBuffer(stream.data(), stream.size(), out), 0u);
  EXPECT_EQ(asString(out), "AIAIAIAIAIAIA");
}

// Callback plumbing with a record of every request.
struct Plumbing {
  Bytes input;
  std::size_t position = 0;
  std::vector<unsigned> chunks;  // sizes delivered by read after the first, cycled
  std::size_t chunkIndex = 0;
  bool firstRead = true;
  unsigned firstReadSize = 0;  // 0: as much as asked
  std::vector<unsigned> asked, written;
  Bytes output;
  bool readAfterEnd = false, ended = false;
};

unsigned int plumbingRead(char* buf, unsigned int* size, void* param) {
  auto* p = static_cast<Plumbing*>(param);
  p->asked.push_back(*size);
  if (p->ended) p->readAfterEnd = true;
  unsigned n = *size;
  if (p->firstRead && p->firstReadSize) n = std::min(n, p->firstReadSize);
  if (!p->firstRead && !p->chunks.empty()) n = std::min(n, p->chunks[p->chunkIndex++ % p->chunks.size()]);
  p->firstRead = false;
  n = static_cast<unsigned>(std::min<std::size_t>(n, p->input.size() - p->position));
  std::memcpy(buf, p->input.data() + p->position, n);
  p->position += n;
  if (n == 0) p->ended = true;
  return n;
}

void plumbingWrite(char* buf, unsigned int* size, void* param) {
  auto* p = static_cast<Plumbing*>(param);
  p->written.push_back(*size);
  p->output.insert(p->output.end(), buf, buf + *size);
}

TEST(DclExplode, SmallReadsAfterTheFirstAndFullSizeWrites) {
  Bytes data = structuredBinary(30000, 7);
  Plumbing p;
  p.input = dcl::implodeBuffer(data.data(), data.size(), dcl::LiteralMode::binary, 2048);
  p.firstReadSize = 5;
  p.chunks = {1, 2, 3, 7};
  std::vector<char> work(EXP_BUFFER_SIZE, '\x5a');
  EXPECT_EQ(explode(plumbingRead, plumbingWrite, work.data(), &p), 0u);
  EXPECT_EQ(p.output, data);
  for (unsigned a : p.asked) EXPECT_EQ(a, 2048u);
  ASSERT_EQ(p.written.size(), 30000u / 4096 + 1);
  for (std::size_t i = 0; i + 1 < p.written.size(); ++i) EXPECT_EQ(p.written[i], 4096u);
  EXPECT_EQ(p.written.back(), 30000u % 4096);
}

TEST(DclImplode, AsksForTheRestOfABlockAndWritesWholePieces) {
  Plumbing p;
  p.input = englishText(20000, 3);
  p.chunks = {1000, 333};
  p.firstReadSize = 100;
  std::vector<char> work(CMP_BUFFER_SIZE);
  unsigned type = CMP_ASCII, dsize = 4096;
  EXPECT_EQ(implode(plumbingRead, plumbingWrite, work.data(), &p, &type, &dsize), 0u);
  EXPECT_FALSE(p.readAfterEnd);
  ASSERT_GE(p.asked.size(), 3u);
  EXPECT_EQ(p.asked[0], 4096u);
  EXPECT_EQ(p.asked[1], 4096u - 100);
  EXPECT_EQ(p.asked[2], 4096u - 1100);
  for (std::size_t i = 0; i + 1 < p.written.size(); ++i) EXPECT_EQ(p.written[i], 2048u);
  Bytes back;
  EXPECT_EQ(dcl::explodeBuffer(p.output.data(), p.output.size(), back), 0u);
  EXPECT_EQ(back, p.input);
}

TEST(DclImplode, RejectsDictionarySizeBeforeMode) {
  const struct {
    unsigned type, dsize, status;
  } cases[] = {{0, 512, CMP_INVALID_DICTSIZE}, {2, 1000, CMP_INVALID_DICTSIZE}, {2, 1024, CMP_INVALID_MODE},
               {7, 4096, CMP_INVALID_MODE}};
  for (const auto& c : cases) {
    Plumbing p;
    std::vector<char> work(CMP_BUFFER_SIZE);
    unsigned type = c.type, dsize = c.dsize;
    EXPECT_EQ(implode(plumbingRead, plumbingWrite, work.data(), &p, &type, &dsize), c.status);
    EXPECT_TRUE(p.asked.empty());
    EXPECT_TRUE(p.written.empty());
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(dsize, c.dsize);
  }
}

// The output depends only on the input: not on stale work-buffer contents or its alignment.
TEST(DclImplode, OutputIndependentOfWorkBufferContentsAndAlignment) {
  Bytes data = structuredBinary(70000, 11);
  Bytes reference;
  for (int fill : {0x00, 0xff, 0x37}) {
    for (int offset : {0, 1, 3}) {
      std::vector<char> work(CMP_BUFFER_SIZE + offset, static_cast<char>(fill));
      Plumbing p;
      p.input = data;
      unsigned type = CMP_BINARY, dsize = 4096;
      implode(plumbingRead, plumbingWrite, work.data() + offset, &p, &type, &dsize);
      if (reference.empty()) reference = p.output;
      EXPECT_EQ(p.output, reference) << fill << " " << offset;
    }
  }
}

struct Sample {
  const char* name;
  Bytes data;
};

std::vector<Sample> samples() {
  return {{"one byte", {0x41}},
          {"two bytes", {0x00, 0x00}},
          {"run of 100000", Bytes(100000, 0x20)},
          {"text", englishText(50000, 1)},
          {"random", randomBytes(20000, 2)},
          {"structured", structuredBinary(200000, 3)},
          {"all byte values", [] {
             Bytes b;
             for (int r = 0; r < 40; ++r)
               for (int i = 0; i < 256; ++i) b.push_back(static_cast<std::uint8_t>(i * r));
             return b;
           }()}};
}

// Round trips in every mode and dictionary size; the independent reader checks the limits the
// compressor keeps: lengths up to 516, length 2 only within 256 bytes, others within the dictionary.
TEST(DclRoundTrip, EveryModeAndDictionaryWithinTheFormatsLimits) {
  for (const Sample& s : samples()) {
    for (auto mode : {dcl::LiteralMode::binary, dcl::LiteralMode::ascii}) {
      for (unsigned dictionary : {1024u, 2048u, 4096u}) {
        SCOPED_TRACE(std::string(s.name) + " mode " + std::to_string(unsigned(mode)) + " dict " + std::to_string(dictionary));
        Bytes packed = dcl::implodeBuffer(s.data.data(), s.data.size(), mode, dictionary);
        Bytes back;
        ASSERT_EQ(dcl::explodeBuffer(packed.data(), packed.size(), back), 0u);
        ASSERT_EQ(back, s.data);
        std::vector<Token> tokens = readTokens(packed);
        ASSERT_FALSE(tokens.empty());
        std::size_t produced = 0;
        for (const Token& t : tokens) {
          if (t.literal || t.value == 519) {
            produced += t.literal;
            continue;
          }
          EXPECT_LE(t.value, 516u);
          EXPECT_LE(t.distance, t.value == 2 ? 256u : dictionary);
          EXPECT_LE(t.distance, produced);
          produced += t.value;
        }
        EXPECT_EQ(produced, s.data.size());
      }
    }
  }
}

TEST(DclRoundTrip, CompressesRepetitiveData) {
  Bytes run(100000, 0x20);
  EXPECT_LT(dcl::implodeBuffer(run.data(), run.size(), dcl::LiteralMode::binary, 1024).size(), 600u);
  Bytes text = englishText(50000, 1);
  EXPECT_LT(dcl::implodeBuffer(text.data(), text.size(), dcl::LiteralMode::ascii, 4096).size(), text.size() / 3);
}

TEST(DclBuffer, SmallestPicksTheBestModeAndDictionary) {
  Bytes text = englishText(30000, 5);
  Bytes smallest = dcl::implodeSmallest(text.data(), text.size());
  for (auto mode : {dcl::LiteralMode::binary, dcl::LiteralMode::ascii})
    for (unsigned dictionary : {1024u, 2048u, 4096u})
      EXPECT_LE(smallest.size(), dcl::implodeBuffer(text.data(), text.size(), mode, dictionary).size());
  Bytes back;
  EXPECT_EQ(dcl::explodeBuffer(smallest.data(), smallest.size(), back), 0u);
  EXPECT_EQ(back, text);
}

TEST(DclCrc32, CheckValuesAndChaining) {
  char text[] = "123456789";
  unsigned size = 9;
  unsigned long seed = 0xFFFFFFFF;
  EXPECT_EQ(crc32(text, &size, &seed), 0x340BC6D9ul);
  EXPECT_EQ(~crc32(text, &size, &seed) & 0xFFFFFFFFul, 0xCBF43926ul);
  unsigned long zero = 0;
  EXPECT_EQ(crc32(text, &size, &zero), 0x2DFD2D88ul);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(seed, 0xFFFFFFFFul);
  unsigned first = 4, second = 5;
  unsigned long middle = crc32(text, &first, &seed);
  EXPECT_EQ(crc32(text + 4, &second, &middle), 0x340BC6D9ul);
}

}  // namespace
