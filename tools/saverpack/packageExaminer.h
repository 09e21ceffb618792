// Reading a built installer back: listing its directory, checking it against the slot
// conventions (packageBuilder.h) and extracting its records and data file entries.
#pragma once
#include "common/dataStructures_shared.h"
#include "tools/saverpack/fileBytes.h"

#include <ostream>
#include <string>
#include <vector>

struct InstallerImage {
  std::string path;
  Bytes bytes;
  PackageDirectory directory;
  bool hasDirectory = false;  // false: the file ends before the whole directory
};

Problem loadInstaller(const std::filesystem::path& path, InstallerImage& image);
// Fills the directory from image.bytes, which hold the whole installer file.
void readDirectory(InstallerImage& image);

// Header, the 11 records and, when record 8 can be read, the data file's entries.
Problem listInstaller(const InstallerImage& image, std::ostream& out);

// One line per fault; empty when the installer follows every rule checked.
std::vector<std::string> verifyInstaller(const InstallerImage& image);

// Writes each record, expanded, under its name into directory, and the data file's entries
// under directory/entries/.
Problem extractInstaller(const InstallerImage& image, const std::filesystem::path& directory);
