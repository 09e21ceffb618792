#include "tests/codec/dclTestSupport.h"

#include <random>

namespace dcltest {

Bytes fromHex(const std::string& hex) {
  Bytes out;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes toBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes englishText(std::size_t size, unsigned seed) {
  static const char* const words[] = {"the", "screen", "saver", "installer", "copies", "a", "file", "into",
                                      "system", "directory", "and", "registers", "its", "uninstall", "entry",
                                      "of", "window", "when", "closes,", "data", "is", "expanded."};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    text += words[random() % (sizeof words / sizeof *words)];
    text += random() % 11 == 0 ? "\r\n" : " ";
  }
  text.resize(size);
  return toBytes(text);
}

Bytes randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(random());
  return out;
}

Bytes structuredBinary(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out;
  while (out.size() < size) {
    switch (random() % 4) {
      case 0:  // a record with a counter and fixed fields
        for (int i = 0; i < 16; ++i) out.push_back(static_cast<std::uint8_t>(i < 4 ? out.size() >> (8 * i) : i * 3));
        break;
      case 1:  // a run
        out.insert(out.end(), 1 + random() % 700, static_cast<std::uint8_t>(random() % 3));
        break;
      case 2:  // a repeat from up to 5000 bytes back
        if (out.size() > 8) {
          std::size_t distance = 1 + random() % std::min<std::size_t>(out.size(), 5000);
          std::size_t length = 2 + random() % 600;
          for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
        }
        break;
      default:
        for (int i = 0; i < 12; ++i) out.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  out.resize(size);
  return out;
}

namespace {

// Bit lengths in run-length form: high nibble = count - 1, low nibble = length. The length list
// has lengths 2 and 3 swapped, which yields the same codes.
const std::vector<unsigned> literalLengths = {
    11, 124, 8, 7, 28, 7, 188, 13, 76, 4, 10, 8, 12, 10, 12, 10, 8, 23, 8, 9, 7, 6, 7, 8, 7, 6, 55, 8, 23, 24, 12, 11, 7, 9,
    11, 12, 6, 7, 22, 5, 7, 24, 6, 11, 9, 6, 7, 22, 7, 11, 38, 7, 9, 8, 25, 11, 8, 11, 9, 12, 8, 12, 5, 38, 5, 38, 5, 11,
    7, 5, 6, 21, 6, 10, 53, 8, 7, 24, 10, 27, 44, 253, 253, 253, 252, 252, 252, 13, 12, 45, 12, 45, 12, 61, 12, 45, 44, 173};
const std::vector<unsigned> lengthLengths = {2, 35, 36, 53, 38, 23};
const std::vector<unsigned> distanceLengths = {2, 20, 53, 230, 247, 151, 248};

struct Huffman {
  std::vector<unsigned> count = std::vector<unsigned>(16);
  std::vector<unsigned> symbols;  // by length, then symbol order
};

Huffman build(const std::vector<unsigned>& compact) {
  std::vector<unsigned> lengths;
  for (unsigned b : compact) lengths.insert(lengths.end(), (b >> 4) + 1, b & 15);
  Huffman h;
  for (unsigned l : lengths) ++h.count[l];
  for (unsigned l = 1; l < 16; ++l)
    for (unsigned s = 0; s < lengths.size(); ++s)
      if (lengths[s] == l) h.symbols.push_back(s);
  return h;
}

class Reader {
 public:
  explicit Reader(const Bytes& b) : bytes_(b) {}
  bool bit(unsigned& out) {
    if (position_ >= 8 * bytes_.size()) return false;
    out = (bytes_[position_ / 8] >> (position_ % 8)) & 1;
    ++position_;
    return true;
  }
  bool raw(unsigned n, unsigned& out) {
    out = 0;
    for (unsigned i = 0; i < n; ++i) {
      unsigned b;
      if (!bit(b)) return false;
      out |= b << i;
    }
    return true;
  }
  // Bits arrive most significant first and complemented; walk the canonical counts.
  bool decode(const Huffman& h, unsigned& symbol) {
    unsigned code = 0, first = 0, index = 0;
    for (unsigned l = 1; l < 16; ++l) {
      unsigned b;
      if (!bit(b)) return false;
      code |= b ^ 1;
      if (code - first < h.count[l]) {
        symbol = h.symbols[index + code - first];
        return true;
      }
      index += h.count[l];
      first = (first + h.count[l]) << 1;
      code <<= 1;
    }
    return false;
  }
  std::size_t position_ = 16;

 private:
  const Bytes& bytes_;
};

}  // namespace

std::vector<Token> readTokens(const Bytes& stream) {
  static const Huffman literals = build(literalLengths), lengths = build(lengthLengths),
                       distances = build(distanceLengths);
  static const unsigned base[16] = {3, 2, 4, 5, 6, 7, 8, 9, 10, 12, 16, 24, 40, 72, 136, 264};  // list order
  static const unsigned extra[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  if (stream.size() < 2 || stream[0] > 1 || stream[1] < 4 || stream[1] > 6) return {};
  Reader in(stream);
  std::vector<Token> tokens;
  for (;;) {
    unsigned flag, value, symbol;
    if (!in.bit(flag)) return {};
    if (flag == 0) {
      if (!(stream[0] ? in.decode(literals, value) : in.raw(8, value))) return {};
      tokens.push_back({true, value, 0});
      continue;
    }
    unsigned x;
    if (!in.decode(lengths, symbol) || !in.raw(extra[symbol], x)) return {};
    unsigned length = base[symbol] + x;
    if (length == 519) {
      tokens.push_back({false, 519, 0});
      return tokens;
    }
    unsigned k = length == 2 ? 2 : stream[1], low;
    if (!in.decode(distances, symbol) || !in.raw(k, low)) return {};
    tokens.push_back({false, length, (symbol << k) + low + 1});
  }
}

std::string describe(const std::vector<Token>& tokens) {
  std::string s;
  for (const Token& t : tokens) {
    if (!s.empty()) s += ' ';
    if (t.literal)
      s += t.value == ' ' ? std::string("_") : std::string(1, static_cast<char>(t.value));
    else if (t.value == 519)
      s += "END";
    else
      s += "(" + std::to_string(t.value) + "," + std::to_string(t.distance) + ")";
  }
  return s;
}

}  // namespace dcltest
