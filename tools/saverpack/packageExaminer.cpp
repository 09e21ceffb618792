#include "tools/saverpack/packageExaminer.h"

#include "common/constants_shared.h"
#include "package/fileNameRules.h"
#include "tools/saverpack/codecAccess.h"

#include <iomanip>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t firstPayloadByte = payloadOffset + packageDirectorySize;

// The convention per slot: the name (nullptr: the source file's name; ".scr"/".ssd": the saver's
// name with that extension) and the kind the builder gives it.
struct SlotConvention {
  const char* name;
  std::int32_t kind;
};
constexpr SlotConvention slotConventions[packageRecordCount] = {
    {"install.exe", rkStub},  {"impborl.dat", rkWorkDirData}, {"flashax.exe", rkFlashOrLibrary},
    {"installer.swf", rkWorkDir}, {nullptr, rkWorkDir},       {nullptr, rkWorkDir},
    {".scr", rkSystemDir},    {nullptr, rkCompanion},         {".ssd", rkWorkDirData},
    {"saver1.dll", rkCompanion}, {"saver2.dll", rkCompanion},
};

std::string expectedName(const PackageHeader& header, int index) {
  const char* name = slotConventions[index].name;
  if (!name) return std::string();
  return name[0] == '.' ? header.saverName() + name : name;
}

// Slots the stub extracts for this header; an empty one makes the install fail.
bool slotRequired(const PackageHeader& header, int index) {
  switch (index) {
    case 0: return false;
    case 3: return header.presentation != presentationNone;
    case 4: return header.hasLicense != 0;
    case 5: return header.hasReadMe != 0;
    default: return true;
  }
}

bool inFile(const PackageRecord& record, std::size_t fileSize) {
  return record.firstByte >= 0 && record.lastByte >= record.firstByte && std::uint64_t(record.lastByte) < fileSize;
}

std::string label(const PackageRecord& record, int index) {
  return "record " + std::to_string(index) + " (\"" + record.fileName() + "\")";
}

// Messages of verify go behind the installer's path; those of list and extract need it in front.
Problem inInstaller(const InstallerImage& image, Problem problem) {
  if (problem) problem.message = image.path + ": " + problem.message;
  return problem;
}

// The record's file as the stub would write it. Messages start with the record's label.
Problem recordContent(const InstallerImage& image, int index, Bytes& content) {
  const PackageRecord& record = image.directory.records[index];
  if (!inFile(record, image.bytes.size()))
    return inputError(label(record, index), "bytes " + std::to_string(record.firstByte) + ".." +
                                                std::to_string(record.lastByte) + " are not inside the file");
  const std::uint8_t* begin = image.bytes.data() + record.firstByte;
  std::size_t length = std::size_t(record.length());
  if (!record.compressed()) {
    content.assign(begin, begin + length);
    return {};
  }
  switch (expandBytes(begin, length, content)) {
    case ExpandStatus::ok:
      break;
    case ExpandStatus::badData:
      return inputError(label(record, index), "the compressed data is damaged");
  }
  if (content.size() != std::size_t(std::uint32_t(record.size)))
    return inputError(label(record, index), "expands to " + std::to_string(content.size()) +
                                                " bytes, the record says " + std::to_string(record.size));
  return {};
}

// One data file entry: its header, and its content unless it is a movie copy or installs nothing.
struct EntryView {
  SaverEntry entry;
  bool movieCopy = false;
  EntryHeader header;
  Bytes content;
};

// Reads the data file's entries; the first failure ends the walk and is returned. `where`
// prefixes messages.
Problem readEntries(const Bytes& file, const std::string& where, std::vector<EntryView>& entries) {
  if (file.size() < settingsBlockSize)
    return inputError(where, "the data file is " + std::to_string(file.size()) + " bytes, shorter than its settings block");
  SettingsBlock block;
  std::copy(file.begin(), file.begin() + settingsBlockSize, block.bytes.begin());
  std::int32_t count = block.entryCount();
  if (count < 0 || count > maxEntryCount)
    return inputError(where, "entry count " + std::to_string(count) + " is outside 0.." + std::to_string(maxEntryCount));
  if (settingsBlockSize + std::size_t(count) * saverEntrySize > file.size())
    return inputError(where, "the entry table runs past the end of the data file");
  for (std::int32_t i = 1; i <= count; ++i) {
    EntryView view;
    view.entry = parseSaverEntry(file.data() + settingsBlockSize + (i - 1) * saverEntrySize);
    std::string what = where + ": entry " + std::to_string(i) + " (\"" + view.entry.fileName() + "\")";
    view.movieCopy = view.entry.kind == entryKindMovieCopy || (i == 1 && block.saverKind() == saverKindMovie);
    if (view.entry.fileName().empty() || view.movieCopy) {
      entries.push_back(view);
      continue;
    }
    std::int64_t at = view.entry.dataOffset;
    if (at < 0 || std::uint64_t(at) + entryHeaderSize > file.size())
      return inputError(what, "its header lies outside the data file");
    view.header = parseEntryHeader(file.data() + at);
    at += entryHeaderSize;
    std::int64_t stored = view.header.compressed ? view.header.packedSize : view.header.size;
    if (view.header.size < 0 || stored < 0 || std::uint64_t(at + stored) > file.size())
      return inputError(what, "its data runs past the end of the data file");
    if (view.header.size > 0 && view.header.compressed) {
      switch (expandBytes(file.data() + at, std::size_t(stored), view.content)) {
        case ExpandStatus::ok:
          break;
        case ExpandStatus::badData:
          return inputError(what, "the compressed data is damaged");
      }
      if (view.content.size() != std::size_t(view.header.size))
        return inputError(what, "expands to " + std::to_string(view.content.size()) + " bytes, the entry says " +
                                    std::to_string(view.header.size));
    } else if (view.header.size > 0) {
      view.content.assign(file.begin() + at, file.begin() + at + stored);
    }
    entries.push_back(view);
  }
  return {};
}

void checkEmptySlot(const InstallerImage& image, int index, std::vector<std::string>& faults) {
  const PackageDirectory& directory = image.directory;
  const PackageRecord& record = directory.records[index];
  std::string where = "record " + std::to_string(index) + ": ";
  if (slotRequired(directory.header, index)) faults.push_back(where + "empty, but the installer extracts this slot");
  std::int64_t next = index + 1 < packageRecordCount ? directory.records[index + 1].firstByte
                                                      : std::int64_t(image.bytes.size());
  if (record.firstByte != next || record.lastByte != next)
    faults.push_back(where + "empty slot must have firstByte = lastByte = the next record's firstByte (" +
                     std::to_string(next) + "), has " + std::to_string(record.firstByte) + ".." +
                     std::to_string(record.lastByte));
  if (record.kind != rkWorkDir || !record.compressed() || record.packedSize != 0 || record.size != 0)
    faults.push_back(where + "empty slot must have kind 7, compressed 1 and sizes 0");
}

void checkRecord(const InstallerImage& image, int index, std::vector<std::string>& faults) {
  const PackageRecord& record = image.directory.records[index];
  std::string where = label(record, index) + ": ";
  std::string name = expectedName(image.directory.header, index);
  if (!name.empty() && record.fileName() != name) faults.push_back(where + "name must be \"" + name + "\"");
  if (!isPlainFileName(record.fileName())) faults.push_back(where + "the installer refuses a name that is not a plain file name");
  if (record.kind != slotConventions[index].kind)
    faults.push_back(where + "kind " + std::to_string(record.kind) + ", must be " + std::to_string(slotConventions[index].kind));
  if (!inFile(record, image.bytes.size())) {
    faults.push_back(where + "bytes " + std::to_string(record.firstByte) + ".." + std::to_string(record.lastByte) +
                     " are not inside the file of " + std::to_string(image.bytes.size()) + " bytes");
    return;
  }
  if (index == 0) {
    if (record.firstByte != 0 || record.lastByte != std::int32_t(payloadOffset) - 1 || record.size != std::int32_t(payloadOffset))
      faults.push_back(where + "the stub record must span 0.." + std::to_string(payloadOffset - 1) + " with size " +
                       std::to_string(payloadOffset));
    return;
  }
  if (std::uint64_t(record.firstByte) < firstPayloadByte)
    faults.push_back(where + "starts at " + std::to_string(record.firstByte) + ", inside the stub or the directory");
  if (index == 1 && record.compressed()) faults.push_back(where + "the decompression library must be stored");
  if (record.compressed() && record.packedSize != record.length())
    faults.push_back(where + "packedSize " + std::to_string(record.packedSize) + " differs from the record length " +
                     std::to_string(record.length()));
  if (!record.compressed() && record.size != record.length())
    faults.push_back(where + "size " + std::to_string(record.size) + " differs from the stored length " +
                     std::to_string(record.length()));
  Bytes content;
  if (Problem problem = recordContent(image, index, content)) {
    faults.push_back(problem.message);
    return;
  }
  if (index == 8) {
    std::vector<EntryView> entries;
    if (Problem problem = readEntries(content, label(record, index), entries)) faults.push_back(problem.message);
    std::uint8_t presentation = image.directory.header.presentation;
    bool movie = presentation == presentationMovie || presentation == presentationMovieAlt;
    if (!entries.empty() && entries[0].movieCopy && !movie)
      faults.push_back(where + "entry 1 is a copy of the intro movie, but the presentation is not a movie");
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::string entry = "entry " + std::to_string(i + 1) + " (\"" + entries[i].entry.fileName() + "\")";
      if (!entries[i].entry.fileName().empty() && !isPathInsideDirectory(entries[i].entry.fileName()))
        faults.push_back(where + entry + ": the installer refuses a name that leaves the saver's directory");
      // A later copy entry copies whatever entry 1 installed.
      if (i > 0 && entries[i].movieCopy && !entries[0].movieCopy)
        faults.push_back(where + entry + " copies entry 1, which is not the saver's movie");
    }
  }
}

const char* presentationName(std::uint8_t presentation) {
  switch (presentation) {
    case presentationBitmap: return "bitmap";
    case presentationMovie:
    case presentationMovieAlt: return "movie";
    case presentationNone: return "none";
    case presentationJpeg: return "jpeg";
    default: return "other";
  }
}

fs::path relativePath(const std::string& name) {
  std::string portable = name;
  for (char& c : portable)
    if (c == '\\') c = '/';
  return fs::path(portable);
}

}  // namespace

Problem loadInstaller(const fs::path& path, InstallerImage& image) {
  image.path = path.string();
  if (Problem problem = readWholeFile(path, image.bytes)) return problem;
  readDirectory(image);
  return {};
}

void readDirectory(InstallerImage& image) {
  image.hasDirectory = image.bytes.size() >= firstPayloadByte;
  if (image.hasDirectory) image.directory = parsePackageDirectory(image.bytes.data() + payloadOffset);
}

Problem listInstaller(const InstallerImage& image, std::ostream& out) {
  if (!image.hasDirectory)
    return inputError(image.path, "the file is " + std::to_string(image.bytes.size()) +
                                      " bytes; it ends before the package directory");
  const PackageHeader& header = image.directory.header;
  out << "installer " << image.path << ", " << image.bytes.size() << " bytes\n";
  out << "saver \"" << header.saverName() << "\", presentation " << int(header.presentation) << " ("
      << presentationName(header.presentation) << "), license " << int(header.hasLicense) << ", read-me "
      << int(header.hasReadMe) << ", offer display panel " << int(header.offerDisplayPanel) << "\n";
  out << " # name                 kind comp  firstByte   lastByte     length packedSize       size\n";
  for (int i = 0; i < packageRecordCount; ++i) {
    const PackageRecord& record = image.directory.records[i];
    out << std::setw(2) << i << " " << std::left << std::setw(20)
        << (record.nameLength ? record.fileName() : std::string("(empty)")) << std::right << " " << std::setw(4)
        << record.kind << " " << std::setw(4) << int(record.compressedField[0]) << " " << std::setw(10)
        << record.firstByte << " " << std::setw(10) << record.lastByte << " " << std::setw(10)
        << (record.nameLength ? record.length() : 0) << " " << std::setw(10) << record.packedSize << " "
        << std::setw(10) << record.size << "\n";
  }
  if (image.directory.records[8].nameLength == 0) return {};
  Bytes dataFile;
  std::vector<EntryView> entries;
  Problem problem = recordContent(image, 8, dataFile);
  if (!problem) problem = readEntries(dataFile, "record 8", entries);
  if (problem) {
    out << "data file: not readable (" << problem.message << ")\n";
    return {};
  }
  SettingsBlock block;
  std::copy(dataFile.begin(), dataFile.begin() + settingsBlockSize, block.bytes.begin());
  out << "data file " << image.directory.records[8].fileName() << ": " << entries.size() << " entries, saverKind "
      << block.saverKind() << "\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const EntryView& view = entries[i];
    out << std::setw(4) << i + 1 << " " << view.entry.fileName();
    if (view.movieCopy && (i == 0 || entries[0].movieCopy)) out << "  (copy of the saver's movie)\n";
    else if (view.movieCopy) out << "  (copy of entry 1)\n";
    else
      out << "  size " << view.header.size << (view.header.compressed ? ", compressed to " : "")
          << (view.header.compressed ? std::to_string(view.header.packedSize) : std::string()) << "\n";
  }
  return {};
}

std::vector<std::string> verifyInstaller(const InstallerImage& image) {
  std::vector<std::string> faults;
  if (!image.hasDirectory) {
    faults.push_back("the file is " + std::to_string(image.bytes.size()) + " bytes; it ends before the package directory (" +
                     std::to_string(payloadOffset) + ".." + std::to_string(firstPayloadByte - 1) + ")");
    return faults;
  }
  if (image.directory.header.saverName().empty()) faults.push_back("header: the saver name is empty");
  for (int i = 0; i < packageRecordCount; ++i) {
    if (image.directory.records[i].nameLength == 0) checkEmptySlot(image, i, faults);
    else checkRecord(image, i, faults);
  }
  return faults;
}

Problem extractInstaller(const InstallerImage& image, const fs::path& directory) {
  if (!image.hasDirectory) return inputError(image.path, "the file ends before the package directory");
  // Every name is checked, by the installer's own rules, before anything is written.
  for (int i = 0; i < packageRecordCount; ++i) {
    const PackageRecord& record = image.directory.records[i];
    if (record.nameLength != 0 && !isPlainFileName(record.fileName()))
      return inputError(image.path, label(record, i) + ": the name is not a plain file name");
  }
  std::vector<EntryView> entries;
  if (image.directory.records[8].nameLength != 0) {
    Bytes dataFile;
    Problem problem = recordContent(image, 8, dataFile);
    if (!problem) problem = readEntries(dataFile, "record 8", entries);
    if (problem) return inInstaller(image, problem);
  }
  for (const EntryView& view : entries) {
    if (!view.entry.fileName().empty() && !isPathInsideDirectory(view.entry.fileName()))
      return inputError(image.path, "entry \"" + view.entry.fileName() + "\": the name leaves the saver's directory");
  }
  for (int i = 0; i < packageRecordCount; ++i) {
    const PackageRecord& record = image.directory.records[i];
    if (record.nameLength == 0) continue;
    Bytes content;
    if (Problem problem = recordContent(image, i, content)) return inInstaller(image, problem);
    if (Problem problem = writeFileCreatingDirectories(directory / record.fileName(), content.data(), content.size()))
      return problem;
  }
  for (const EntryView& view : entries) {
    if (view.movieCopy || view.header.size <= 0) continue;
    fs::path target = directory / "entries" / relativePath(view.entry.fileName());
    if (Problem problem = writeFileCreatingDirectories(target, view.content.data(), view.content.size())) return problem;
  }
  return {};
}
