// The package manifest: a small INI file naming the saver and the files of each package record,
// plus --set overrides from the command line. Reading it checks names and values only; whether
// the files exist and fit is the builder's concern. The format is documented in README.md.
#pragma once
#include "tools/saverpack/toolResult.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class Compression { stored, compressed, automatic };  // automatic: compressed when smaller

struct SourceFile {
  std::filesystem::path path;
  Compression compression = Compression::automatic;
};

// One file installed into the saver's directory from the data file.
struct DataEntryPlan {
  std::string installedName;  // relative to the saver's directory, '\' separated
  std::filesystem::path source;
  Compression compression = Compression::automatic;
  bool movieCopy = false;  // a copy of the saver's movie made by the installer: no data
  std::string origin;      // "manifest.ini:12", for messages
};

// The saver data file built from the [data] section.
struct DataFilePlan {
  std::optional<std::filesystem::path> settings;  // a 1240-byte block; zeros when absent
  std::optional<std::int32_t> saverKind;
  std::vector<DataEntryPlan> entries;
};

struct PackagePlan {
  std::string manifestName;  // for messages about the manifest as a whole
  std::string saverName;
  std::uint8_t presentation = 4;
  bool offerDisplayPanel = false;
  std::filesystem::path stub;
  std::filesystem::path library;
  std::optional<SourceFile> intro, license, readMe, flashInstaller, engine, companion, dataFile, saver1, saver2;
  std::optional<DataFilePlan> data;  // set instead of dataFile when the manifest has a [data] section
  Compression dataRecordCompression = Compression::automatic;  // record 8 when built from [data]
};

// Reads the manifest and applies the overrides ("key=value" for [package], "data.key=value" for
// [data]). Manifest paths are relative to the manifest, override paths to the current directory.
Problem loadManifest(const std::filesystem::path& manifest, const std::vector<std::string>& overrides,
                     PackagePlan& plan);
