// The on-disk layouts shared by the installer stub and the package builder: the package directory
// at payloadOffset and the saver data file. Portable: fixed-size byte images, little-endian, parsed
// and serialised byte by byte so that host byte order and padding never matter.
//
// Installer file:  [stub, payloadOffset bytes][PackageDirectory, 3152 bytes][packed files...]
// PackageDirectory = PackageHeader (72 bytes) + 11 PackageRecord (280 bytes each).
// Saver data file: [SettingsBlock, 1240 bytes][entryCount x SaverEntry, 264 bytes each]
//                  [EntryHeader (44 bytes) + data, at each entry's dataOffset]
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// ---- Package directory ----------------------------------------------------------------------

constexpr std::size_t packageHeaderSize = 72;
constexpr std::size_t packageRecordSize = 280;
constexpr int packageRecordCount = 11;
constexpr std::size_t packageDirectorySize = packageHeaderSize + packageRecordCount * packageRecordSize;  // 3152
static_assert(packageDirectorySize == 3152, "package directory size");

constexpr std::size_t saverNameFieldSize = 64;
constexpr std::size_t recordNameFieldSize = 255;

// Presentation byte values.
constexpr std::uint8_t presentationBitmap = 1;
constexpr std::uint8_t presentationMovie = 2;       // 3 is treated alike
constexpr std::uint8_t presentationMovieAlt = 3;
constexpr std::uint8_t presentationNone = 4;
constexpr std::uint8_t presentationJpeg = 8;

// Header, offsets: 0 presentation, 1 hasLicense, 2 hasReadMe, 3 reserved, 4 offerDisplayPanel,
// 5..68 saverName (NUL-padded; all 64 characters when there is no NUL), 69..71 zero padding.
struct PackageHeader {
  std::uint8_t presentation = 0;
  std::uint8_t hasLicense = 0;
  std::uint8_t hasReadMe = 0;
  std::uint8_t reserved = 0;
  std::uint8_t offerDisplayPanel = 0;
  std::array<char, saverNameFieldSize> saverNameField{};

  std::string saverName() const;  // up to the first NUL, at most 64 characters
};

// RecordKind: where an extracted record goes (recordDestination). The builder's slot conventions
// use 6 for the stub (record 0, never extracted), 4 for the library and the data file, 3 for the
// Flash Player installer, 7 for intro, license and read-me, 2 for the .scr and 5 for companions.
enum RecordKind : std::int32_t {
  rkSaverDir = 1,      // saverDir + fileName (as 5, 6 and 10)
  rkSystemDir = 2,     // systemDir + fileName
  rkFlashOrLibrary = 3,  // exactly "flashax.exe": workDir + fileName; else systemDir + name with ".dll"
  rkWorkDirData = 4,   // exactly "impborl.dat": workDir + "impborl.dll"; else workDir + fileName
  rkCompanion = 5,     // saverDir + fileName
  rkStub = 6,          // saverDir + fileName
  rkWorkDir = 7,       // workDir + fileName
  rkSaverDirExtra = 10,  // saverDir + fileName
};

// Record, offsets: 0 name length (0 = empty slot), 1..255 name (bytes behind the length are
// leftovers and ignored), 256 firstByte, 260 lastByte (inclusive), 264 kind, 268 compressed (only
// the first byte counts; the builder writes 0 or 1 and three zeros), 272 packedSize, 276 size.
struct PackageRecord {
  std::uint8_t nameLength = 0;
  std::array<char, recordNameFieldSize> nameField{};
  std::int32_t firstByte = 0;
  std::int32_t lastByte = 0;
  std::int32_t kind = 0;
  std::array<std::uint8_t, 4> compressedField{};
  std::int32_t packedSize = 0;
  std::int32_t size = 0;

  std::string fileName() const;               // the first nameLength characters
  void setFileName(const std::string& name);  // cut to 255 characters; leftovers behind are kept
  bool compressed() const { return compressedField[0] != 0; }
  std::int64_t length() const { return std::int64_t(lastByte) - firstByte + 1; }
};

struct PackageDirectory {
  PackageHeader header;
  std::array<PackageRecord, packageRecordCount> records;
};

// Parses exactly packageDirectorySize bytes.
PackageDirectory parsePackageDirectory(const std::uint8_t* bytes);
void serialisePackageDirectory(const PackageDirectory& directory, std::uint8_t* bytes);

// Where a record lands, as a directory choice and a file name; the caller joins them with the
// InstallPaths directories. Kinds without a destination give RecordTarget::none.
enum class RecordTarget { none, systemDir, workDir, saverDir };
struct RecordDestination {
  RecordTarget directory = RecordTarget::none;
  std::string fileName;
};
RecordDestination recordDestination(std::int32_t kind, const std::string& fileName);

// The extension from the last dot of the file name, dot included ("" when there is none).
std::string fileExtension(const std::string& fileName);
// fileName with its extension (from the last dot) replaced by newExtension, or appended when none.
std::string replaceExtension(const std::string& fileName, const std::string& newExtension);

// ---- Saver data file ------------------------------------------------------------------------

constexpr std::size_t settingsBlockSize = 1240;
constexpr std::size_t saverEntrySize = 264;
constexpr std::size_t entryHeaderSize = 44;
constexpr std::int32_t maxEntryCount = 1009;
constexpr std::size_t entryCountOffset = 212;
constexpr std::size_t saverKindOffset = 1204;
constexpr std::int32_t saverKindMovie = 3;
constexpr std::uint8_t entryKindMovieCopy = 3;

// The block is carried over byte for byte; only entryCount (212) and saverKind (1204) are read.
struct SettingsBlock {
  std::array<std::uint8_t, settingsBlockSize> bytes{};

  std::int32_t entryCount() const;
  void setEntryCount(std::int32_t count);
  std::int32_t saverKind() const;
  void setSaverKind(std::int32_t kind);
};

// Entry, offsets: 0 kind (3 = copy of the saver's movie, no data), 1 reserved, 2..257 fileName
// (relative to saverDir, NUL-terminated, at most 256 characters), 258 padding, 260 dataOffset.
struct SaverEntry {
  std::uint8_t kind = 0;
  std::array<char, 256> nameField{};
  std::int32_t dataOffset = 0;

  std::string fileName() const;
  void setFileName(const std::string& name);  // cut to 256 characters
};
SaverEntry parseSaverEntry(const std::uint8_t* bytes);
void serialiseSaverEntry(const SaverEntry& entry, std::uint8_t* bytes);

// Header in front of an entry's data, offsets: 0 tag "CHUN", 4 reserved, 8 size (0: nothing is
// installed), 12 packedSize, 16 compressed, 20..43 reserved.
struct EntryHeader {
  std::array<char, 4> tag{{'C', 'H', 'U', 'N'}};
  std::int32_t size = 0;
  std::int32_t packedSize = 0;
  std::int32_t compressed = 0;
};
EntryHeader parseEntryHeader(const std::uint8_t* bytes);
void serialiseEntryHeader(const EntryHeader& header, std::uint8_t* bytes);

// Little-endian helpers for the layouts above.
std::int32_t readInt32(const std::uint8_t* bytes);
void writeInt32(std::uint8_t* bytes, std::int32_t value);
