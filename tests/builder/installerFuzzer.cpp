// Fuzz target: saverpack's verify and list on any payload behind a stub. Both read installers
// from anywhere, so no directory value, record range or data file may make them read out of bounds.
#include "common/constants_shared.h"
#include "tools/saverpack/packageExaminer.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One image for all runs: the stub part stays zero and its memory is not allocated again.
  static InstallerImage image;
  image.path = "fuzz.exe";
  image.bytes.resize(payloadOffset);
  image.bytes.insert(image.bytes.end(), data, data + size);
  readDirectory(image);
  verifyInstaller(image);
  std::ostringstream listing;
  listInstaller(image, listing);
  return 0;
}
