// Implode then explode of arbitrary bytes gives them back, in the literal mode and dictionary size
// chosen by the first byte, with reads cut to the size chosen by the second.
#include "codec/dcl.h"
#include "codec/dclBuffer.h"
#include "tests/codec/fuzz/chunkedIo.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  unsigned type = data[0] & 1, dsize = 1024u << ((data[0] >> 1) % 3);
  ChunkedIo io{data + 2, size - 2, data[1] < 128 ? 4096u : 1u + data[1] * 7u, false};
  std::vector<char> work(CMP_BUFFER_SIZE, static_cast<char>(data[0]));
  if (implode(readChunk, writeChunk, work.data(), &io, &type, &dsize) != CMP_NO_ERROR) std::abort();
  std::vector<std::uint8_t> back;
  unsigned status = dcl::explodeBuffer(io.out.data(), io.out.size(), back);
  // Empty input packs to the 4-byte stream that explode refuses at its first read.
  bool same = io.size == 0 ? status == CMP_BAD_DATA && back.empty()
                           : status == CMP_NO_ERROR && back.size() == io.size && std::memcmp(back.data(), io.data, io.size) == 0;
  if (!same) std::abort();
  return 0;
}
