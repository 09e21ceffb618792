// Explode against the test's independent token reader on arbitrary bytes: it must never read or
// write outside its buffers, must stop, and must agree with the reader on every complete stream.
// The first byte chooses how the input is cut into reads after the first.
#include "codec/dcl.h"
#include "tests/codec/dclTestSupport.h"
#include "tests/codec/fuzz/chunkedIo.h"

#include <cstdlib>
#include <vector>

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  ChunkedIo io{data + 1, size - 1, 1u + data[0] % 64, true};
  std::vector<char> work(EXP_BUFFER_SIZE);
  unsigned status = explode(readChunk, writeChunk, work.data(), &io);
  dcltest::Bytes stream(data + 1, data + size);
  if (stream.size() <= 4) return check(status == CMP_BAD_DATA), 0;
  if (stream[1] < 4 || stream[1] > 6) return check(status == CMP_INVALID_DICTSIZE), 0;
  if (stream[0] > 1) return check(status == CMP_INVALID_MODE), 0;
  std::vector<dcltest::Token> tokens = dcltest::readTokens(stream);
  if (tokens.empty()) return check(status == CMP_ABORT || status == CMP_BAD_DATA), 0;
  std::vector<std::uint8_t> expected;
  for (const dcltest::Token& t : tokens) {
    if (t.literal) {
      expected.push_back(static_cast<std::uint8_t>(t.value));
    } else if (t.value != 519) {
      if (t.distance > expected.size()) return check(status == CMP_BAD_DATA && io.out == expected), 0;
      for (unsigned i = 0; i < t.value; ++i) expected.push_back(expected[expected.size() - t.distance]);
    }
  }
  check(status == CMP_NO_ERROR && io.out == expected);
  return 0;
}
