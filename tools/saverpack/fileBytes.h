// Whole-file reads and writes for the tool. Output is written to a temporary file beside the
// target and renamed over it at the end, so a failed run never leaves a partial output file.
#pragma once
#include "tools/saverpack/toolResult.h"

#include <cstdint>
#include <filesystem>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

Problem readWholeFile(const std::filesystem::path& path, Bytes& bytes);
Problem writeFileAtomically(const std::filesystem::path& path, const Bytes& bytes);
// Plain write for extraction, creating missing parent directories.
Problem writeFileCreatingDirectories(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size);
