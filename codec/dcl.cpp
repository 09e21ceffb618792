// The decompressor (explode) and the CRC of the DCL library interface.
//
// Format notes (the full description is in dclTables.h and at each step below):
// - Two header bytes: literal mode (0 binary, 1 ASCII) and dbits (4, 5, 6: dictionary 64 << dbits).
// - Then an LSB-first bit stream of tokens. Flag 0: literal (8 raw bits, or an ASCII-mode code).
//   Flag 1: length code + raw extra bits; length 519 ends the stream; otherwise a distance code for
//   the high part and 2 (length 2) or dbits raw low bits, distance = high << k + low + 1.
// - Copies may overlap (distance < length) and run forward byte by byte.
#include "codec/dcl.h"

#include "codec/dclTables.h"

#include <cstdint>
#include <cstring>

namespace {

using namespace dcl::tables;

constexpr auto lengthDecode = decodeTable<16, lengthIndexBits>(lengthCode);
constexpr auto distanceDecode = decodeTable<64, distanceIndexBits>(distanceCode);
constexpr auto asciiDecode = decodeTable<256, asciiIndexBits>(asciiCode);

constexpr unsigned inputChunk = 2048;    // bytes asked from read_buf each time
constexpr unsigned outputChunk = 4096;   // bytes handed to write_buf each time
constexpr unsigned history = 4096;       // the largest distance any stream can use
constexpr unsigned copySlack = maxMatchLength + 8;  // a match may start at the last free byte; copies run in 8-byte steps

// The explode work buffer holds only bytes, so the caller's buffer needs no alignment.
// window: [0, history) the previous output, [history, history + outputChunk) new output.
struct ExplodeBuffers {
  std::uint8_t input[inputChunk];
  std::uint8_t window[history + outputChunk + copySlack];
};
static_assert(sizeof(ExplodeBuffers) <= EXP_BUFFER_SIZE, "explode state must fit the caller's work buffer");

// LSB-first bit reader over the read callback. Bits past the end of input read as 0; callers compare
// a token's size with available() to tell a truncated stream from a complete one.
class BitReader {
 public:
  BitReader(dcl_read_fn read, void* param, std::uint8_t* buffer, unsigned length, unsigned position)
      : read_(read), param_(param), buffer_(buffer), length_(length), position_(position) {}

  // Tops the accumulator up to more than 56 bits while input lasts; the longest token takes 30.
  void refill() {
    while (count_ <= 56) {
      if (position_ == length_ && !readMore()) return;
      bits_ |= std::uint64_t{buffer_[position_++]} << count_;
      count_ += 8;
    }
  }
  std::uint64_t peek() const { return bits_; }
  unsigned available() const { return count_; }
  void skip(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }

 private:
  bool readMore() {
    if (ended_) return false;
    unsigned size = inputChunk;
    unsigned delivered = read_(reinterpret_cast<char*>(buffer_), &size, param_);
    if (delivered == 0) {
      ended_ = true;  // the first 0 ends the input: the callback is not asked again
      return false;
    }
    length_ = delivered < inputChunk ? delivered : inputChunk;
    position_ = 0;
    return true;
  }

  dcl_read_fn read_;
  void* param_;
  std::uint8_t* buffer_;
  unsigned length_;    // valid bytes in buffer_
  unsigned position_;  // next unread byte in buffer_
  bool ended_ = false;
  std::uint64_t bits_ = 0;  // unread bits, next bit in bit 0
  unsigned count_ = 0;      // valid bits in bits_
};

// Output window: new bytes are written from `history` on; every full chunk goes to write_buf and the
// last `history` bytes move to the front, so a distance can always reach back 4096 bytes.
class OutputWindow {
 public:
  OutputWindow(dcl_write_fn write, void* param, std::uint8_t* window) : write_(write), param_(param), window_(window) {}

  std::uint8_t* end() { return window_ + position_; }
  void advance(unsigned n) { position_ += n; }
  // Bytes that a distance may reach back over: only real output, never the unused front of the window.
  unsigned reachable() const { return position_ - start_; }
  void flushFullChunk() {
    if (position_ < history + outputChunk) return;
    deliver(window_ + history, outputChunk);
    std::memmove(window_, window_ + outputChunk, position_ - outputChunk);
    position_ -= outputChunk;
    start_ = 0;
  }
  void flushRest() { deliver(window_ + history, position_ - history); }

 private:
  void deliver(std::uint8_t* bytes, unsigned size) { write_(reinterpret_cast<char*>(bytes), &size, param_); }

  dcl_write_fn write_;
  void* param_;
  std::uint8_t* window_;
  unsigned position_ = history;  // next byte to write
  unsigned start_ = history;     // first byte of real output in the window
};

// Forward copy of length bytes from distance back; overlapping copies repeat the pattern.
inline void copyMatch(std::uint8_t* to, unsigned distance, unsigned length) {
  const std::uint8_t* from = to - distance;
  if (distance >= 8) {
    // 8-byte steps never read bytes this copy has not written yet; they may write up to 7 bytes past
    // the match, which the window's slack absorbs.
    for (unsigned i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
  } else {
    for (unsigned i = 0; i < length; ++i) to[i] = from[i];
  }
}

unsigned decodeStream(BitReader& in, OutputWindow& out, bool ascii, unsigned dbits) {
  for (;;) {
    in.refill();
    std::uint64_t bits = in.peek();
    unsigned available = in.available();
    if (available == 0) return CMP_ABORT;
    if ((bits & 1) == 0) {
      unsigned size = 9;
      unsigned byte = (bits >> 1) & 0xFF;
      if (ascii) {
        DecodeEntry e = asciiDecode[(bits >> 1) & ((1u << asciiIndexBits) - 1)];
        size = 1 + e.bits;
        byte = e.symbol;
      }
      if (size > available) return CMP_ABORT;
      in.skip(size);
      *out.end() = static_cast<std::uint8_t>(byte);
      out.advance(1);
    } else {
      DecodeEntry e = lengthDecode[(bits >> 1) & ((1u << lengthIndexBits) - 1)];
      unsigned codeSize = 1 + e.bits;
      unsigned extra = lengthExtra[e.symbol];
      if (codeSize + extra > available) return CMP_ABORT;
      unsigned length = lengthBase[e.symbol] + static_cast<unsigned>((bits >> codeSize) & ((1u << extra) - 1));
      in.skip(codeSize + extra);
      if (length == endMarkerLength) return CMP_NO_ERROR;
      bits = in.peek();
      available = in.available();
      DecodeEntry d = distanceDecode[bits & ((1u << distanceIndexBits) - 1)];
      unsigned lowBits = length == 2 ? 2 : dbits;
      if (d.bits + lowBits > available) return CMP_ABORT;
      unsigned distance = (unsigned{d.symbol} << lowBits) + static_cast<unsigned>((bits >> d.bits) & ((1u << lowBits) - 1)) + 1;
      in.skip(d.bits + lowBits);
      // A distance before the first output byte would copy bytes that were never part of the output.
      if (distance > out.reachable()) return CMP_BAD_DATA;
      copyMatch(out.end(), distance, length);
      out.advance(length);
    }
    out.flushFullChunk();
  }
}

// Reflected CRC-32 table for polynomial 0xEDB88320.
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr auto crcTable = makeCrcTable();

}  // namespace

extern "C" unsigned int explode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param) {
  auto* buffers = reinterpret_cast<ExplodeBuffers*>(work_buf);
  unsigned size = inputChunk;
  unsigned delivered = read_buf(reinterpret_cast<char*>(buffers->input), &size, param);
  if (delivered > inputChunk) delivered = inputChunk;
  // Streams shorter than the header plus three bytes are refused as the original library does.
  if (delivered <= 4) return CMP_BAD_DATA;
  unsigned mode = buffers->input[0];
  unsigned dbits = buffers->input[1];
  if (dbits < 4 || dbits > 6) return CMP_INVALID_DICTSIZE;
  if (mode != CMP_BINARY && mode != CMP_ASCII) return CMP_INVALID_MODE;

  BitReader in(read_buf, param, buffers->input, delivered, 2);
  OutputWindow out(write_buf, param, buffers->window);
  unsigned result = decodeStream(in, out, mode == CMP_ASCII, dbits);
  out.flushRest();
  return result;
}

extern "C" unsigned long crc32(char* buffer, unsigned int* size, unsigned long* old_crc) {
  std::uint32_t crc = static_cast<std::uint32_t>(*old_crc);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
  for (unsigned i = 0; i < *size; ++i) crc = crcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}
