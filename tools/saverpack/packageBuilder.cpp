#include "tools/saverpack/packageBuilder.h"

#include "common/constants_shared.h"
#include "common/dataStructures_shared.h"
#include "tools/saverpack/codecAccess.h"
#include "tools/saverpack/packageExaminer.h"
#include "tools/saverpack/saverDataBuilder.h"

#include <limits>

namespace fs = std::filesystem;

namespace {

// What goes into one slot before the layout is known.
struct SlotContent {
  bool present = false;
  std::string name;
  std::int32_t kind = rkWorkDir;
  Bytes bytes;  // as stored in the installer
  bool compressed = false;
  std::int32_t size = 0;  // of the file once written
};

// Stores or compresses original as the mode asks; automatic keeps whichever is smaller.
Problem encode(Bytes original, Compression mode, const std::string& what, SlotContent& slot) {
  slot.size = static_cast<std::int32_t>(original.size());
  slot.bytes = std::move(original);
  if (mode == Compression::stored) return {};
  Bytes packed;
  if (Problem problem = compressBytes(slot.bytes, what, packed)) return problem;
  if (mode == Compression::automatic && packed.size() >= slot.bytes.size()) return {};
  slot.bytes = std::move(packed);
  slot.compressed = true;
  return {};
}

Problem fillSlot(const fs::path& path, const std::string& name, std::int32_t kind, Compression mode,
                 SlotContent& slot) {
  Bytes original;
  if (Problem problem = readWholeFile(path, original)) return problem;
  // The stub would write nothing for a stored record of length 0; refuse it rather than guess.
  if (original.empty()) return inputError(path.string(), "the file is empty; a package record needs at least one byte");
  if (original.size() > std::size_t(std::numeric_limits<std::int32_t>::max()))
    return inputError(path.string(), "the file is larger than 2 GiB");
  if (name.empty() || name.size() > recordNameFieldSize)
    return inputError(path.string(), "a record's file name must have 1 to 255 characters");
  slot.present = true;
  slot.name = name;
  slot.kind = kind;
  return encode(std::move(original), mode, path.string(), slot);
}

Problem fillOptionalSlot(const std::optional<SourceFile>& file, const std::string& name, std::int32_t kind,
                         SlotContent& slot) {
  if (!file) return {};
  return fillSlot(file->path, name.empty() ? file->path.filename().string() : name, kind, file->compression, slot);
}

// Slots the stub extracts on every install must be filled, or every install fails.
Problem checkRequiredFiles(const PackagePlan& plan) {
  struct Required {
    bool given;
    const char* key;
  } required[] = {
      {bool(plan.flashInstaller), "'flash-installer' (record 2)"},
      {bool(plan.intro) || plan.presentation == presentationNone, "'intro' (record 3, needed unless presentation is none)"},
      {bool(plan.engine), "'engine' (record 6)"},
      {bool(plan.companion), "'companion' (record 7)"},
      {plan.dataFile || plan.data, "'data-file' or a [data] section (record 8)"},
      {bool(plan.saver1), "'saver1' (record 9)"},
      {bool(plan.saver2), "'saver2' (record 10)"},
  };
  for (const Required& item : required)
    if (!item.given) return inputError(plan.manifestName, std::string(item.key) + " is missing; the installer extracts it on every run");
  return {};
}

// Entry 1 as a movie copy is copied from the extracted intro "installer.swf", which exists only
// for a movie presentation; with any other the install would fail on that copy.
Problem checkMovieCopy(const PackagePlan& plan) {
  if (!plan.data || plan.presentation == presentationMovie || plan.presentation == presentationMovieAlt) return {};
  bool firstIsCopy = plan.data->saverKind == saverKindMovie || (!plan.data->entries.empty() && plan.data->entries[0].movieCopy);
  if (!firstIsCopy) return {};
  return inputError(plan.manifestName, "the first data entry is a copy of the intro movie (saver-kind 3 or 'movie'), "
                                       "which needs presentation movie");
}

Problem fillSlots(const PackagePlan& plan, std::array<SlotContent, packageRecordCount>& slots) {
  Bytes stub;
  if (Problem problem = readWholeFile(plan.stub, stub)) return problem;
  if (stub.size() != payloadOffset)
    return inputError(plan.stub.string(), "the stub is " + std::to_string(stub.size()) + " bytes; it must be exactly " +
                                              std::to_string(payloadOffset) + " bytes");
  slots[0] = SlotContent{true, "install.exe", rkStub, std::move(stub), false, std::int32_t(payloadOffset)};

  Problem problem = fillSlot(plan.library, "impborl.dat", rkWorkDirData, Compression::stored, slots[1]);
  if (!problem) problem = fillOptionalSlot(plan.flashInstaller, "flashax.exe", rkFlashOrLibrary, slots[2]);
  if (!problem) problem = fillOptionalSlot(plan.intro, "installer.swf", rkWorkDir, slots[3]);
  if (!problem) problem = fillOptionalSlot(plan.license, "", rkWorkDir, slots[4]);
  if (!problem) problem = fillOptionalSlot(plan.readMe, "", rkWorkDir, slots[5]);
  if (!problem) problem = fillOptionalSlot(plan.engine, plan.saverName + ".scr", rkSystemDir, slots[6]);
  if (!problem) problem = fillOptionalSlot(plan.companion, "", rkCompanion, slots[7]);
  if (!problem) problem = fillOptionalSlot(plan.dataFile, plan.saverName + ".ssd", rkWorkDirData, slots[8]);
  if (!problem) problem = fillOptionalSlot(plan.saver1, "saver1.dll", rkCompanion, slots[9]);
  if (!problem) problem = fillOptionalSlot(plan.saver2, "saver2.dll", rkCompanion, slots[10]);
  if (problem || !plan.data) return problem;

  Bytes dataFile;
  if ((problem = buildSaverDataFile(*plan.data, dataFile))) return problem;
  slots[8].present = true;
  slots[8].name = plan.saverName + ".ssd";
  slots[8].kind = rkWorkDirData;
  return encode(std::move(dataFile), plan.dataRecordCompression, slots[8].name + " (built from the [data] section)",
                slots[8]);
}

// Places the slots behind the directory in record order; empty slots take the position of the
// next record (the end of the file for trailing ones).
Problem layOut(const PackagePlan& plan, std::array<SlotContent, packageRecordCount>& slots, PackageDirectory& directory,
               std::uint64_t& fileSize) {
  std::uint64_t offset = payloadOffset + packageDirectorySize;
  for (int i = 0; i < packageRecordCount; ++i) {
    PackageRecord& record = directory.records[i];
    const SlotContent& slot = slots[i];
    if (!slot.present) {
      record.kind = rkWorkDir;
      record.firstByte = record.lastByte = std::int32_t(offset);
      record.compressedField[0] = 1;
      continue;
    }
    std::uint64_t first = i == 0 ? 0 : offset;
    record.setFileName(slot.name);
    record.kind = slot.kind;
    record.compressedField[0] = slot.compressed ? 1 : 0;
    record.packedSize = slot.compressed ? std::int32_t(slot.bytes.size()) : 0;
    record.size = slot.size;
    record.firstByte = std::int32_t(first);
    record.lastByte = std::int32_t(first + slot.bytes.size() - 1);
    if (i != 0) offset += slot.bytes.size();
    if (offset > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
      return inputError(plan.manifestName, "the installer would be larger than 2 GiB");
  }
  fileSize = offset;
  return {};
}

}  // namespace

Problem buildInstaller(const PackagePlan& plan, Bytes& installer) {
  if (Problem problem = checkRequiredFiles(plan)) return problem;
  if (Problem problem = checkMovieCopy(plan)) return problem;
  std::array<SlotContent, packageRecordCount> slots;
  if (Problem problem = fillSlots(plan, slots)) return problem;

  PackageDirectory directory;
  directory.header.presentation = plan.presentation;
  directory.header.hasLicense = slots[4].present ? 1 : 0;
  directory.header.hasReadMe = slots[5].present ? 1 : 0;
  directory.header.offerDisplayPanel = plan.offerDisplayPanel ? 1 : 0;
  std::copy(plan.saverName.begin(), plan.saverName.end(), directory.header.saverNameField.begin());
  std::uint64_t fileSize = 0;
  if (Problem problem = layOut(plan, slots, directory, fileSize)) return problem;

  installer.clear();
  installer.reserve(fileSize);
  installer.insert(installer.end(), slots[0].bytes.begin(), slots[0].bytes.end());
  installer.resize(payloadOffset + packageDirectorySize);
  serialisePackageDirectory(directory, installer.data() + payloadOffset);
  for (int i = 1; i < packageRecordCount; ++i)
    installer.insert(installer.end(), slots[i].bytes.begin(), slots[i].bytes.end());
  // What came in ready-made (a data file, names) is held to the same rules as verify holds the
  // result to: an installer that could not install is not written.
  InstallerImage image;
  image.path = plan.manifestName;
  image.bytes = installer;
  readDirectory(image);
  std::vector<std::string> faults = verifyInstaller(image);
  if (!faults.empty()) return inputError(plan.manifestName, "the installer would not install: " + faults.front());
  return {};
}
