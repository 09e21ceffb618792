// A scratch installation for the package tests: system, work and saver directories of their own
// (installPaths points at them, never at the real system directory) and a package copy made from
// records the test adds, laid out as the builder lays them out.
#pragma once
#include "common/dataStructures_shared.h"
#include "common/installerState.h"
#include "system/KTV_FileUtils.h"
#include "tests/harness/testlib.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class ScratchInstall {
 public:
  ScratchInstall() : root_("package") {
    for (const char* dir : {"system", "work", "system\\Test dir"}) CreateDirectoryA((root_ / dir).c_str(), nullptr);
    installPaths = InstallPaths();
    installPaths.systemDir = root_ / "system\\";
    installPaths.workDir = root_ / "work\\";
    installPaths.saverDir = root_ / "system\\Test dir\\";
    installPaths.saverName = "Test";
    installPaths.installerPath = root_ / "install.exe";
    installPaths.packageCopy = installPaths.workDir + "temp.dat";
    installPaths.saverDataPath = installPaths.workDir + "Test.ssd";
    packageDirectory = PackageDirectory();
    cancelRequested = 0;
  }
  const std::string& root() const { return root_.path(); }

 private:
  testlib::ScratchDir root_;
};

// Builds the package copy: stub bytes, directory, then each record's bytes in the order added.
class PackageBuilder {
 public:
  PackageBuilder() : bytes_(payloadOffset + packageDirectorySize, '\0') {
    directory_.header.presentation = presentationMovieAlt;
    for (int i = 0; i < packageRecordCount; ++i) empty(i);
  }

  // Stores bytes as record index; size is the record's stated size (the bytes' length by default).
  PackageBuilder& record(int index, const std::string& name, std::int32_t kind, const std::string& data,
                         bool compressed = false, std::int32_t size = -1) {
    PackageRecord& r = directory_.records[index];
    r = PackageRecord();
    r.setFileName(name);
    r.kind = kind;
    r.firstByte = static_cast<std::int32_t>(bytes_.size());
    r.lastByte = r.firstByte + static_cast<std::int32_t>(data.size()) - 1;
    r.compressedField[0] = compressed ? 1 : 0;
    r.size = size >= 0 ? size : static_cast<std::int32_t>(data.size());
    bytes_ += data;
    return *this;
  }
  // The builder's empty slot.
  PackageBuilder& empty(int index) {
    PackageRecord& r = directory_.records[index];
    r = PackageRecord();
    r.kind = rkWorkDir;
    r.compressedField[0] = 1;
    r.firstByte = r.lastByte = static_cast<std::int32_t>(bytes_.size());
    return *this;
  }
  // The builder's usual saver package: read-me, engine, companion, data file, two libraries.
  PackageBuilder& saverRecords() {
    record(5, "readme.txt", rkWorkDir, "read me");
    record(6, "Test.scr", rkSystemDir, "engine bytes");
    record(7, "Test.scf", rkCompanion, "companion");
    record(8, "Test.ssd", rkWorkDirData, "data file");
    record(9, "saver1.dll", rkCompanion, "library one");
    record(10, "saver2.dll", rkCompanion, "library two");
    return *this;
  }
  PackageDirectory& directory() { return directory_; }

  // Writes the file and sets packageDirectory as readPackageDirectory would.
  void write(const std::string& path) {
    std::vector<std::uint8_t> image(packageDirectorySize);
    serialisePackageDirectory(directory_, image.data());
    bytes_.replace(payloadOffset, packageDirectorySize, reinterpret_cast<const char*>(image.data()), image.size());
    testlib::writeFile(path, bytes_);
    packageDirectory = directory_;
  }

 private:
  PackageDirectory directory_;
  std::string bytes_;
};

// Counts status texts and progress steps; onStep runs inside each step, as the user's Cancel would.
class RecordingUi : public InstallerUi {
 public:
  void showStatus(const std::string& text) override { statuses.push_back(text); }
  void stepProgress() override {
    ++steps;
    if (onStep) onStep(steps);
  }
  void pauseBriefly() override {}

  std::vector<std::string> statuses;
  int steps = 0;
  std::function<void(int)> onStep;
};
