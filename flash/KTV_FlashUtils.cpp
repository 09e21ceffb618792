#include "flash/KTV_FlashUtils.h"

#include "system/KTV_FileUtils.h"
#include "toolkit/application.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

int cachedFlashVersion = -1;

namespace {

// The control files in the order they are looked for, relative to the system directory.
constexpr const char* controlFiles[] = {"Macromed\\Flash\\Flash.ocx", "Macromed\\Flash\\swflash.ocx"};

constexpr int deleteAttempts = 100;
constexpr DWORD probePauseMs = 500;
constexpr DWORD dialogPollPauseMs = 10;
constexpr int installerProbeTries = 1000;
constexpr int dialogButtonId = 7;  // the installer dialog's item that the installer confirms (IDNO)
constexpr std::uint8_t majorUpdate = 2;

const char* const installerDialogTitle = "Macromedia Flash Player 7";

// {D27CDB6E-AE6D-11CF-96B8-444553540000}
const CLSID clsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}: dual, so its pointer is also the control's IDispatch.
const IID iidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr DISPID dispidFlashVersion = 0x84;

// Owns one COM interface pointer.
template <typename T>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  void** out() { return reinterpret_cast<void**>(&pointer_); }

 private:
  T* pointer_ = nullptr;
};

// major and release of one file's fixed version information; both stay 0 without it.
void readVersionNumbers(const std::string& path, int& major, int& release) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return;
  std::vector<char> buffer(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return;
  if (!VerQueryValueA(buffer.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info) return;
  major = static_cast<int>(HIWORD(info->dwFileVersionMS));
  release = static_cast<int>(HIWORD(info->dwFileVersionLS));
}

// Asks an existing control for its version; false when the call fails.
bool askFlashVersion(IDispatch* control, unsigned long& version) {
  DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT status = control->Invoke(dispidFlashVersion, IID_NULL, LOCALE_USER_DEFAULT,
                                   DISPATCH_METHOD | DISPATCH_PROPERTYGET, &noArguments, &result, nullptr, nullptr);
  bool ok = SUCCEEDED(status) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4));
  if (ok) version = static_cast<unsigned long>(result.lVal);
  VariantClear(&result);
  return ok;
}

}  // namespace

void getFlashOcxVersion(int& major, int& release) {
  major = 0;
  release = 0;
  for (const char* name : controlFiles) {
    const std::string path = installPaths.systemDir + name;
    if (!fileExists(path)) continue;
    // Only the first file present counts, even when the other one is newer.
    readVersionNumbers(path, major, release);
    return;
  }
}

void isFlashOcxInstalled(bool& installed, int& major) {
  int release = 0;
  installed = false;
  getFlashOcxVersion(major, release);
  installed = major > 0;
}

bool removeFlashOcxFiles() {
  bool locked = false;
  for (const char* name : controlFiles) {
    const std::string path = installPaths.systemDir + name;
    if (fileExists(path) && deleteFileWithRetries(path, deleteAttempts) != 0) locked = true;
  }
  return locked;
}

ResultCode runFlashInstaller() {
  const std::string path = installPaths.workDir + "flashax.exe";
  if (!fileExists(path)) return rcNoFlashInstaller;
  Application& application = Application::instance();
  // The installer runs on its own; the version probe is what waits for it.
  HINSTANCE started = ShellExecuteA(application.mainWindow(), nullptr, path.c_str(), "/Q", nullptr, SW_HIDE);
  application.bringToFront();
  const INT_PTR value = reinterpret_cast<INT_PTR>(started);
  if (value > 32) return rcOk;
  if (value == 0) return rcNoMemory;
  return static_cast<ResultCode>(value);
}

ResultCode probeFlashPlayerVersion(bool& installed, int& version, int tries) {
  installed = true;
  if (cachedFlashVersion != -1) {
    version = cachedFlashVersion;
    return rcOk;
  }
  version = 0;
  installed = false;
  ResultCode result = rcOk;
  ComPointer<IDispatch> control;
  for (int attempt = 0; attempt < tries && !control.get(); ++attempt) {
    Sleep(probePauseMs);
    unsigned long flashVersion = 0;
    // A control that exists but cannot tell its version ends the loop all the same.
    if (FAILED(CoCreateInstance(clsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, iidShockwaveFlash,
                                control.out())) ||
        !control.get() || !askFlashVersion(control.get(), flashVersion)) {
      result = rcFlashProbeFailed;
      continue;
    }
    const int major = static_cast<int>(flashVersion >> 16);
    version = major;
    installed = true;
    result = rcOk;
    cachedFlashVersion = major;
  }
  version = cachedFlashVersion;
  return result;
}

ResultCode installFlashPlayer(InstallerState& state) {
  ResultCode result = runFlashInstaller();
  if (result != rcOk) return result;
  state.flashInstallerRun = 1;
  // The probe only serves as the wait for the installer to register the new control.
  bool installed = false;
  int version = 0;
  probeFlashPlayerVersion(installed, version, installerProbeTries);
  if (state.flashUpdateKind == majorUpdate && state.flashControlLocked) state.restartNeeded = 1;
  return rcOk;
}

void confirmFlashInstallerDialog(InstallerState& state, int tries) {
  if (state.flashDialogDismissed) return;
  Application& application = Application::instance();
  HWND dialog = nullptr;
  for (int i = 0; i < tries && !dialog; ++i) {
    application.processMessages();
    dialog = FindWindowA(nullptr, installerDialogTitle);
    if (!dialog) Sleep(dialogPollPauseMs);
  }
  if (!dialog) return;
  application.bringToFront();
  SendDlgItemMessageA(dialog, dialogButtonId, BM_CLICK, 0, 0);
  state.flashDialogDismissed = 1;
}
