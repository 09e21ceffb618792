// Result codes and fixed numbers shared by the installer stub and the package builder.
// Portable: no Windows headers. Every fallible operation returns a ResultCode; 0 is success,
// negative values are the installer's own codes below, positive values come from the platform
// (an operating-system error code, 100 short read, 101 short write, or a ShellExecuteA result 1..32).
#pragma once
#include <cstdint>

using ResultCode = std::int32_t;

constexpr ResultCode rcOk = 0;
constexpr ResultCode rcFailed = -1;              // removing a directory tree failed; non-positive tries
constexpr ResultCode rcNoMemory = -7;            // no buffer for a record or entry; shell out of memory
constexpr ResultCode rcNoEntry = -12;            // entry index beyond the data file's entry count
constexpr ResultCode rcSizeMismatch = -13;       // an expanded file is not the size its record states
constexpr ResultCode rcDataFileClosed = -15;     // an entry was asked for while the data file is closed
constexpr ResultCode rcNotCreated = -16;         // a file that must exist is missing
constexpr ResultCode rcShortRead = -30;          // fewer packed bytes than the record spans
constexpr ResultCode rcShortDirectory = -31;     // the installer file ends inside the package directory
constexpr ResultCode rcFileBusy = -32;           // a file cannot be deleted, even after clearing attributes
constexpr ResultCode rcNoExpander = -35;         // the decompression library cannot be loaded or bound
constexpr ResultCode rcSaverBusy = -38;          // the .scr cannot be deleted within its tries
constexpr ResultCode rcNoFlashInstaller = -401;  // workDir\flashax.exe is missing
constexpr ResultCode rcFlashProbeFailed = -402;  // no Flash control could be created to ask its version
constexpr ResultCode rcNoFlashControl = -403;    // the movie panel could not create its control
constexpr ResultCode rcNotSwf = -404;            // the intro movie is not an SWF file
constexpr ResultCode rcSwfTooNew = -405;         // SWF version above 7
constexpr ResultCode rcSwfTooOld = -406;         // SWF version below 3
constexpr ResultCode rcPlayerTooOld = -410;      // SWF version above the installed player's major version
constexpr ResultCode rcCancelled = -454;         // the user declined to overwrite an existing saver
constexpr ResultCode rcPackageCopyFailed = -523; // message code only: the installer file cannot be copied
constexpr ResultCode rcNoRecordName = -531;      // a required package record is empty
constexpr ResultCode rcEntryCopyFailed = -532;   // a movie copy (entry kind 3) failed
constexpr ResultCode rcUnsafeFileName = -533;    // a record or entry name would leave its destination directory
constexpr ResultCode rcNoDestination = -534;     // a record kind that names no destination directory
constexpr ResultCode rcBadEntryCount = -535;     // the data file's entry count is negative or above 1009
constexpr ResultCode rcUninstallWrite = -2201;   // the uninstall entry could be written under neither root
constexpr ResultCode rcUninstallDelete = -2202;  // the uninstall entry could be deleted under neither root

// I/O error numbers of byte-wise file reading and writing.
constexpr ResultCode ioShortRead = 100;
constexpr ResultCode ioShortWrite = 101;

// The package directory starts right behind the stub, which is padded to exactly this size.
constexpr std::uint32_t payloadOffset = 671744;  // 0xA4000
