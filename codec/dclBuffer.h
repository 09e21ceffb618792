// Buffer-in, buffer-out use of the DCL codec for the project's own tools (saverpack, tests,
// benchmarks). The library interface itself (implode/explode/crc32 with callbacks) is dcl.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dcl {

enum class LiteralMode : unsigned { binary = 0, ascii = 1 };

// Imploded form of data with the given literal mode and dictionary size (1024, 2048 or 4096).
std::vector<std::uint8_t> implodeBuffer(const std::uint8_t* data, std::size_t size, LiteralMode mode,
                                        unsigned dictionarySize);
// Tries both literal modes and the three dictionary sizes and keeps the smallest output.
std::vector<std::uint8_t> implodeSmallest(const std::uint8_t* data, std::size_t size);
// Expands a whole stream. Returns the library's status (0 done, 1 bad dictionary, 2 bad mode,
// 3 bad data, 4 input ended before the end marker); out holds what was decoded in any case.
unsigned explodeBuffer(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

}  // namespace dcl
