// The codec's read and write callbacks for the fuzz targets: the input is handed out in pieces of
// at most `step` bytes (the first read may take the whole request), the output is collected.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

struct ChunkedIo {
  const std::uint8_t* data;
  std::size_t size;
  unsigned step;
  bool firstReadWhole;
  std::size_t position = 0;
  std::vector<std::uint8_t> out;
};

inline unsigned int readChunk(char* buf, unsigned int* size, void* param) {
  auto* io = static_cast<ChunkedIo*>(param);
  unsigned limit = io->firstReadWhole ? *size : std::min(*size, io->step);
  io->firstReadWhole = false;
  std::size_t n = std::min<std::size_t>(limit, io->size - io->position);
  std::memcpy(buf, io->data + io->position, n);
  io->position += n;
  return static_cast<unsigned int>(n);
}

inline void writeChunk(char* buf, unsigned int* size, void* param) {
  auto* io = static_cast<ChunkedIo*>(param);
  io->out.insert(io->out.end(), buf, buf + *size);
}
