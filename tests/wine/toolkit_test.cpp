// The toolkit's application window and screen cursor, on real windows.
#include "common/applicationFailure.h"
#include "tests/harness/testlib.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

class PlainForm : public Form {
 public:
  PlainForm() : Form("ToolkitTestForm", 100, 100, 200, 120, 0) {
    HWND panel = createPanel(handle(), 0, 0, 200, 80, true);
    button = createButton(panel, 10, 10, 80, 25, "Press");
  }
  HWND button;
};

std::string textOf(HWND window) {
  char text[256];
  int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

void pumpMessages() {
  for (int i = 0; i < 20; ++i) {
    Application::instance().processMessages();
    Sleep(10);
  }
}

// The application window carries the task-bar button: it owns the forms, shows the title, appears
// with the first form shown, and minimising it hides the forms until it is brought back.
TEST(ApplicationWindow, OwnsTheFormsCarriesTheTitleAndMinimisesThemAll) {
  Application& application = Application::instance();
  application.setTitle("Preparing installation...");
  PlainForm form;
  HWND taskButton = application.handle();
  EXPECT_EQ(GetWindow(form.handle(), GW_OWNER), taskButton);
  EXPECT_FALSE(IsWindowVisible(taskButton));
  form.show();
  EXPECT_TRUE(IsWindowVisible(taskButton));
  EXPECT_EQ(textOf(taskButton), "Preparing installation...");
  application.setTitle("Sample Saver Screen Saver");
  EXPECT_EQ(textOf(taskButton), "Sample Saver Screen Saver");

  application.minimize();
  pumpMessages();
  EXPECT_TRUE(IsIconic(taskButton));
  EXPECT_FALSE(IsWindowVisible(form.handle()));
  application.bringToFront();
  pumpMessages();
  EXPECT_FALSE(IsIconic(taskButton));
  EXPECT_TRUE(IsWindowVisible(form.handle()));
  form.hide();
}

// The preparing window was last active, then hidden: bringing the application to the front must
// give the keyboard to the form that can be seen.
TEST(ApplicationWindow, BringingToFrontActivatesTheVisibleFormNotAHiddenOne) {
  PlainForm preparing, installer;
  preparing.show();
  SetActiveWindow(preparing.handle());
  preparing.hide();
  installer.show();
  Application::instance().bringToFront();
  pumpMessages();
  EXPECT_EQ(GetActiveWindow(), installer.handle());
  installer.hide();
}

// While a screen cursor is set, the form and its controls show it; without one, their own.
TEST(ScreenCursor, HourglassCoversTheControlsUntilRestored) {
  PlainForm form;
  form.show();
  const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  {
    HourglassCursor cursor;
    EXPECT_EQ(GetCursor(), wait);
    SetCursor(nullptr);
    EXPECT_TRUE(SendMessageA(form.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(form.button), overClient));
    EXPECT_EQ(GetCursor(), wait);
    cursor.restore();
    EXPECT_EQ(Application::instance().cursor(), nullptr);
    SendMessageA(form.button, WM_SETCURSOR, reinterpret_cast<WPARAM>(form.button), overClient);
    EXPECT_NE(GetCursor(), wait);
  }
  EXPECT_EQ(Application::instance().cursor(), nullptr);
  form.hide();
}

// A failure no step turned into a code, raised in a form's handler, is shown with the application
// title as caption and ends only that handler: the message that raised it returns.
TEST(TopLevelHandler, FailureInAHandlerIsShownAndTheProgramGoesOn) {
  class FailingForm : public PlainForm {
    void onTimer(UINT_PTR) override { throw ApplicationFailure("Cannot open file C:\\missing.dat", 2); }
  } form;
  Application::instance().setTitle("Failure test");
  testlib::DialogLog log(testlib::DialogLog::Owner::thisProcess, {{"Failure test", {"OK"}}});
  EXPECT_EQ(SendMessageA(form.handle(), WM_TIMER, 1, 0), 0);
  const auto& dialogs = log.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "Cannot open file C:\\missing.dat.");
}

}  // namespace
