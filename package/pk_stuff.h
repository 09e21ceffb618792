// TCompressor: binds the decompression library that travels in the package (workDir +
// "impborl.dll") and expands one in-memory buffer of imploded bytes into one file through the
// library's "_explode". A caller creates one per item and releases it right after, so the library
// is loaded and unloaded once per item. Windows only.
#pragma once
#include "common/constants_shared.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The work area the library's explode function requires; shared by all expansions, which never
// overlap.
constexpr std::size_t explodeWorkBufferSize = 12596;
extern unsigned char explodeWorkBuffer[explodeWorkBufferSize];

class TCompressor {
 public:
  // Loads libraryDir + "impborl.dll" and binds "_implode", "_explode" and "_crc32"; loaded tells
  // whether that worked (the reason goes to the debug log only).
  explicit TCompressor(const std::string& libraryDir);
  ~TCompressor();
  TCompressor(const TCompressor&) = delete;
  TCompressor& operator=(const TCompressor&) = delete;

  bool loaded = false;

  // Expands length packed bytes at buffer into a new file at path. Call only when loaded. Returns
  // 0 whatever the library said: callers check the written file's size.
  ResultCode expandToFile(const std::string& path, const std::uint8_t* buffer, std::size_t length);

  // The callbacks handed to "_explode"; parameter is the address of a variable holding the TCompressor.
  static unsigned int compressorRead(char* buffer, unsigned int* count, void* parameter);
  static void compressorWrite(char* buffer, unsigned int* count, void* parameter);

 private:
  using ReadCallback = unsigned int (*)(char*, unsigned int*, void*);
  using WriteCallback = void (*)(char*, unsigned int*, void*);
  using ExplodeFunction = unsigned int (*)(ReadCallback, WriteCallback, char*, void*);

  HMODULE libraryHandle = nullptr;
  FARPROC implodeProc = nullptr;
  ExplodeFunction explodeProc = nullptr;
  FARPROC crc32Proc = nullptr;
  // Streams of one expansion: the packed input in memory, the output file.
  const std::uint8_t* input_ = nullptr;
  std::size_t inputLength_ = 0;
  std::size_t inputPosition_ = 0;
  HANDLE outputStream = INVALID_HANDLE_VALUE;
  // The first failed write of an expansion: the library cannot be told, expandToFile reports it.
  ResultCode writeError_ = 0;
};
