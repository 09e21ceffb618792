// A small reader of Windows program files (PE) for checks of the built programs: machine type,
// subsystem, imported DLLs and functions, and exported function names. Portable; for tests only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PeImage {
  bool valid = false;
  std::uint16_t machine = 0;        // 0x14c i386, 0x8664 x86-64
  std::uint16_t optionalMagic = 0;  // 0x10b PE32, 0x20b PE32+
  std::uint16_t subsystem = 0;      // 2 GUI, 3 console
  std::uint16_t characteristics = 0;
  std::vector<std::string> importedDlls;
  std::vector<std::string> importedFunctions;  // "DLL!name", or "DLL!#ordinal"
  std::vector<std::string> exportedNames;
};

PeImage readPeImage(const std::string& bytes);
std::string readWholeFile(const std::string& path);
// The imported functions ("DLL!name") that came only with Windows Vista or later, among those the
// toolchain's runtimes are known to reach for: any of them and the program does not start on XP.
std::vector<std::string> importsNewerThanXp(const PeImage& image);
