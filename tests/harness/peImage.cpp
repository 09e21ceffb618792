#include "tests/harness/peImage.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

struct Reader {
  const std::string& bytes;
  bool ok = true;
  std::uint32_t u32(std::size_t at) {
    if (at + 4 > bytes.size()) return ok = false, 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
  }
  std::uint16_t u16(std::size_t at) {
    if (at + 2 > bytes.size()) return ok = false, 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  std::string cstring(std::size_t at) {
    if (at >= bytes.size()) return ok = false, std::string();
    std::size_t end = bytes.find('\0', at);
    return bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
  }
};

struct Section {
  std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

}  // namespace

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

PeImage readPeImage(const std::string& bytes) {
  PeImage image;
  Reader r{bytes};
  if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') return image;
  std::uint32_t pe = r.u32(0x3c);
  if (r.u32(pe) != 0x4550) return image;
  std::size_t coff = pe + 4;
  image.machine = r.u16(coff);
  std::uint16_t sectionCount = r.u16(coff + 2);
  std::uint16_t optionalSize = r.u16(coff + 16);
  image.characteristics = r.u16(coff + 18);
  std::size_t optional = coff + 20;
  image.optionalMagic = r.u16(optional);
  image.subsystem = r.u16(optional + 68);
  std::size_t directories = optional + (image.optionalMagic == 0x20b ? 112 : 96);

  std::vector<Section> sections;
  std::size_t table = optional + optionalSize;
  for (int i = 0; i < sectionCount; ++i) {
    std::size_t at = table + i * 40;
    sections.push_back({r.u32(at + 12), r.u32(at + 8), r.u32(at + 20), r.u32(at + 16)});
  }
  auto offsetOf = [&](std::uint32_t rva) -> std::size_t {
    for (const Section& s : sections) {
      std::uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva < s.virtualAddress + span) return rva - s.virtualAddress + s.rawOffset;
    }
    return bytes.size();
  };

  std::uint32_t exportRva = r.u32(directories);
  if (exportRva) {
    std::size_t exports = offsetOf(exportRva);
    std::uint32_t nameCount = r.u32(exports + 24);
    std::size_t names = offsetOf(r.u32(exports + 32));
    for (std::uint32_t i = 0; i < nameCount && r.ok; ++i) image.exportedNames.push_back(r.cstring(offsetOf(r.u32(names + 4 * i))));
  }
  std::uint32_t importRva = r.u32(directories + 8);
  if (importRva) {
    for (std::size_t at = offsetOf(importRva); r.ok; at += 20) {
      std::uint32_t nameRva = r.u32(at + 12);
      if (nameRva == 0) break;
      const std::string dll = r.cstring(offsetOf(nameRva));
      image.importedDlls.push_back(dll);
      // The lookup table (or, without one, the address table) names each function, or gives an ordinal.
      std::uint32_t thunks = r.u32(at) ? r.u32(at) : r.u32(at + 16);
      const bool wide = image.optionalMagic == 0x20b;
      for (std::size_t entry = offsetOf(thunks); r.ok; entry += wide ? 8 : 4) {
        std::uint32_t low = r.u32(entry), high = wide ? r.u32(entry + 4) : 0;
        if (low == 0 && high == 0) break;
        const bool byOrdinal = wide ? (high & 0x80000000u) != 0 : (low & 0x80000000u) != 0;
        image.importedFunctions.push_back(dll + "!" + (byOrdinal ? "#" + std::to_string(low & 0xffff)
                                                                  : r.cstring(offsetOf(low) + 2)));
      }
    }
  }
  image.valid = r.ok;
  return image;
}

std::vector<std::string> importsNewerThanXp(const PeImage& image) {
  static const std::set<std::string> newer = {
      "gettickcount64", "getsystemtimepreciseasfiletime", "initializeconditionvariable",
      "sleepconditionvariablecs", "sleepconditionvariablesrw", "wakeconditionvariable", "wakeallconditionvariable",
      "initializesrwlock", "acquiresrwlockexclusive", "releasesrwlockexclusive", "acquiresrwlockshared",
      "releasesrwlockshared", "initonceexecuteonce", "initoncebegininitialize", "createeventexa", "createeventexw",
      "createsemaphoreexw", "createmutexexw", "flsalloc", "flsgetvalue", "flssetvalue", "flsfree",
      "getcurrentprocessornumber", "getfileinformationbyhandleex", "setfileinformationbyhandle",
      "getfinalpathnamebyhandlea", "getfinalpathnamebyhandlew", "comparestringex", "lcmapstringex",
      "getlocaleinfoex", "getuserdefaultlocalename", "createsymboliclinkw", "queryfullprocessimagenamew",
      "raisefailfastexception", "getlogicalprocessorinformationex", "initializecriticalsectionex",
      "tryacquiresrwlockexclusive", "tryacquiresrwlockshared", "initoncecomplete", "geterrormode",
      "createsymboliclinka", "cancelioex", "getthreadid", "getprocessidofthread", "getthreadpreferreduilanguages",
  };
  std::vector<std::string> found;
  for (const std::string& function : image.importedFunctions) {
    std::string name = function.substr(function.find('!') + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (newer.count(name)) found.push_back(function);
  }
  return found;
}
