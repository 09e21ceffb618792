#include "tools/saverpack/fileBytes.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

Problem readWholeFile(const fs::path& path, Bytes& bytes) {
  std::error_code error;
  if (fs::is_directory(path, error)) return inputError(path.string(), "is a directory, not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return inputError(path.string(), std::string("cannot open: ") + std::strerror(errno));
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return inputError(path.string(), "read error");
  return {};
}

namespace {

Problem writeBytes(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return outputError(path.string(), std::string("cannot create: ") + std::strerror(errno));
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) return outputError(path.string(), "write error (disk full?)");
  return {};
}

}  // namespace

Problem writeFileAtomically(const fs::path& path, const Bytes& bytes) {
  fs::path temporary = path;
  temporary += ".saverpack-tmp";
  if (Problem problem = writeBytes(temporary, bytes.data(), bytes.size())) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return problem;
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return outputError(path.string(), "cannot replace: " + error.message());
  }
  return {};
}

Problem writeFileCreatingDirectories(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::error_code error;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
  if (error) return outputError(path.parent_path().string(), "cannot create directory: " + error.message());
  return writeBytes(path, data, size);
}
