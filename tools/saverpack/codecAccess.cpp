#include "tools/saverpack/codecAccess.h"

#ifdef SAVERPACK_HAVE_CODEC
#include "codec/dclBuffer.h"

bool compressionAvailable() { return true; }

Problem compressBytes(const Bytes& data, const std::string& what, Bytes& packed) {
  packed = dcl::implodeSmallest(data.data(), data.size());
  Bytes again;
  if (dcl::explodeBuffer(packed.data(), packed.size(), again) != 0 || again != data)
    return {exitCompressionError, what + ": compressed data does not expand back to the original"};
  return {};
}

ExpandStatus expandBytes(const std::uint8_t* packed, std::size_t size, Bytes& out) {
  return dcl::explodeBuffer(packed, size, out) == 0 ? ExpandStatus::ok : ExpandStatus::badData;
}

#else

bool compressionAvailable() { return false; }

Problem compressBytes(const Bytes&, const std::string& what, Bytes&) {
  return {exitCompressionError, what + ": compression not available in this build of saverpack"};
}

ExpandStatus expandBytes(const std::uint8_t*, std::size_t, Bytes&) { return ExpandStatus::unavailable; }

#endif
