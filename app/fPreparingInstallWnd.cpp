#include "app/fPreparingInstallWnd.h"

#include "common/texts.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"

TpreparingInstallWnd* preparingInstallWnd = nullptr;

TpreparingInstallWnd::TpreparingInstallWnd() : Form("TpreparingInstallWnd", -3000, -3000, 264, 91, 0) {
  Label1 = createLabel(handle(), 0, 0, 264, 91, loadText(IDS_PREPARING_INSTALLATION), true);
  show();
}

void TpreparingInstallWnd::setMessage(const std::string& text) {
  setText(Label1, text);
  Application::instance().processMessages();
}

std::string TpreparingInstallWnd::message() const { return text(Label1); }

void TpreparingInstallWnd::moveOffScreen() { setPosition(-3000, -3000); }

void TpreparingInstallWnd::centerOnScreen() {
  setPosition((GetSystemMetrics(SM_CXSCREEN) - width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - height()) / 2);
  Application::instance().processMessages();
}
