#include "common/installerState.h"

PackageDirectory packageDirectory;
std::uint8_t installing = 0;
std::uint8_t cancelRequested = 0;
