#include "tools/saverpack/manifest.h"

#include "package/fileNameRules.h"

#include <cctype>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

struct Value {
  std::string text;
  fs::path base;       // directory that relative paths in text start from
  std::string origin;  // "file:line" or "--set key"
};

struct RawManifest {
  std::map<std::string, Value> package;
  std::map<std::string, Value> data;
  std::vector<Value> entries;
  bool hasDataSection = false;
};

// Keys of [package] that name the file of a record, each with an optional "<key>.compression".
const char* const recordKeys[] = {"intro",  "license",   "readme",    "flash-installer", "engine",
                                  "companion", "data-file", "saver1", "saver2"};
const char* const otherPackageKeys[] = {"name", "presentation", "offer-display-panel", "stub", "library",
                                        "compression"};
const char* const dataKeys[] = {"settings", "saver-kind", "compression"};

std::string trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

bool isPackageKey(const std::string& key) {
  for (const char* name : otherPackageKeys)
    if (key == name) return true;
  for (const char* name : recordKeys)
    if (key == name || key == std::string(name) + ".compression") return true;
  return false;
}

bool isDataKey(const std::string& key) {
  for (const char* name : dataKeys)
    if (key == name) return true;
  return false;
}

// Stores key=value in its section; `entry` repeats, every other key may appear once.
Problem storeValue(RawManifest& raw, const std::string& section, const std::string& key, const Value& value) {
  if (section == "data") {
    raw.hasDataSection = true;
    if (key == "entry") {
      raw.entries.push_back(value);
      return {};
    }
    if (!isDataKey(key)) return inputError(value.origin, "unknown key '" + key + "' in [data]");
    raw.data[key] = value;
    return {};
  }
  if (!isPackageKey(key)) return inputError(value.origin, "unknown key '" + key + "' in [package]");
  raw.package[key] = value;
  return {};
}

Problem parseManifestFile(const fs::path& manifest, RawManifest& raw) {
  std::ifstream in(manifest);
  std::error_code error;
  if (!in || fs::is_directory(manifest, error)) return inputError(manifest.string(), "cannot open the manifest");
  fs::path base = manifest.parent_path();
  std::string section = "package";
  std::map<std::string, std::string> seen;  // section.key -> origin, to reject repeated keys
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::string origin = manifest.string() + ":" + std::to_string(number);
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // editors' UTF-8 mark
    std::string text = trim(line);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text.front() == '[') {
      if (text.back() != ']') return inputError(origin, "section header without ']'");
      section = trim(text.substr(1, text.size() - 2));
      if (section != "package" && section != "data") return inputError(origin, "unknown section [" + section + "]");
      if (section == "data") raw.hasDataSection = true;
      continue;
    }
    std::size_t equals = text.find('=');
    if (equals == std::string::npos) return inputError(origin, "expected 'key = value'");
    std::string key = trim(text.substr(0, equals));
    std::string qualified = section + "." + key;
    if (key != "entry" && seen.count(qualified))
      return inputError(origin, "'" + key + "' is given twice (first at " + seen[qualified] + ")");
    seen[qualified] = origin;
    if (Problem problem = storeValue(raw, section, key, Value{trim(text.substr(equals + 1)), base, origin}))
      return problem;
  }
  return {};
}

Problem applyOverride(const std::string& assignment, RawManifest& raw) {
  std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) return {exitUsage, "--set " + assignment + ": expected key=value"};
  std::string key = trim(assignment.substr(0, equals));
  std::string section = "package";
  if (key.compare(0, 5, "data.") == 0) {
    section = "data";
    key = key.substr(5);
  }
  Value value{trim(assignment.substr(equals + 1)), fs::current_path(), "--set " + assignment.substr(0, equals)};
  Problem problem = storeValue(raw, section, key, value);
  if (problem) problem.code = exitUsage;
  return problem;
}

Problem parseCompression(const Value& value, Compression& compression) {
  if (value.text == "stored") compression = Compression::stored;
  else if (value.text == "compressed") compression = Compression::compressed;
  else if (value.text == "auto") compression = Compression::automatic;
  else return inputError(value.origin, "compression must be stored, compressed or auto, not '" + value.text + "'");
  return {};
}

Problem parseFlag(const Value& value, bool& flag) {
  if (value.text == "yes" || value.text == "true" || value.text == "1") flag = true;
  else if (value.text == "no" || value.text == "false" || value.text == "0") flag = false;
  else return inputError(value.origin, "expected yes or no, not '" + value.text + "'");
  return {};
}

Problem parseNumber(const Value& value, long minimum, long maximum, long& number) {
  const std::string& text = value.text;
  std::size_t used = 0;
  try {
    number = std::stol(text, &used, 10);
  } catch (...) {
    used = 0;
  }
  if (text.empty() || used != text.size() || number < minimum || number > maximum)
    return inputError(value.origin, "expected a number from " + std::to_string(minimum) + " to " +
                                        std::to_string(maximum) + ", not '" + text + "'");
  return {};
}

Problem parsePresentation(const Value& value, std::uint8_t& presentation) {
  static const std::pair<const char*, std::uint8_t> names[] = {
      {"bitmap", 1}, {"movie", 3}, {"none", 4}, {"jpeg", 8}};
  for (const auto& name : names)
    if (value.text == name.first) {
      presentation = name.second;
      return {};
    }
  long number = 0;
  if (parseNumber(value, 0, 255, number))
    return inputError(value.origin, "presentation must be bitmap, jpeg, movie, none or a number 0..255, not '" +
                                        value.text + "'");
  presentation = static_cast<std::uint8_t>(number);
  return {};
}

// "<stub>/name" names a file beside the stub: the build outputs of one build directory travel
// together, so a manifest can take them all from wherever --set stub= points.
const char stubPrefix[] = "<stub>/";

fs::path resolve(const Value& value, const fs::path& stubDirectory = fs::path()) {
  if (!stubDirectory.empty() && value.text.compare(0, sizeof stubPrefix - 1, stubPrefix) == 0)
    return stubDirectory / value.text.substr(sizeof stubPrefix - 1);
  fs::path path(value.text);
  return path.is_absolute() ? path : value.base / path;
}

// The saver's name becomes file names in the system directory: no path or reserved characters.
Problem checkSaverName(const Value& value) {
  if (value.text.empty()) return inputError(value.origin, "the saver name is empty");
  if (value.text.size() > 64)
    return inputError(value.origin, "the saver name has " + std::to_string(value.text.size()) +
                                        " bytes; at most 64 fit the package header");
  for (unsigned char c : value.text)
    if (c < 32 || std::string("\\/:*?\"<>|").find(char(c)) != std::string::npos)
      return inputError(value.origin, "the saver name contains a character not allowed in file names");
  // Windows takes these for devices whatever the extension: "CON.scr" is no file.
  if (isDeviceName(value.text)) return inputError(value.origin, "the saver name '" + value.text + "' is a Windows device name");
  return {};
}

// An installed name stays inside the saver's directory, by the installer's own rule.
Problem checkInstalledName(const std::string& name, const std::string& origin) {
  if (name.empty()) return inputError(origin, "the entry has no file name");
  if (name.size() > 255) return inputError(origin, "the entry name is longer than 255 bytes");
  // Beyond that rule, no empty component: a doubled or trailing backslash is a typing slip.
  if (!isPathInsideDirectory(name) || name.find("\\\\") != std::string::npos || name.back() == '\\')
    return inputError(origin, "the entry name '" + name + "' must be a relative path inside the saver's directory");
  return {};
}

// entry = <path relative to the manifest>[, stored|compressed|auto|movie]
Problem parseEntry(const Value& value, Compression defaultCompression, DataEntryPlan& entry) {
  std::string path = value.text;
  std::string mode;
  std::size_t comma = value.text.rfind(',');
  if (comma != std::string::npos) {
    path = trim(value.text.substr(0, comma));
    mode = trim(value.text.substr(comma + 1));
  }
  entry.origin = value.origin;
  entry.compression = defaultCompression;
  if (mode == "movie") entry.movieCopy = true;
  else if (!mode.empty())
    if (Problem problem = parseCompression(Value{mode, value.base, value.origin}, entry.compression)) return problem;
  entry.installedName = path;
  for (char& c : entry.installedName)
    if (c == '/') c = '\\';
  if (Problem problem = checkInstalledName(entry.installedName, value.origin)) return problem;
  fs::path relative(path);
  if (relative.is_absolute()) return inputError(value.origin, "entry paths are relative to the manifest");
  entry.source = value.base / relative;
  return {};
}

Problem buildDataPlan(const RawManifest& raw, DataFilePlan& data) {
  Compression defaultCompression = Compression::automatic;
  auto found = raw.data.find("compression");
  if (found != raw.data.end())
    if (Problem problem = parseCompression(found->second, defaultCompression)) return problem;
  if ((found = raw.data.find("settings")) != raw.data.end()) data.settings = resolve(found->second);
  if ((found = raw.data.find("saver-kind")) != raw.data.end()) {
    long kind = 0;
    if (Problem problem = parseNumber(found->second, INT32_MIN, INT32_MAX, kind)) return problem;
    data.saverKind = static_cast<std::int32_t>(kind);
  }
  for (const Value& value : raw.entries) {
    DataEntryPlan entry;
    if (Problem problem = parseEntry(value, defaultCompression, entry)) return problem;
    data.entries.push_back(entry);
  }
  return {};
}

}  // namespace

Problem loadManifest(const fs::path& manifest, const std::vector<std::string>& overrides, PackagePlan& plan) {
  RawManifest raw;
  if (Problem problem = parseManifestFile(manifest, raw)) return problem;
  for (const std::string& assignment : overrides)
    if (Problem problem = applyOverride(assignment, raw)) return problem;
  plan.manifestName = manifest.string();
  auto value = [&](const char* key) -> const Value* {
    auto found = raw.package.find(key);
    return found == raw.package.end() || found->second.text.empty() ? nullptr : &found->second;
  };
  auto missing = [&](const std::string& what) { return inputError(plan.manifestName, what + " is missing"); };

  if (!value("name")) return missing("the saver name ('name')");
  if (Problem problem = checkSaverName(*value("name"))) return problem;
  plan.saverName = value("name")->text;
  if (!value("presentation")) return missing("'presentation'");
  if (Problem problem = parsePresentation(*value("presentation"), plan.presentation)) return problem;
  if (value("offer-display-panel"))
    if (Problem problem = parseFlag(*value("offer-display-panel"), plan.offerDisplayPanel)) return problem;
  if (!value("stub")) return missing("the installer stub ('stub')");
  plan.stub = resolve(*value("stub"));
  const fs::path stubDirectory = plan.stub.parent_path();
  plan.library = value("library") ? resolve(*value("library"), stubDirectory) : stubDirectory / "impborl.dll";

  Compression defaultCompression = Compression::automatic;
  if (value("compression"))
    if (Problem problem = parseCompression(*value("compression"), defaultCompression)) return problem;
  std::optional<SourceFile>* targets[] = {&plan.intro,  &plan.license,  &plan.readMe, &plan.flashInstaller,
                                          &plan.engine, &plan.companion, &plan.dataFile, &plan.saver1,
                                          &plan.saver2};
  static_assert(sizeof(targets) / sizeof(targets[0]) == sizeof(recordKeys) / sizeof(recordKeys[0]),
                "one target per record key");
  for (std::size_t i = 0; i < sizeof(recordKeys) / sizeof(recordKeys[0]); ++i) {
    const Value* path = value(recordKeys[i]);
    const Value* mode = value((std::string(recordKeys[i]) + ".compression").c_str());
    if (!path) continue;
    SourceFile file{resolve(*path, stubDirectory), defaultCompression};
    if (mode)
      if (Problem problem = parseCompression(*mode, file.compression)) return problem;
    *targets[i] = file;
  }

  if (raw.hasDataSection) {
    if (plan.dataFile) return inputError(plan.manifestName, "give either 'data-file' or a [data] section, not both");
    plan.data.emplace();
    plan.dataRecordCompression = defaultCompression;
    if (const Value* mode = value("data-file.compression"))
      if (Problem problem = parseCompression(*mode, plan.dataRecordCompression)) return problem;
    if (Problem problem = buildDataPlan(raw, *plan.data)) return problem;
  }
  return {};
}
