// The installer's user-visible texts: one table, compiled into the string resources of every
// Windows program (InstallerPrjConst.rc) and looked up by identifier at run time, so that the texts
// can be translated without touching code. The native build compiles the same table into a lookup
// array for its tests. Portable: plain macros, usable by windres as well as by C++.
//
// Each entry: X(identifier, resource number, text). "\r\n" is carriage return and line feed.
#pragma once

#define INSTALLER_TEXTS(X) \
  /* error reporter */ \
  X(IDS_INSTALLATION_ERROR, 1001, "Installation Error: ") \
  X(IDS_INSUFFICIENT_PRIVILEGES, 1002, "Insufficient user account privileges.\r\n\r\nThe current user account has insufficient privileges to install screen savers. Please contact your system administrator for help in performing this installation.") \
  X(IDS_RETRY_INSTALLATION, 1003, "Please retry installation. If this message appears again, the installation cannot be completed because your user account has limited installation privileges.") \
  X(IDS_LOGIN_AS_ADMINISTRATOR, 1004, " To complete this installation, login with administrative privileges and rerun this installer.") \
  X(IDS_SAVER_CANNOT_BE_REPLACED, 1005, "Screen saver cannot be replaced.\r\n\r\nPlease close the screen saver control panel and try again. If the install fails again, you may have insufficient privileges to install screen savers. Please contact your system administrator for assistance.") \
  X(IDS_PROBLEM_WITH_FILE, 1006, "Problem with file ") \
  /* start-up and other messages */ \
  X(IDS_INSTALLER_CORRUPTED, 1010, "Installer file is corrupted. ") \
  X(IDS_MORVANE_ERROR, 1011, "Morvane Error: ") \
  X(IDS_CORRUPT_FILE, 1012, "CorruptFile: ") \
  X(IDS_ZIP_ERROR, 1013, "Zip Error: Problem expanding data in memory. ") \
  X(IDS_DATA_FILE_IN_USE, 1014, "Screen saver data file already in use.") \
  X(IDS_DATA_FILE_OPEN_FAILED, 1015, "Problem opening screen saver data file.\r\n\r\nFile: ") \
  X(IDS_DATA_FILE_READ_FAILED, 1016, "Problem reading screen saver data file. ") \
  X(IDS_DATA_FILE_CLOSE_FAILED, 1017, "Problem closing file.\r\n\r\nFile: ") \
  X(IDS_OVERWRITE_QUESTION, 1018, " screen saver already exists. Overwrite?") \
  X(IDS_OPEN_CONTROL_PANEL, 1019, "The installation of the screen saver was successful.\r\n\r\nWould you like to open the screen saver control panel?") \
  X(IDS_RESTART_QUESTION, 1020, "The installation was successful. You must restart your computer before the new settings will take effect.\r\n\r\nDo you want to restart your computer now?") \
  /* status line and preparing window */ \
  X(IDS_PREPARING_INSTALLATION, 1030, "Preparing Installation...") \
  X(IDS_INSTALLING_SAVER, 1031, "Installing Screen Saver...") \
  X(IDS_WRITING_SAVER_FILES, 1032, "Writing screen saver files...") \
  X(IDS_EXPANDING_FILES, 1033, "Expanding files...") \
  X(IDS_WRITING_SAVER_DATA, 1034, "Writing saver data file...") \
  X(IDS_INSTALL_COMPLETE, 1035, "Screen Saver Installation and Setup Complete.") \
  X(IDS_ABORTED_PRIVILEGES, 1036, "Installation Aborted: Insufficient user account privileges.") \
  X(IDS_ABORTED_SAVER_BUSY, 1037, "Installation Aborted: Screen saver cannot be replaced.") \
  X(IDS_INSTALL_FAILED, 1038, "Install failed. Error: ") \
  X(IDS_ABORTED_CLEANING_UP, 1039, "Installation Aborted. Cleaning up files...") \
  X(IDS_INSTALLATION_SUCCESSFUL, 1040, "Installation Successful.") \
  X(IDS_INSTALLATION_CANCELLED, 1041, "Installation Cancelled") \
  /* buttons and captions */ \
  X(IDS_BUTTON_INSTALL, 1050, "Install") \
  X(IDS_BUTTON_ACCEPT_AND_INSTALL, 1051, "Accept and Install") \
  X(IDS_BUTTON_CANCEL, 1052, "Cancel") \
  X(IDS_BUTTON_CLOSE, 1053, "Close") \
  X(IDS_CAPTION_ERROR, 1054, "Error") \
  X(IDS_CAPTION_CONFIRM, 1055, "Confirm") \
  X(IDS_CAPTION_INFORMATION, 1056, "Information") \
  X(IDS_CAPTION_WARNING, 1057, "Warning") \
  X(IDS_BUTTON_ABORT, 1058, "&Abort") \
  X(IDS_BUTTON_YES, 1059, "&Yes") \
  X(IDS_BUTTON_NO, 1060, "&No") \
  X(IDS_BUTTON_OK, 1061, "OK") \
  /* failures that leave an action without a result code */ \
  X(IDS_CANNOT_OPEN_FILE, 1070, "Cannot open file ") \
  X(IDS_CANNOT_CREATE_FILE, 1071, "Cannot create file ") \
  X(IDS_UNABLE_TO_WRITE_TO, 1072, "Unable to write to %s") \
  /* display names */ \
  X(IDS_SCREEN_SAVER, 1080, "Screen Saver") \
  X(IDS_INSTALL_WORD, 1081, "Install") \
  X(IDS_DISPLAY_PROPERTIES, 1082, "Display Properties")

#ifndef RC_INVOKED
#define INSTALLER_TEXT_ID(name, number, text) name = number,
enum TextId { INSTALLER_TEXTS(INSTALLER_TEXT_ID) };
#undef INSTALLER_TEXT_ID
#endif
