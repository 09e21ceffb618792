// The installer's process-wide state that start-up sets and the install steps read: the package
// directory, the two flags, the installer window's fields, and the three window operations the
// steps may call. The steps never touch the window's controls; TInstallerForm implements
// InstallerUi, and tests give their own to run a step without a visible window.
#pragma once
#include "common/dataStructures_shared.h"

#include <cstdint>
#include <string>

// Status line, paced progress step and the short pause of the installer window. showStatus and
// stepProgress do nothing while the state's presentation is 4.
class InstallerUi {
 public:
  virtual ~InstallerUi() = default;
  virtual void showStatus(const std::string& text) = 0;
  virtual void stepProgress() = 0;
  virtual void pauseBriefly() = 0;
};

// Fields of the installer window that start-up sets (all 0 when the window is created).
struct InstallerState {
  std::uint8_t presentation = 0;  // header byte, or 4 in silent mode and during the movie fallback
  std::uint8_t useLicense = 0;
  std::uint8_t useReadMe = 0;
  std::uint8_t flashInstallNeeded = 0;
  std::uint8_t flashUpdateKind = 0;  // 2 major update, 3 release update, 4 not installed
  std::uint8_t flashControlLocked = 0;
  std::uint8_t flashInstallerRun = 0;
  std::uint8_t restartNeeded = 0;
  std::uint8_t flashDialogDismissed = 0;
  SettingsBlock settings;  // the saver data file's block, written out as "saver.dat"
};

// Process-wide.
extern PackageDirectory packageDirectory;  // read once at start-up, never written back (but record 3's name)
extern std::uint8_t installing;            // an install run from the Install button is in progress
extern std::uint8_t cancelRequested;       // the user pressed Cancel or declined the overwrite question
