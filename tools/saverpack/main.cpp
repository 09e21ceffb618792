// saverpack: builds a screen saver installer from a manifest, and lists, verifies and extracts
// built installers. Exit codes are listed in toolResult.h and README.md.
#include "tools/saverpack/manifest.h"
#include "tools/saverpack/packageBuilder.h"
#include "tools/saverpack/packageExaminer.h"

#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char usageText[] =
    "usage: saverpack build <manifest> [-o <installer>] [--set key=value]...\n"
    "       saverpack list <installer>\n"
    "       saverpack verify <installer>\n"
    "       saverpack extract <installer> <directory>\n"
    "       saverpack --help | --version\n"
    "\n"
    "build    makes an installer from the stub and the files the manifest names; without -o the\n"
    "         installer is written beside the manifest as <manifest name>.exe. --set overrides a\n"
    "         [package] key, or a [data] key given as data.<key>; its paths are relative to the\n"
    "         current directory.\n"
    "list     prints the package header, the 11 records and the saver data file's entries.\n"
    "verify   checks the installer and prints one line per fault.\n"
    "extract  writes every record, expanded, and the data file's entries (under entries/).\n"
    "\n"
    "exit codes: 0 ok, 1 verify found faults, 2 usage error, 3 input error,\n"
    "            4 output cannot be written, 5 compression failed\n";

int fail(const Problem& problem) {
  std::cerr << "saverpack: " << problem.message << "\n";
  return problem.code;
}

int usageError(const std::string& message) {
  std::cerr << "saverpack: " << message << "\n" << usageText;
  return exitUsage;
}

int runBuild(const std::vector<std::string>& args) {
  fs::path manifest;
  fs::path output;
  std::vector<std::string> overrides;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--set") {
      if (i + 1 == args.size()) return usageError(args[i] + " needs a value");
      if (args[i] == "-o") output = args[++i];
      else overrides.push_back(args[++i]);
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return usageError("unknown option " + args[i]);
    } else if (manifest.empty()) {
      manifest = args[i];
    } else {
      return usageError("more than one manifest given");
    }
  }
  if (manifest.empty()) return usageError("build needs a manifest");
  if (output.empty()) output = fs::path(manifest).replace_extension(".exe");

  PackagePlan plan;
  Bytes installer;
  Problem problem = loadManifest(manifest, overrides, plan);
  if (!problem) problem = buildInstaller(plan, installer);
  if (!problem) problem = writeFileAtomically(output, installer);
  if (problem) return fail(problem);
  std::cout << "wrote " << output.string() << " (" << installer.size() << " bytes)\n";
  return exitOk;
}

int runInspection(const std::string& command, const std::vector<std::string>& args) {
  std::size_t expected = command == "extract" ? 2 : 1;
  if (args.size() != expected) return usageError(command + " takes " + (expected == 2 ? "an installer and a directory" : "an installer"));
  InstallerImage image;
  if (Problem problem = loadInstaller(args[0], image)) return fail(problem);
  if (command == "list") {
    Problem problem = listInstaller(image, std::cout);
    return problem ? fail(problem) : exitOk;
  }
  if (command == "extract") {
    Problem problem = extractInstaller(image, args[1]);
    return problem ? fail(problem) : exitOk;
  }
  std::vector<std::string> faults = verifyInstaller(image);
  for (const std::string& fault : faults) std::cout << image.path << ": " << fault << "\n";
  if (!faults.empty()) return exitFaults;
  std::cout << image.path << ": ok\n";
  return exitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usageError("no command given");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h") {
    std::cout << usageText;
    return exitOk;
  }
  if (command == "--version") {
    std::cout << "saverpack " SAVERPACK_VERSION "\n";
    return exitOk;
  }
  try {
    if (command == "build") return runBuild(args);
    if (command == "list" || command == "verify" || command == "extract") return runInspection(command, args);
  } catch (const std::exception& error) {
    // Filesystem and allocation failures not turned into a Problem on the way.
    std::cerr << "saverpack: " << error.what() << "\n";
    return exitInputError;
  }
  return usageError("unknown command " + command);
}
