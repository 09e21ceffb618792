// The compressor (implode) of the DCL library interface: a hash-chain match finder and, over blocks
// of up to 768 positions, the cheapest path in bits through literals and matches (the codes are
// fixed, so every token's cost is known exactly), written with the fixed codes of dclTables.h.
//
// Limits it keeps: matches are at most 516 bytes (the original decompressor has only 516 bytes of
// slack for a match), a length-2 match reaches back at most 256 bytes, a longer one at most the
// dictionary size. Input is read in 4096-byte blocks; the window keeps one dictionary of history
// behind the current position and enough look-ahead for the longest match.
#include "codec/dcl.h"

#include "codec/dclTables.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

using namespace dcl::tables;

constexpr unsigned inputBlock = 4096;    // bytes asked from read_buf per block
constexpr unsigned outputPiece = 2048;   // bytes handed to write_buf per call
constexpr unsigned maxLength = 516;      // longest match emitted
constexpr unsigned maxDictionary = 4096;
constexpr unsigned parseBlock = 768;    // positions priced together; bounded by the work buffer
constexpr unsigned lookAhead = maxLength + 4;
constexpr unsigned windowSize = maxDictionary + parseBlock + lookAhead + inputBlock;
constexpr unsigned windowPad = 16;       // match comparison reads 8-byte words past the data
constexpr unsigned hashBits = 12;
constexpr unsigned pairHashBits = 10;
constexpr unsigned maxChain = 64;        // candidates tried per position
constexpr unsigned niceLength = 64;      // a match this long is taken as it is, ending the block
constexpr unsigned skipLength = 12;      // within a match this long, later positions are not searched

// Positions are stored as the low 16 bits of the absolute input offset; a distance is the 16-bit
// difference. Chains are only followed while distances grow and stay within the dictionary, so
// stale or never-set entries cost a comparison at most.
struct ImplodeState {
  std::uint16_t head3[1u << hashBits];      // most recent position with this 3-byte hash
  std::uint16_t head2[1u << pairHashBits];  // most recent position with this 2-byte hash (length-2 matches)
  std::uint16_t previous[maxDictionary];    // earlier position with the same 3-byte hash, by position % 4096
  // The block's cheapest paths: price[i] bits to reach block offset i, by a last token of
  // stepLength[i] bytes (1 = literal) at stepDistance[i].
  std::uint32_t price[parseBlock + 1];
  std::uint16_t stepLength[parseBlock + 1];
  std::uint16_t stepDistance[parseBlock + 1];
  std::uint8_t output[outputPiece + 16];
  std::uint8_t window[windowSize + windowPad];
};
static_assert(sizeof(ImplodeState) + alignof(ImplodeState) <= CMP_BUFFER_SIZE,
              "implode state must fit the caller's work buffer");

constexpr std::array<std::uint8_t, maxMatchLength + 1> makeLengthSymbols() {
  std::array<std::uint8_t, maxMatchLength + 1> symbols{};
  for (unsigned s = 0; s < 16; ++s)
    for (unsigned l = lengthBase[s]; l < lengthBase[s] + (1u << lengthExtra[s]) && l <= maxMatchLength; ++l)
      symbols[l] = static_cast<std::uint8_t>(s);
  return symbols;
}
constexpr auto lengthSymbol = makeLengthSymbols();

struct Match {
  unsigned length = 0;  // 0: none
  unsigned distance = 0;
};

// The matches found at one position: each longer and farther than the one before, so lengths up
// to matches[k].length are best served by the nearest distance that reaches them.
struct Matches {
  static constexpr unsigned capacity = 24;
  Match match[capacity];
  unsigned count = 0;
  unsigned pairDistance = 0;  // nearest distance for a length-2 match (<= 256), 0: none
  const Match& longest() const { return match[count - 1]; }
};

// Bits of the flag, length code and extra bits for each length.
constexpr std::array<std::uint8_t, maxMatchLength + 1> makeLengthCosts() {
  std::array<std::uint8_t, maxMatchLength + 1> costs{};
  for (unsigned s = 0; s < 16; ++s)
    for (unsigned l = lengthBase[s]; l < lengthBase[s] + (1u << lengthExtra[s]) && l <= maxMatchLength; ++l)
      costs[l] = static_cast<std::uint8_t>(1 + lengthCode[s].bits + lengthExtra[s]);
  return costs;
}
constexpr auto lengthCost = makeLengthCosts();

class Imploder {
 public:
  Imploder(ImplodeState& s, dcl_read_fn read, dcl_write_fn write, void* param, unsigned ascii, unsigned dictionary)
      : s_(s), read_(read), write_(write), param_(param), ascii_(ascii != 0), dictionary_(dictionary) {
    dbits_ = dictionary == 1024 ? 4 : dictionary == 2048 ? 5 : 6;
    // Start every entry far outside any dictionary: the work buffer may hold anything.
    for (auto& h : s_.head3) h = 0x8000;
    for (auto& h : s_.head2) h = 0x8000;
    for (auto& p : s_.previous) p = 0x8000;
    s_.output[0] = static_cast<std::uint8_t>(ascii);
    s_.output[1] = static_cast<std::uint8_t>(dbits_);
    outLength_ = 2;
  }

  void run() {
    unsigned pos = 0;
    for (;;) {
      while (!ended_ && end_ - pos < parseBlock + lookAhead) pos = fill(pos);
      if (pos >= end_) break;
      pos = encodeBlock(pos);
    }
    emitEnd();
  }

 private:
  // Reads one block (asking again after a short read); slides the window first when it would not
  // fit, keeping one dictionary of history before pos. Returns pos in the new window.
  unsigned fill(unsigned pos) {
    if (pos > maxDictionary) {
      unsigned shift = pos - maxDictionary;
      std::memmove(s_.window, s_.window + shift, end_ - shift);
      base_ += shift;
      end_ -= shift;
      pos -= shift;
    }
    unsigned got = 0;
    while (got < inputBlock) {
      unsigned want = inputBlock - got;
      unsigned delivered = read_(reinterpret_cast<char*>(s_.window + end_ + got), &want, param_);
      if (delivered == 0) {
        ended_ = true;  // read_buf is not called again after its first 0
        break;
      }
      got += delivered < inputBlock - got ? delivered : inputBlock - got;
    }
    end_ += got;
    return pos;
  }

  std::uint16_t absolute(unsigned pos) const { return static_cast<std::uint16_t>(base_ + pos); }

  unsigned hash3(unsigned pos) const {
    const std::uint8_t* p = s_.window + pos;
    std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - hashBits);
  }
  unsigned hash2(unsigned pos) const {
    const std::uint8_t* p = s_.window + pos;
    std::uint32_t v = (std::uint32_t{p[0]} << 8) | p[1];
    return (v * 2654435761u) >> (32 - pairHashBits);
  }

  void insert(unsigned pos) {
    std::uint16_t a = absolute(pos);
    if (pos + 2 < end_) {
      unsigned h = hash3(pos);
      s_.previous[a % maxDictionary] = s_.head3[h];
      s_.head3[h] = a;
    }
    if (pos + 1 < end_) s_.head2[hash2(pos)] = a;
  }

  // Length of the common run of window[from..] and window[pos..], at most limit.
  unsigned commonLength(unsigned from, unsigned pos, unsigned limit) const {
    const std::uint8_t* a = s_.window + from;
    const std::uint8_t* b = s_.window + pos;
    unsigned n = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (n < limit) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) {
        n += static_cast<unsigned>(__builtin_ctzll(x ^ y)) / 8;
        break;
      }
      n += 8;
    }
    return n < limit ? n : limit;
#else
    while (n < limit && a[n] == b[n]) ++n;
    return n;
#endif
  }

  // The matches at pos over all earlier positions in the dictionary (each longer than the last,
  // nearest first), then records pos. Every position before pos has been recorded, pos not yet.
  void findAndInsert(unsigned pos, Matches& found) {
    found.count = 0;
    found.pairDistance = 0;
    unsigned limit = end_ - pos < maxLength ? end_ - pos : maxLength;
    std::uint16_t a = absolute(pos);
    if (limit >= 3) {
      std::uint16_t candidate = s_.head3[hash3(pos)];
      unsigned lastDistance = 0, best = 2;
      unsigned reach = pos < dictionary_ ? pos : dictionary_;
      for (unsigned chain = maxChain; chain > 0; --chain) {
        unsigned distance = static_cast<std::uint16_t>(a - candidate);
        if (distance <= lastDistance || distance > reach) break;
        unsigned from = pos - distance;
        if (s_.window[from + best] == s_.window[pos + best]) {
          unsigned length = commonLength(from, pos, limit);
          if (length > best) {
            best = length;
            if (found.count == Matches::capacity) --found.count;
            found.match[found.count++] = {length, distance};
            if (length == limit) break;
          }
        }
        lastDistance = distance;
        candidate = s_.previous[candidate % maxDictionary];
      }
      if (found.count > 0 && found.match[0].distance <= 256) found.pairDistance = found.match[0].distance;
    }
    if (found.pairDistance == 0 && limit >= 2) {
      unsigned distance = static_cast<std::uint16_t>(a - s_.head2[hash2(pos)]);
      if (distance >= 1 && distance <= 256 && distance <= pos &&
          s_.window[pos - distance] == s_.window[pos] && s_.window[pos - distance + 1] == s_.window[pos + 1])
        found.pairDistance = distance;
    }
    insert(pos);
  }

  // Prices every position of the block from pos, then writes the cheapest path. A match that
  // reaches past the block, or is at least niceLength long, ends the block: it is written as found.
  // Returns the position after the written tokens.
  unsigned encodeBlock(unsigned pos) {
    unsigned n = end_ - pos < parseBlock ? end_ - pos : parseBlock;
    std::uint32_t* price = s_.price;
    price[0] = 0;
    for (unsigned i = 1; i <= n; ++i) price[i] = UINT32_MAX;
    unsigned stop = n;
    Match tail;
    Matches found;
    // Inside a long match the search pauses: those positions are offered only the match's own
    // continuation, which is where nearly all of the time would otherwise go on long repeats.
    Match carry;
    unsigned carryStart = 0, searchFrom = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (i < searchFrom) {
        insert(pos + i);
        relax(i, 1, 0, price[i] + literalCost(s_.window[pos + i]));
        unsigned rest = carry.length - (i - carryStart);
        if (rest >= 3) relax(i, rest, carry.distance, price[i] + distanceCost(carry.distance, dbits_) + lengthCost[rest]);
        continue;
      }
      findAndInsert(pos + i, found);
      if (found.count > 0) {
        const Match& longest = found.longest();
        if (longest.length >= niceLength || i + longest.length > n) {
          stop = i;
          tail = longest;
          break;
        }
      }
      relax(i, 1, 0, price[i] + literalCost(s_.window[pos + i]));
      if (found.pairDistance && i + 2 <= n) relax(i, 2, found.pairDistance, price[i] + lengthCost[2] + distanceCost(found.pairDistance, 2));
      unsigned length = 3;
      for (unsigned k = 0; k < found.count; ++k) {
        const Match& m = found.match[k];
        std::uint32_t base = price[i] + distanceCost(m.distance, dbits_);
        for (; length <= m.length; ++length) relax(i, length, m.distance, base + lengthCost[length]);
      }
      if (found.count > 0 && found.longest().length >= skipLength) {
        carry = found.longest();
        carryStart = i;
        searchFrom = i + carry.length;
      }
    }
    emitPath(pos, stop);
    pos += stop;
    if (tail.length) {
      emitMatch(tail);
      for (unsigned p = pos + 1; p < pos + tail.length; ++p) insert(p);
      pos += tail.length;
    }
    return pos;
  }

  void relax(unsigned from, unsigned length, unsigned distance, std::uint32_t cost) {
    unsigned to = from + length;
    if (cost < s_.price[to]) {
      s_.price[to] = cost;
      s_.stepLength[to] = static_cast<std::uint16_t>(length);
      s_.stepDistance[to] = static_cast<std::uint16_t>(distance);
    }
  }

  // Writes the tokens of the cheapest path from block offset 0 to stop; the path is walked back
  // first, leaving each step's end in price[] of its start.
  void emitPath(unsigned pos, unsigned stop) {
    for (unsigned j = stop; j > 0;) {
      unsigned from = j - s_.stepLength[j];
      s_.price[from] = j;
      j = from;
    }
    for (unsigned i = 0; i < stop;) {
      unsigned j = s_.price[i];
      if (s_.stepLength[j] == 1)
        emitLiteral(s_.window[pos + i]);
      else
        emitMatch(Match{s_.stepLength[j], s_.stepDistance[j]});
      i = j;
    }
  }

  unsigned distanceCost(unsigned distance, unsigned lowBits) const {
    return distanceCode[(distance - 1) >> lowBits].bits + lowBits;
  }

  unsigned literalCost(unsigned byte) const { return 1 + (ascii_ ? asciiCode[byte].bits : 8); }

  void put(std::uint32_t value, unsigned bits) {
    bits_ |= std::uint64_t{value} << count_;
    count_ += bits;
    while (count_ >= 8) {
      s_.output[outLength_++] = static_cast<std::uint8_t>(bits_);
      bits_ >>= 8;
      count_ -= 8;
    }
    if (outLength_ >= outputPiece) {
      deliver(outputPiece);
      std::memmove(s_.output, s_.output + outputPiece, outLength_ - outputPiece);
      outLength_ -= outputPiece;
    }
  }

  void deliver(unsigned size) { write_(reinterpret_cast<char*>(s_.output), &size, param_); }

  void emitLiteral(unsigned byte) {
    if (ascii_)
      put(std::uint32_t{asciiCode[byte].code} << 1, 1 + asciiCode[byte].bits);
    else
      put(byte << 1, 9);
  }

  void emitLength(unsigned length) {
    unsigned symbol = length == endMarkerLength ? 15 : lengthSymbol[length];
    const Code& c = lengthCode[symbol];
    put(1u | (std::uint32_t{c.code} << 1) | ((length - lengthBase[symbol]) << (c.bits + 1)),
        1 + c.bits + lengthExtra[symbol]);
  }

  void emitMatch(const Match& m) {
    emitLength(m.length);
    unsigned lowBits = m.length == 2 ? 2 : dbits_;
    const Code& c = distanceCode[(m.distance - 1) >> lowBits];
    put(c.code | (((m.distance - 1) & ((1u << lowBits) - 1)) << c.bits), c.bits + lowBits);
  }

  void emitEnd() {
    emitLength(endMarkerLength);
    if (count_ > 0) put(0, 8 - count_);
    if (outLength_ > 0) deliver(outLength_);
  }

  ImplodeState& s_;
  dcl_read_fn read_;
  dcl_write_fn write_;
  void* param_;
  bool ascii_;
  unsigned dictionary_;
  unsigned dbits_;
  std::uint32_t base_ = 0;  // absolute offset of window[0], modulo 2^32
  unsigned end_ = 0;        // bytes of input in the window
  bool ended_ = false;
  std::uint64_t bits_ = 0;  // pending output bits, next in bit 0
  unsigned count_ = 0;
  unsigned outLength_ = 0;
};

}  // namespace

extern "C" unsigned int implode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param,
                                unsigned int* type, unsigned int* dsize) {
  if (*dsize != 1024 && *dsize != 2048 && *dsize != 4096) return CMP_INVALID_DICTSIZE;
  if (*type != CMP_BINARY && *type != CMP_ASCII) return CMP_INVALID_MODE;
  // The caller's buffer has no alignment promise: place the state at the first aligned byte.
  std::uintptr_t address = reinterpret_cast<std::uintptr_t>(work_buf);
  std::size_t skip = (alignof(ImplodeState) - address % alignof(ImplodeState)) % alignof(ImplodeState);
  auto* state = new (work_buf + skip) ImplodeState;
  Imploder(*state, read_buf, write_buf, param, *type, *dsize).run();
  return CMP_NO_ERROR;
}
