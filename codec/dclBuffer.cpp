// Buffer-in, buffer-out use of the codec through its callback interface.
#include "codec/dclBuffer.h"

#include "codec/dcl.h"

#include <algorithm>
#include <cstring>

namespace dcl {
namespace {

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position = 0;
};

unsigned int readFromSource(char* buffer, unsigned int* size, void* param) {
  auto* source = static_cast<Source*>(param);
  std::size_t n = std::min<std::size_t>(*size, source->size - source->position);
  if (n > 0) std::memcpy(buffer, source->data + source->position, n);
  source->position += n;
  return static_cast<unsigned int>(n);
}

void appendToVector(char* buffer, unsigned int* size, void* param) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(param);
  out->insert(out->end(), buffer, buffer + *size);
}

struct ExplodeContext {
  Source source;
  std::vector<std::uint8_t>* out;
};

unsigned int readForExplode(char* buffer, unsigned int* size, void* param) {
  return readFromSource(buffer, size, &static_cast<ExplodeContext*>(param)->source);
}
void writeForExplode(char* buffer, unsigned int* size, void* param) {
  appendToVector(buffer, size, static_cast<ExplodeContext*>(param)->out);
}

struct ImplodeContext {
  Source source;
  std::vector<std::uint8_t> out;
};

unsigned int readForImplode(char* buffer, unsigned int* size, void* param) {
  return readFromSource(buffer, size, &static_cast<ImplodeContext*>(param)->source);
}
void writeForImplode(char* buffer, unsigned int* size, void* param) {
  appendToVector(buffer, size, &static_cast<ImplodeContext*>(param)->out);
}

}  // namespace

std::vector<std::uint8_t> implodeBuffer(const std::uint8_t* data, std::size_t size, LiteralMode mode,
                                        unsigned dictionarySize) {
  std::vector<char> work(CMP_BUFFER_SIZE);
  ImplodeContext context{{data, size}, {}};
  context.out.reserve(size / 2 + 64);
  unsigned type = static_cast<unsigned>(mode);
  implode(readForImplode, writeForImplode, work.data(), &context, &type, &dictionarySize);
  return std::move(context.out);
}

std::vector<std::uint8_t> implodeSmallest(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> best;
  for (LiteralMode mode : {LiteralMode::binary, LiteralMode::ascii}) {
    for (unsigned dictionary : {1024u, 2048u, 4096u}) {
      std::vector<std::uint8_t> candidate = implodeBuffer(data, size, mode, dictionary);
      if (best.empty() || candidate.size() < best.size()) best = std::move(candidate);
    }
  }
  return best;
}

unsigned explodeBuffer(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  std::vector<char> work(EXP_BUFFER_SIZE);
  out.clear();
  ExplodeContext context{{data, size}, &out};
  return explode(readForExplode, writeForExplode, work.data(), &context);
}

}  // namespace dcl
