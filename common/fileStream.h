// Byte-wise file reading and writing over a Win32 file handle, with the installer's error numbers:
// the system's error code of a failed call, 100 when a read returns fewer bytes than asked for,
// 101 when a write cannot write the full count. Opening or creating a file that fails throws
// ApplicationFailure ("Cannot open file " / "Cannot create file " + path).
#pragma once
#include "common/constants_shared.h"

#include <cstddef>
#include <cstdint>
#include <string>

class FileStream {
 public:
  enum class Mode { read, readWrite, create };

  FileStream(const std::string& path, Mode mode);
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  const std::string& path() const { return path_; }

  ResultCode seek(std::uint32_t offset);  // from the start of the file
  // Reads up to count bytes; got receives how many arrived. 0 also when the file ends early.
  ResultCode read(void* buffer, std::size_t count, std::size_t& got);
  // Reads exactly count bytes, else 100 (or the system's code).
  ResultCode readExact(void* buffer, std::size_t count);
  // Writes all count bytes, else 101 (or the system's code).
  ResultCode write(const void* buffer, std::size_t count);
  // Size of the file, or -1 when the system cannot tell.
  std::int64_t size() const;
  // Closes the file now; the system's code when closing failed.
  ResultCode close();

 private:
  void* handle_;
  std::string path_;
};
