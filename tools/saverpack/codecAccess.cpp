#include "tools/saverpack/codecAccess.h"

#include "codec/dclBuffer.h"

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
