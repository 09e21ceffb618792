#include "app/fInstall.h"

#include "app/completionActions.h"
#include "app/fPreparingInstallWnd.h"
#include "common/applicationFailure.h"
#include "common/commandLine.h"
#include "common/errorMessages.h"
#include "common/logFile.h"
#include "common/reportError.h"
#include "common/texts.h"
#include "flash/KTV_FlashUtils.h"
#include "package/packageFile.h"
#include "package/recordExtraction.h"
#include "package/saverDataFile.h"
#include "system/KTV_FileUtils.h"
#include "system/KTV_RegistryUtils.h"
#include "system/KTV_StringUtils.h"
#include "system/saverPlacement.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/messageDialog.h"
#include "toolkit/picture.h"

#include <commctrl.h>

#include <vector>

TInstallerForm* InstallerForm = nullptr;

namespace {

constexpr UINT_PTR pauseTimer = 1;
constexpr int contentTop = -1;
constexpr int contentHeight = 152;
constexpr int buttonPanelHeight = 63;
constexpr int licenseMinHeight = 103;

bool silentRequested() {
  for (const std::string& parameter : commandLineParameters(GetCommandLineA())) {
    if (isSilentSwitch(parameter)) return true;
  }
  return false;
}

}  // namespace

TInstallerForm::TInstallerForm() : Form("TInstallerForm", -3000, -3000, 344, 336, WS_EX_TOPMOST) {
  InstallerForm = this;
  setSize(352, 370);
  HWND window = handle();
  contentPanel = createPanel(window, 0, contentTop, 352, contentHeight, true);
  bmpPanel = createPicture(contentPanel, 1, 1, 350, 150);
  buttonPanel = createPanel(window, -8, 279, 350, buttonPanelHeight, false);
  labCopying = createLabel(buttonPanel, 2, 3, 360, 13, "", false);
  setVisible(labCopying, false);
  progressBar = createProgressBar(buttonPanel, 1, 20, 347, 11);
  installBtn = createButton(buttonPanel, 182, 36, 80, 25, "");
  doneBtn = createButton(buttonPanel, 268, 36, 80, 25, "");
  setVisible(doneBtn, false);
  cancelBtn = createButton(buttonPanel, 268, 36, 80, 25, loadText(IDS_BUTTON_CANCEL));
  licenseScrollBox = createTextBox(window, -8, 150, 350, 105);
  setVisible(licenseScrollBox, false);

  // Right-button presses anywhere in the application are swallowed.
  Application::instance().setMessageHook([](MSG& message) { return message.message == WM_RBUTTONDOWN; });

  FormCreate();
  if (!closed()) show();
}

// ---- Start-up ---------------------------------------------------------------------------------

void TInstallerForm::FormCreate() {
  setBorder(Border::single);
  prepareInstallation();
}

void TInstallerForm::prepareInstallation() {
  Application& application = Application::instance();
  HourglassCursor cursor;
  application.processMessages();

  state = InstallerState();
  installing = 0;
  cancelRequested = 0;
  bool silent = false;
  bool fallbackInstallDone = false;
  ResultCode startupResult = 0;

  try {
    startupResult = computeStartupPaths();
    if (startupResult == 0) {
      computeInstallerPaths();
      startupResult = copyPackage();
    }
    if (startupResult == 0) startupResult = readPackageDirectory(*this);
    const PackageHeader& header = packageDirectory.header;
    if (startupResult == 0) {
      state.presentation = header.presentation;
      for (const std::string& parameter : commandLineParameters(GetCommandLineA())) {
        logMessage("command line parameter:" + parameter);
        if (isSilentSwitch(parameter)) {
          silent = true;
          state.presentation = presentationNone;
        }
      }
      if (silent) {
        preparingInstallWnd->moveOffScreen();
      } else {
        preparingInstallWnd->centerOnScreen();
      }
      computeSaverPaths(packageDirectory);
      state.useReadMe = header.hasReadMe;
      if (state.useReadMe) startupResult = loadReadMe(*this);
    }
    if (startupResult == 0) startupResult = prepareFlashPlayer();
    if (startupResult == 0 && !silent) {
      setFormTitle(installPaths.saverName);
      application.setTitle(caption());
      startupResult = prepareLicense();
    }
    // The header's byte, not the state: the intro is extracted in silent mode too.
    if (startupResult == 0 && header.presentation != presentationNone) startupResult = loadIntroMedia(*this);
    if (startupResult == 0 && !silent) startupResult = showIntroMedia(fallbackInstallDone);
    if (startupResult == 0 && !silent && !fallbackInstallDone) {
      preparingInstallWnd->moveOffScreen();
      SendMessageA(progressBar, PBM_SETRANGE32, 0, 10);
      setNormalState();
      layoutForm();
      setPosition((GetSystemMetrics(SM_CXSCREEN) - width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - height()) / 2);
    }
    if (startupResult == 0 && silent) installSilently();
  } catch (const ApplicationFailure& failure) {
    application.showFailure(failure.message());
    startupResult = failure.code();
  }

  cursor.restore();
  if (startupResult != 0 && startupResult != rcCancelled) showErrorMessage(startupFailureText(startupResult));

  if (startupResult != 0) {
    if (state.restartNeeded) confirmFlashInstallerDialog(state, 1000);
    // A start-up failure under "/q" must reach the script that started us, also when it came before
    // the command line was read.
    if (silentRequested()) application.setExitCode(startupResult);
    closeAndTerminate();
  } else if (fallbackInstallDone || silent) {
    // The silent ending opens the control panel without a question, whatever the install's result.
    if (state.restartNeeded) {
      offerRestart(state, [this] { close(); });
    } else if (fallbackInstallDone) {
      offerDisplayControlPanel();
    } else {
      openDisplayControlPanel();
    }
    closeAndTerminate();
  }
}

ResultCode TInstallerForm::prepareFlashPlayer() {
  ResultCode result = loadFlashInstaller(*this);
  if (result != 0) return result;
  bool installed = false;
  int major = 0;
  isFlashOcxInstalled(installed, major);
  if (!installed) {
    state.flashInstallNeeded = 1;
    state.flashUpdateKind = 4;
  } else if (major < 7) {
    logMessage("==== majorVersionUpdate ====");
    state.flashInstallNeeded = 1;
    state.flashUpdateKind = 2;
    state.flashControlLocked = removeFlashOcxFiles();
  } else {
    int release = 0;
    getFlashOcxVersion(major, release);
    if (release < 19) {
      state.flashInstallNeeded = 1;
      state.flashUpdateKind = 3;
      state.flashControlLocked = removeFlashOcxFiles();
    }
  }
  // A failed installation here does not stop start-up; the install run tries again.
  if (state.flashInstallNeeded && !state.flashControlLocked) installFlashPlayer(state);
  return 0;
}

ResultCode TInstallerForm::prepareLicense() {
  ResultCode result = 0;
  state.useLicense = packageDirectory.header.hasLicense;
  if (state.useLicense) {
    result = loadLicense(*this);
    if (result == 0) {
      loadTextFile(licenseScrollBox, installPaths.workDir + packageDirectory.records[4].fileName());
      setVisible(licenseScrollBox, true);
      setBorder(Border::sizeable);
      setMinimumSize(359, 340);
      RECT box = boundsInParent(licenseScrollBox);
      moveControl(licenseScrollBox, box.left, box.top, box.right - box.left, licenseMinHeight);
      RECT install = boundsInParent(installBtn);
      moveControl(installBtn, install.left, install.top, 115, install.bottom - install.top);
      setText(installBtn, loadText(IDS_BUTTON_ACCEPT_AND_INSTALL));
      setVisible(cancelBtn, true);
    }
  } else {
    RECT install = boundsInParent(installBtn);
    moveControl(installBtn, install.left, install.top, 80, install.bottom - install.top);
    setText(installBtn, loadText(IDS_BUTTON_INSTALL));
    setVisible(licenseScrollBox, false);
    setBorder(Border::single);
  }
  // Also after a failed license extraction, before start-up ends with its message.
  RECT cancel = boundsInParent(cancelBtn);
  RECT install = boundsInParent(installBtn);
  int installWidth = install.right - install.left;
  moveControl(installBtn, cancel.left - installWidth - 6, install.top, installWidth, install.bottom - install.top);
  setText(cancelBtn, loadText(IDS_BUTTON_CANCEL));
  setText(doneBtn, loadText(IDS_BUTTON_CLOSE));
  return result;
}

ResultCode TInstallerForm::showIntroMedia(bool& fallbackInstallDone) {
  switch (state.presentation) {
    case presentationBitmap:
    case presentationJpeg:
      showIntroPicture();
      return 0;
    case presentationMovie:
    case presentationMovieAlt: {
      // The movie panel is not part of this program yet: a movie package installs unattended,
      // reporting in the preparing window, as when the intro movie cannot be played.
      ResultCode result = installUnattended();
      fallbackInstallDone = true;
      Application::instance().processMessages();
      return result;
    }
    default:
      return 0;
  }
}

void TInstallerForm::showIntroPicture() {
  // A picture that cannot be loaded is no failure: the intro area stays empty.
  if (!loadPicture(bmpPanel, installPaths.workDir + packageDirectory.records[3].fileName())) {
    showErrorMessage(loadText(IDS_CORRUPT_FILE));
  }
  setVisible(bmpPanel, true);
  BringWindowToTop(bmpPanel);
}

// ---- Window -----------------------------------------------------------------------------------

void TInstallerForm::showStatus(const std::string& text) {
  if (state.presentation == presentationNone) return;
  setVisible(labCopying, true);
  setText(labCopying, text);
  UpdateWindow(labCopying);
}

void TInstallerForm::stepProgress() {
  if (state.presentation == presentationNone) return;
  SendMessageA(progressBar, PBM_STEPIT, 0, 0);
  pauseBriefly();
}

void TInstallerForm::pauseBriefly() {
  Application& application = Application::instance();
  pauseTimerEnabled = true;
  SetTimer(handle(), pauseTimer, 100, nullptr);
  // Nested pauses share the timer: each ends when it finds the timer disabled.
  while (pauseTimerEnabled && !application.terminated() && !closed()) application.handleMessage();
  if (state.restartNeeded && !state.flashDialogDismissed) confirmFlashInstallerDialog(state, 10);
  application.bringToFront();
}

void TInstallerForm::onTimer(UINT_PTR id) {
  if (id != pauseTimer) return;
  KillTimer(handle(), pauseTimer);  // pauseTimerTimer
  pauseTimerEnabled = false;
}

void TInstallerForm::setProgress(int position) { SendMessageA(progressBar, PBM_SETPOS, position, 0); }

void TInstallerForm::layoutForm() {
  if (state.presentation == presentationNone) {
    setSize(0, 0);
    return;
  }
  setSize(359, height());
  fitFormHeight();
}

void TInstallerForm::fitFormHeight() {
  const int frame = height() - clientHeight();
  int outer = frame + contentTop + contentHeight + buttonPanelHeight;
  if (state.useLicense) {
    RECT box = boundsInParent(licenseScrollBox);
    outer += box.bottom - box.top + 4;
  }
  setSize(width(), outer);
}

void TInstallerForm::FormResize() {
  if (!buttonPanel) return;
  const int frame = height() - clientHeight();
  const int client = clientWidth();
  moveControl(contentPanel, 0, contentTop, client, contentHeight);
  moveControl(bmpPanel, 1, 1, client - 2, contentHeight - 2);
  const int buttonTop = height() - (frame + buttonPanelHeight);
  moveControl(buttonPanel, 0, buttonTop, client, buttonPanelHeight);
  // Controls anchored right keep their distance to the panel's right edge.
  moveControl(progressBar, 1, 20, client - 3, 11);
  moveControl(cancelBtn, client - 82, 36, 80, 25);
  moveControl(doneBtn, client - 82, 36, 80, 25);
  RECT install = boundsInParent(installBtn);
  const int installWidth = install.right - install.left;
  moveControl(installBtn, client - 82 - 6 - installWidth, 36, installWidth, 25);
  int boxHeight = (buttonTop - 2) - (contentTop + contentHeight + 4);
  if (boxHeight < licenseMinHeight) boxHeight = licenseMinHeight;
  moveControl(licenseScrollBox, 0, contentTop + contentHeight + 2, client, boxHeight);
}

void TInstallerForm::FormShow() {
  if (preparingInstallWnd) preparingInstallWnd->hide();
}

void TInstallerForm::setFormTitle(const std::string& name) { setCaption(installerTitle(name)); }

void TInstallerForm::onCommand(HWND control, int notification) {
  if (notification != BN_CLICKED) return;
  if (control == installBtn) installBtnClick();
  else if (control == cancelBtn) cancelBtnClick();
  else if (control == doneBtn) doneBtnClick();
}

// ---- Install sequence -------------------------------------------------------------------------

ResultCode TInstallerForm::runInstallSteps(ResultCode& activationResult) {
  ResultCode result = 0;
  auto goingOn = [&] { return cancelRequested == 0 && result == 0; };
  if (cancelRequested == 0) closeDisplayProperties();
  if (cancelRequested == 0) {
    bool ask = state.presentation != presentationNone;
    result = prepareSaverTarget(installPaths.systemDir, installPaths.saverName, ask,
                                ask ? loadText(IDS_OVERWRITE_QUESTION) : std::string());
    if (result == rcCancelled) cancelRequested = 1;
    if (preparingInstallWnd) RedrawWindow(preparingInstallWnd->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  if (goingOn() && state.flashInstallNeeded && !state.flashInstallerRun) result = installFlashPlayer(state);
  if (goingOn()) result = extractSaverFiles(installPaths.packageCopy, state, *this);
  if (goingOn()) result = readSettingsBlock(state);
  if (goingOn()) result = installSaverEntries(state, *this);
  if (goingOn()) result = writeSaverSettings(state, *this);
  if (goingOn()) activationResult = activateSaver();
  if (goingOn()) result = copyLicenseAndReadMe(state);
  if (goingOn()) openReadMe();
  if (goingOn()) registerUninstall(installPaths.saverName);  // a failed registration does not fail the install
  return result;
}

ResultCode TInstallerForm::installScreenSaver() {
  HourglassCursor cursor;
  setupFormForInstallation();
  ResultCode activationResult = 0;
  ResultCode result = 0;
  // A failure without a result code (a file that cannot be created, the system.ini write) ends the
  // steps like any failed step: it is shown, then cleaned up and reported as the run's result.
  try {
    result = runInstallSteps(activationResult);
  } catch (const ApplicationFailure& failure) {
    Application::instance().showFailure(failure.message());
    result = failure.code();
  }
  deleteFile(installPaths.saverDataPath);
  if (result != 0 && result != rcCancelled) removeInstalledSaver();
  if (cancelRequested == 0 && activationResult != 0) result = activationResult;
  if (cancelRequested == 0) {
    setupFormForInstallationComplete(result);
  } else {
    showStatus(loadText(IDS_ABORTED_CLEANING_UP));
    if (result != rcCancelled) removeInstalledSaver();
    setupFormForInstallationCancelled();
  }
  return result;
}

ResultCode TInstallerForm::installUnattended() {
  const std::uint8_t saved = state.presentation;
  state.presentation = presentationNone;
  preparingInstallWnd->setCaption(caption());
  preparingInstallWnd->setMessage(loadText(IDS_INSTALLING_SAVER));
  ResultCode code = installScreenSaver();
  if (code == 0) {
    preparingInstallWnd->setMessage(loadText(IDS_INSTALLATION_SUCCESSFUL));
  } else if (code == rcCancelled) {
    preparingInstallWnd->setMessage(loadText(IDS_INSTALLATION_CANCELLED));
  } else {
    preparingInstallWnd->setMessage(loadText(IDS_INSTALL_FAILED) + std::to_string(code));
  }
  state.presentation = saved;
  return code;
}

void TInstallerForm::installSilently() { Application::instance().setExitCode(installScreenSaver()); }

void TInstallerForm::setupFormForInstallation() {
  if (state.presentation == presentationNone) return;
  setEnabled(installBtn, false);
  setVisible(cancelBtn, true);
  Application::instance().processMessages();
  showStatus(loadText(IDS_INSTALLING_SAVER));
  Application::instance().processMessages();
}

void TInstallerForm::setupFormForInstallationComplete(ResultCode code) {
  logValue("setupFormForInstallationComplete", std::to_string(code));
  if (state.presentation == presentationNone) return;
  if (code == 0) setProgress(10);
  pauseBriefly();
  pauseBriefly();
  setProgress(0);
  switch (code) {
    case 0:
      showStatus(loadText(IDS_INSTALL_COMPLETE));
      setVisible(doneBtn, true);
      SetFocus(doneBtn);
      setVisible(installBtn, false);
      setVisible(cancelBtn, false);
      Application::instance().processMessages();
      break;
    case 5:
      showStatus(loadText(IDS_ABORTED_PRIVILEGES));
      reportError(5, std::to_string(code));
      break;
    case rcSaverBusy:
      showStatus(loadText(IDS_ABORTED_SAVER_BUSY));
      reportError(rcSaverBusy, std::to_string(code));
      break;
    default:
      showStatus(loadText(IDS_INSTALL_FAILED) + std::to_string(code));
  }
  if (code == 0) setEnabled(installBtn, false);
}

void TInstallerForm::setupFormForInstallationCancelled() {
  if (state.presentation == presentationNone) return;
  setProgress(0);
  showStatus("");
  setEnabled(cancelBtn, true);
  Application::instance().processMessages();
  setEnabled(installBtn, true);
}

void TInstallerForm::installBtnClick() {
  if (installing) return;
  installing = 1;
  cancelRequested = 0;
  ResultCode code = installScreenSaver();
  if (cancelRequested == 0 && code == 0) {
    if (state.restartNeeded) {
      offerRestart(state, [this] { installing = 0, close(); });
    } else {
      offerDisplayControlPanel();
    }
  }
  installing = 0;
  if (code == 0) closeAndTerminate();
}

void TInstallerForm::cancelBtnClick() {
  if (installing) {
    cancelRequested = 1;
    showStatus(loadText(IDS_ABORTED_CLEANING_UP));
    setProgress(0);
    Application::instance().processMessages();
    pauseBriefly();
    pauseBriefly();
    return;
  }
  if (state.restartNeeded) confirmFlashInstallerDialog(state, 1000);
  closeAndTerminate();
}

void TInstallerForm::doneBtnClick() { closeAndTerminate(); }

void TInstallerForm::closeAndTerminate() {
  close();
  Application::instance().terminate();
}

bool TInstallerForm::FormCloseQuery() { return installing == 0; }

void TInstallerForm::FormClose() {
  KillTimer(handle(), pauseTimer);
  pauseTimerEnabled = false;
  // Only the work directory this run created: directoryPart of an empty packageCopy is "".
  removeDirectoryTree(directoryPart(installPaths.packageCopy));
  // The installer window is the program: closing it (also through its close box) ends the process.
  Application::instance().terminate();
}
