// swfgen: writes a minimal valid SWF movie for tests and samples: a frame size, a frame rate,
// a SetBackgroundColor tag and one ShowFrame per frame, then End. "FWS" files are written as
// they are; "CWS" files keep the first 8 bytes and carry the rest as one zlib stream.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct MovieOptions {
  int version = 6;
  int width = 350;  // pixels
  int height = 150;
  int frameRate = 12;  // frames per second
  int frameCount = 1;
  std::uint32_t background = 0x000000;  // RRGGBB
  bool compressed = false;
};

// Most significant bit first, as SWF bit fields are read.
class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}
  void write(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1));
      if (++used_ == 8) flush();
    }
  }
  void flush() {  // pads the last byte with zero bits
    if (used_ == 0) return;
    out_.push_back(static_cast<std::uint8_t>(current_ << (8 - used_)));
    current_ = 0;
    used_ = 0;
  }

 private:
  Bytes& out_;
  std::uint8_t current_ = 0;
  int used_ = 0;
};

void put16(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Short tag header: code in the top 10 bits, body length (below 63) in the low 6.
void putTag(Bytes& out, unsigned code, const Bytes& body) {
  put16(out, code << 6 | static_cast<unsigned>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

// Everything an uncompressed file holds from offset 8 on.
Bytes movieBody(const MovieOptions& options) {
  Bytes body;
  const std::uint32_t xMax = std::uint32_t(options.width) * 20, yMax = std::uint32_t(options.height) * 20;  // twips
  int bits = 1;  // signed fields: one bit more than the largest magnitude needs
  while ((std::uint32_t(1) << (bits - 1)) <= std::max(xMax, yMax)) ++bits;
  BitWriter rect(body);
  rect.write(std::uint32_t(bits), 5);
  rect.write(0, bits);
  rect.write(xMax, bits);
  rect.write(0, bits);
  rect.write(yMax, bits);
  rect.flush();
  put16(body, unsigned(options.frameRate) << 8);  // 8.8 fixed point
  put16(body, unsigned(options.frameCount));
  putTag(body, 9, Bytes{std::uint8_t(options.background >> 16), std::uint8_t(options.background >> 8),
                        std::uint8_t(options.background)});
  for (int frame = 0; frame < options.frameCount; ++frame) putTag(body, 1, Bytes());
  putTag(body, 0, Bytes());
  return body;
}

bool buildMovie(const MovieOptions& options, Bytes& file) {
  Bytes body = movieBody(options);
  file = {std::uint8_t(options.compressed ? 'C' : 'F'), 'W', 'S', std::uint8_t(options.version)};
  put32(file, std::uint32_t(8 + body.size()));
  if (!options.compressed) {
    file.insert(file.end(), body.begin(), body.end());
    return true;
  }
  uLongf packedSize = compressBound(uLong(body.size()));
  Bytes packed(packedSize);
  if (compress2(packed.data(), &packedSize, body.data(), uLong(body.size()), Z_BEST_COMPRESSION) != Z_OK) return false;
  file.insert(file.end(), packed.begin(), packed.begin() + long(packedSize));
  return true;
}

const char usage[] =
    "usage: swfgen [--compressed] [--version n] [--size WxH] [--rate fps] [--frames n]\n"
    "              [--background RRGGBB] <out.swf>\n";

bool parseNumber(const std::string& text, int base, long minimum, long maximum, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, base);
  return !text.empty() && *end == '\0' && value >= minimum && value <= maximum;
}

}  // namespace

int main(int argc, char** argv) {
  MovieOptions options;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    long a = 0, b = 0;
    if (arg == "--compressed") {
      options.compressed = true;
    } else if (arg == "--version" && hasValue && parseNumber(argv[++i], 10, 1, 255, a)) {
      options.version = int(a);
    } else if (arg == "--size" && hasValue) {
      std::string size = argv[++i];
      std::size_t x = size.find('x');
      if (x == std::string::npos || !parseNumber(size.substr(0, x), 10, 1, 8000, a) ||
          !parseNumber(size.substr(x + 1), 10, 1, 8000, b))
        return std::cerr << "swfgen: --size takes WxH pixels, 1 to 8000 each\n", 2;
      options.width = int(a);
      options.height = int(b);
    } else if (arg == "--rate" && hasValue && parseNumber(argv[++i], 10, 1, 255, a)) {
      options.frameRate = int(a);
    } else if (arg == "--frames" && hasValue && parseNumber(argv[++i], 10, 1, 1000, a)) {
      options.frameCount = int(a);
    } else if (arg == "--background" && hasValue && parseNumber(argv[++i], 16, 0, 0xFFFFFF, a)) {
      options.background = std::uint32_t(a);
    } else if (arg[0] != '-' && output.empty()) {
      output = arg;
    } else {
      std::cerr << "swfgen: bad argument " << arg << "\n" << usage;
      return 2;
    }
  }
  if (output.empty()) return std::cerr << usage, 2;
  Bytes file;
  if (!buildMovie(options, file)) return std::cerr << "swfgen: zlib failed\n", 3;
  std::ofstream out(output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  out.close();
  if (!out) return std::cerr << "swfgen: " << output << ": cannot write\n", 4;
  return 0;
}
