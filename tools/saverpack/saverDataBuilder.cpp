#include "tools/saverpack/saverDataBuilder.h"

#include "common/dataStructures_shared.h"
#include "tools/saverpack/codecAccess.h"

#include <cstring>
#include <limits>

namespace {

Problem loadSettingsBlock(const DataFilePlan& plan, SettingsBlock& block) {
  if (!plan.settings) return {};
  Bytes bytes;
  if (Problem problem = readWholeFile(*plan.settings, bytes)) return problem;
  if (bytes.size() != settingsBlockSize)
    return inputError(plan.settings->string(), "a settings block is " + std::to_string(settingsBlockSize) +
                                                   " bytes, this file has " + std::to_string(bytes.size()));
  std::memcpy(block.bytes.data(), bytes.data(), settingsBlockSize);
  return {};
}

// Header and data of one entry, appended to file. A movie copy gets a header of size 0: the
// installer copies the movie instead of reading data.
Problem appendEntryData(const DataEntryPlan& entry, Bytes& file) {
  EntryHeader header;
  Bytes data;
  if (!entry.movieCopy) {
    Bytes original;
    if (Problem problem = readWholeFile(entry.source, original)) return problem;
    // The installer writes nothing for an entry of size 0: the file would silently be missing.
    if (original.empty()) return inputError(entry.source.string(), "the file is empty; an empty entry is never installed");
    header.size = static_cast<std::int32_t>(original.size());
    data = original;
    if (entry.compression != Compression::stored) {
      Bytes packed;
      if (Problem problem = compressBytes(original, entry.source.string(), packed)) return problem;
      if (entry.compression == Compression::compressed || packed.size() < original.size()) {
        header.compressed = 1;
        header.packedSize = static_cast<std::int32_t>(packed.size());
        data = packed;
      }
    }
  }
  std::size_t at = file.size();
  file.resize(at + entryHeaderSize);
  serialiseEntryHeader(header, file.data() + at);
  file.insert(file.end(), data.begin(), data.end());
  if (file.size() > std::size_t(std::numeric_limits<std::int32_t>::max()))
    return inputError(entry.origin, "the saver data file grows beyond 2 GiB");
  return {};
}

}  // namespace

Problem buildSaverDataFile(const DataFilePlan& plan, Bytes& file) {
  SettingsBlock block;
  if (Problem problem = loadSettingsBlock(plan, block)) return problem;
  if (plan.entries.size() > std::size_t(maxEntryCount))
    return inputError(plan.entries.back().origin, "more than " + std::to_string(maxEntryCount) + " entries");
  block.setEntryCount(static_cast<std::int32_t>(plan.entries.size()));
  if (plan.saverKind) block.setSaverKind(*plan.saverKind);

  file.assign(block.bytes.begin(), block.bytes.end());
  file.resize(settingsBlockSize + plan.entries.size() * saverEntrySize);
  for (std::size_t i = 0; i < plan.entries.size(); ++i) {
    SaverEntry entry;
    entry.kind = plan.entries[i].movieCopy ? entryKindMovieCopy : 0;
    entry.setFileName(plan.entries[i].installedName);
    entry.dataOffset = static_cast<std::int32_t>(file.size());
    serialiseSaverEntry(entry, file.data() + settingsBlockSize + i * saverEntrySize);
    if (Problem problem = appendEntryData(plan.entries[i], file)) return problem;
  }
  return {};
}
