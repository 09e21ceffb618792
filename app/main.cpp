// Program entry of the installer stub: the preparing window first (the application's main window),
// then the installer window, whose creation runs the whole start-up; then the message loop.
#include "app/fInstall.h"
#include "app/fPreparingInstallWnd.h"
#include "toolkit/application.h"

#include <ole2.h>

#include <cstdlib>

namespace {

std::string programFileName() {
  char path[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full(path, length < sizeof path ? length : 0);
  return full.substr(full.find_last_of("\\/") + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  OleInitialize(nullptr);  // the movie control is an ActiveX control
  Application& application = Application::instance();
  application.setTitle("Preparing installation...");

  TpreparingInstallWnd preparing;
  preparingInstallWnd = &preparing;
  application.setMainWindow(preparing.handle());
  preparing.setCaption(programFileName());
  preparing.setMessage("Preparing installation...");
  application.processMessages();

  int exitCode = 0;
  {
    TInstallerForm installer;
    exitCode = application.run();
    InstallerForm = nullptr;
  }
  preparingInstallWnd = nullptr;
  OleUninitialize();
  return exitCode;
}

// The library's default terminate handler prints the exception's demangled type name, which links
// the whole demangler into the stub; a failure that reaches terminate ends the program anyway.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
