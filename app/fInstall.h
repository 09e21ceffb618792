// The installer window: start-up (prepareInstallation, run from FormCreate), the install sequence
// and its three ways of being started, the status line, the paced progress steps, the buttons and
// the close handlers. The install steps themselves live in package/, system/ and flash/ and reach
// this window only through InstallerUi and the state.
#pragma once
#include "common/constants_shared.h"
#include "common/installerState.h"
#include "toolkit/form.h"

#include <string>

class TInstallerForm : public Form, public InstallerUi {
 public:
  TInstallerForm();  // creates the window off the screen, runs FormCreate, then shows it

  InstallerState state;

  void showStatus(const std::string& text) override;
  void stepProgress() override;
  void pauseBriefly() override;

  void layoutForm();
  void fitFormHeight();
  void setFormTitle(const std::string& name);

  ResultCode installScreenSaver();
  ResultCode installUnattended();
  void installSilently();
  void setupFormForInstallation();
  void setupFormForInstallationComplete(ResultCode code);
  void setupFormForInstallationCancelled();

  void installBtnClick();
  void cancelBtnClick();
  void doneBtnClick();

 protected:
  bool FormCloseQuery() override;
  void FormClose() override;
  void FormShow() override;
  void FormResize() override;
  void onCommand(HWND control, int notification) override;
  void onTimer(UINT_PTR id) override;

 private:
  void FormCreate();
  void prepareInstallation();
  ResultCode prepareFlashPlayer();
  ResultCode prepareLicense();
  void showIntroPicture();
  ResultCode showIntroMedia(bool& fallbackInstallDone);
  ResultCode runInstallSteps(ResultCode& activationResult);
  void closeAndTerminate();
  void setProgress(int position);

  HWND contentPanel = nullptr;
  HWND bmpPanel = nullptr;
  HWND buttonPanel = nullptr;
  HWND labCopying = nullptr;
  HWND progressBar = nullptr;
  HWND installBtn = nullptr;
  HWND doneBtn = nullptr;
  HWND cancelBtn = nullptr;
  HWND licenseScrollBox = nullptr;
  bool pauseTimerEnabled = false;
};

extern TInstallerForm* InstallerForm;
