// Helpers shared by the codec tests: hex streams, generated sample data, and an independent
// token reader that derives the fixed codes from their bit lengths (canonical order, complemented,
// sent most significant bit first) instead of using the codec's own tables.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dcltest {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex);
Bytes toBytes(const std::string& text);

// Deterministic sample data of the given size.
Bytes englishText(std::size_t size, unsigned seed);
Bytes randomBytes(std::size_t size, unsigned seed);
Bytes structuredBinary(std::size_t size, unsigned seed);  // records with repeated fields and far repeats

struct Token {
  bool literal;
  unsigned value;     // the byte (literal) or the length (match; 519 = end marker)
  unsigned distance;  // matches only
};

// Tokens of a complete stream up to and including the end marker; empty when the stream is not a
// well-formed one (bad header, truncated).
std::vector<Token> readTokens(const Bytes& stream);
std::string describe(const std::vector<Token>& tokens);  // "A I (11,2) END"

}  // namespace dcltest
