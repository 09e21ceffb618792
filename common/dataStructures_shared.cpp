#include "common/dataStructures_shared.h"

#include <algorithm>
#include <cstring>

std::int32_t readInt32(const std::uint8_t* bytes) {
  std::uint32_t value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                        std::uint32_t(bytes[3]) << 24;
  return static_cast<std::int32_t>(value);
}

void writeInt32(std::uint8_t* bytes, std::int32_t value) {
  std::uint32_t v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// ---- Package directory ----------------------------------------------------------------------

std::string PackageHeader::saverName() const {
  const char* begin = saverNameField.data();
  return std::string(begin, std::find(begin, begin + saverNameField.size(), '\0'));
}

std::string PackageRecord::fileName() const { return std::string(nameField.data(), nameLength); }

void PackageRecord::setFileName(const std::string& name) {
  std::size_t length = std::min(name.size(), recordNameFieldSize);
  std::memcpy(nameField.data(), name.data(), length);
  nameLength = static_cast<std::uint8_t>(length);
}

PackageDirectory parsePackageDirectory(const std::uint8_t* bytes) {
  PackageDirectory directory;
  PackageHeader& header = directory.header;
  header.presentation = bytes[0];
  header.hasLicense = bytes[1];
  header.hasReadMe = bytes[2];
  header.reserved = bytes[3];
  header.offerDisplayPanel = bytes[4];
  std::memcpy(header.saverNameField.data(), bytes + 5, saverNameFieldSize);
  for (int i = 0; i < packageRecordCount; ++i) {
    const std::uint8_t* at = bytes + packageHeaderSize + i * packageRecordSize;
    PackageRecord& record = directory.records[i];
    record.nameLength = at[0];
    std::memcpy(record.nameField.data(), at + 1, recordNameFieldSize);
    record.firstByte = readInt32(at + 256);
    record.lastByte = readInt32(at + 260);
    record.kind = readInt32(at + 264);
    std::memcpy(record.compressedField.data(), at + 268, 4);
    record.packedSize = readInt32(at + 272);
    record.size = readInt32(at + 276);
  }
  return directory;
}

void serialisePackageDirectory(const PackageDirectory& directory, std::uint8_t* bytes) {
  std::memset(bytes, 0, packageDirectorySize);
  const PackageHeader& header = directory.header;
  bytes[0] = header.presentation;
  bytes[1] = header.hasLicense;
  bytes[2] = header.hasReadMe;
  bytes[3] = header.reserved;
  bytes[4] = header.offerDisplayPanel;
  std::memcpy(bytes + 5, header.saverNameField.data(), saverNameFieldSize);
  for (int i = 0; i < packageRecordCount; ++i) {
    std::uint8_t* at = bytes + packageHeaderSize + i * packageRecordSize;
    const PackageRecord& record = directory.records[i];
    at[0] = record.nameLength;
    std::memcpy(at + 1, record.nameField.data(), recordNameFieldSize);
    writeInt32(at + 256, record.firstByte);
    writeInt32(at + 260, record.lastByte);
    writeInt32(at + 264, record.kind);
    std::memcpy(at + 268, record.compressedField.data(), 4);
    writeInt32(at + 272, record.packedSize);
    writeInt32(at + 276, record.size);
  }
}

std::string fileExtension(const std::string& fileName) {
  std::string::size_type dot = fileName.find_last_of('.');
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string replaceExtension(const std::string& fileName, const std::string& newExtension) {
  std::string::size_type dot = fileName.find_last_of('.');
  return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + newExtension;
}

RecordDestination recordDestination(std::int32_t kind, const std::string& fileName) {
  switch (kind) {
    case rkSaverDir:
    case rkCompanion:
    case rkStub:
    case rkSaverDirExtra:
      return {RecordTarget::saverDir, fileName};
    case rkSystemDir:
      return {RecordTarget::systemDir, fileName};
    case rkFlashOrLibrary:
      if (fileName == "flashax.exe") return {RecordTarget::workDir, fileName};
      return {RecordTarget::systemDir, replaceExtension(fileName, ".dll")};
    case rkWorkDirData:
      return {RecordTarget::workDir, fileName == "impborl.dat" ? std::string("impborl.dll") : fileName};
    case rkWorkDir:
      return {RecordTarget::workDir, fileName};
    default:
      return {RecordTarget::none, fileName};
  }
}

// ---- Saver data file ------------------------------------------------------------------------

std::int32_t SettingsBlock::entryCount() const { return readInt32(bytes.data() + entryCountOffset); }
void SettingsBlock::setEntryCount(std::int32_t count) { writeInt32(bytes.data() + entryCountOffset, count); }
std::int32_t SettingsBlock::saverKind() const { return readInt32(bytes.data() + saverKindOffset); }
void SettingsBlock::setSaverKind(std::int32_t kind) { writeInt32(bytes.data() + saverKindOffset, kind); }

std::string SaverEntry::fileName() const {
  const char* begin = nameField.data();
  return std::string(begin, std::find(begin, begin + nameField.size(), '\0'));
}

void SaverEntry::setFileName(const std::string& name) {
  nameField.fill('\0');
  std::memcpy(nameField.data(), name.data(), std::min(name.size(), nameField.size()));
}

SaverEntry parseSaverEntry(const std::uint8_t* bytes) {
  SaverEntry entry;
  entry.kind = bytes[0];
  std::memcpy(entry.nameField.data(), bytes + 2, entry.nameField.size());
  entry.dataOffset = readInt32(bytes + 260);
  return entry;
}

void serialiseSaverEntry(const SaverEntry& entry, std::uint8_t* bytes) {
  std::memset(bytes, 0, saverEntrySize);
  bytes[0] = entry.kind;
  std::memcpy(bytes + 2, entry.nameField.data(), entry.nameField.size());
  writeInt32(bytes + 260, entry.dataOffset);
}

EntryHeader parseEntryHeader(const std::uint8_t* bytes) {
  EntryHeader header;
  std::memcpy(header.tag.data(), bytes, 4);
  header.size = readInt32(bytes + 8);
  header.packedSize = readInt32(bytes + 12);
  header.compressed = readInt32(bytes + 16);
  return header;
}

void serialiseEntryHeader(const EntryHeader& header, std::uint8_t* bytes) {
  std::memset(bytes, 0, entryHeaderSize);
  std::memcpy(bytes, header.tag.data(), 4);
  writeInt32(bytes + 8, header.size);
  writeInt32(bytes + 12, header.packedSize);
  writeInt32(bytes + 16, header.compressed);
}
