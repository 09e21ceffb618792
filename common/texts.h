// Lookup of the installer's texts by identifier. On Windows the texts come from the program's
// string resources (LoadStringA), so a translated resource changes them; natively they come from
// the compiled table of InstallerPrjConst.h.
#pragma once
#include "common/InstallerPrjConst.h"
#include <string>

std::string loadText(TextId id);
