// The tool's use of the DCL codec: compression with a check that the stub will get the original
// back, and expansion for verify and extract.
#pragma once
#include "tools/saverpack/fileBytes.h"

#include <string>

// Smallest imploded form of data; fails when the codec's output does not expand back to data. `what` names the input in the message.
Problem compressBytes(const Bytes& data, const std::string& what, Bytes& packed);

enum class ExpandStatus { ok, badData };
ExpandStatus expandBytes(const std::uint8_t* packed, std::size_t size, Bytes& out);
