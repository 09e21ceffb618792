// Assembles an installer from a manifest plan: the stub unchanged, the package directory at
// payloadOffset, then the packed files in record order without gaps.
//
// Slot conventions shared with the stub, which addresses records by number only:
//   0 "install.exe" kind 6 (the stub itself)   1 "impborl.dat" kind 4, always stored
//   2 "flashax.exe" kind 3                     3 "installer.swf" kind 7 (intro movie or picture)
//   4 license, 5 read-me: kind 7, source names  6 saverName + ".scr" kind 2
//   7 companion kind 5, source name            8 saverName + ".ssd" kind 4
//   9 "saver1.dll", 10 "saver2.dll" kind 5
// An empty slot: length 0, firstByte = lastByte = the next record's firstByte, kind 7,
// compressed 1, both sizes 0.
#pragma once
#include "tools/saverpack/fileBytes.h"
#include "tools/saverpack/manifest.h"

Problem buildInstaller(const PackagePlan& plan, Bytes& installer);
