// Modal message dialogs with the captions, icons and named buttons of the installer's conventions:
// error ("Error"), warning ("Warning"), information ("Information") and confirmation ("Confirm"),
// buttons "&Abort", "&Yes", "&No", "OK" and "Cancel". Real dialog windows (class #32770), centred on
// the screen, owned by the active window, so tests find them by caption and press their buttons.
#pragma once
#include <initializer_list>
#include <string>

enum class DialogKind { error, warning, information, confirmation };

// Button identifiers are the platform's: IDOK 1, IDCANCEL 2, IDABORT 3, IDYES 6, IDNO 7.
// Returns the identifier of the pressed button, or IDCANCEL (2) when the dialog was closed otherwise.
int messageDialog(const std::string& text, DialogKind kind, std::initializer_list<int> buttons);

// The common single-button forms.
void showErrorMessage(const std::string& text);        // error, one Abort button
void showInformationMessage(const std::string& text);  // information, one Abort button
