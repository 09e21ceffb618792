#include "package/pk_stuff.h"

#include "common/applicationFailure.h"
#include "common/logFile.h"
#include "common/reportError.h"
#include "common/texts.h"
#include "system/KTV_FileUtils.h"
#include "toolkit/messageDialog.h"

#include <cstring>

unsigned char explodeWorkBuffer[explodeWorkBufferSize];

namespace {

constexpr ResultCode libraryMissing = 5;
constexpr ResultCode entryPointMissing = 6;

}  // namespace

TCompressor::TCompressor(const std::string& libraryDir) {
  logValue("TCompressor.Create", libraryDir);
  ResultCode failure = 0;
  std::string libraryPath = libraryDir + "impborl.dll";
  if (!fileExists(libraryPath)) failure = libraryMissing;
  logMessage("libraryPath: " + libraryPath);
  if (failure == 0) {
    HMODULE handle = LoadLibraryA(libraryPath.c_str());
    // Handles below 32 were error numbers on 16-bit Windows; today a failure is a null handle.
    if (reinterpret_cast<UINT_PTR>(handle) < 32) {
      failure = static_cast<ResultCode>(GetLastError());
    } else {
      loaded = true;
      libraryHandle = handle;
      implodeProc = GetProcAddress(handle, "_implode");
      // FARPROC is only a generic entry-point type; "_explode" has the library's own signature.
      explodeProc = reinterpret_cast<ExplodeFunction>(reinterpret_cast<void*>(GetProcAddress(handle, "_explode")));
      crc32Proc = GetProcAddress(handle, "_crc32");
      if (!implodeProc || !explodeProc || !crc32Proc) failure = entryPointMissing;
    }
  }
  if (failure != 0) {
    logMessage("TCompressor.Create failed: " + std::to_string(failure));
    if (loaded) {
      FreeLibrary(libraryHandle);
      libraryHandle = nullptr;
      loaded = false;
    }
  }
  logLeave("TCompressor.Create");
}

TCompressor::~TCompressor() {
  if (loaded) FreeLibrary(libraryHandle);
}

ResultCode TCompressor::expandToFile(const std::string& path, const std::uint8_t* buffer, std::size_t length) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw ApplicationFailure(loadText(IDS_CANNOT_CREATE_FILE) + path, static_cast<int>(GetLastError()));
  // The packed bytes are read in place: the caller keeps its buffer for the whole call.
  input_ = buffer;
  inputLength_ = length;
  inputPosition_ = 0;
  outputStream = file;
  writeError_ = 0;
  TCompressor* self = this;
  explodeProc(compressorRead, compressorWrite, reinterpret_cast<char*>(explodeWorkBuffer), &self);
  // The library's status is not used: callers compare the written file's size with the record's.
  ResultCode result = writeError_;
  if (!CloseHandle(outputStream) && result == 0) result = static_cast<ResultCode>(GetLastError());
  outputStream = INVALID_HANDLE_VALUE;
  input_ = nullptr;
  inputLength_ = inputPosition_ = 0;
  if (result != 0) showErrorMessage(loadText(IDS_ZIP_ERROR) + "\r\n\r\n" + systemMessageText(result));
  return result;
}

unsigned int TCompressor::compressorRead(char* buffer, unsigned int* count, void* parameter) {
  TCompressor* self = parameter ? *static_cast<TCompressor**>(parameter) : nullptr;
  if (!self || !self->input_ || !buffer || !count) return 0;  // taken by the library as the end of input
  std::size_t left = self->inputLength_ - self->inputPosition_;
  std::size_t n = *count < left ? *count : left;
  std::memcpy(buffer, self->input_ + self->inputPosition_, n);
  self->inputPosition_ += n;
  return static_cast<unsigned int>(n);
}

void TCompressor::compressorWrite(char* buffer, unsigned int* count, void* parameter) {
  TCompressor* self = parameter ? *static_cast<TCompressor**>(parameter) : nullptr;
  if (!self || self->outputStream == INVALID_HANDLE_VALUE || !buffer || !count) return;
  // After a failed write nothing more is written: the file stays a clean prefix of the output.
  if (self->writeError_ != 0) return;
  DWORD written = 0;
  if (!WriteFile(self->outputStream, buffer, *count, &written, nullptr))
    self->writeError_ = static_cast<ResultCode>(GetLastError());
  else if (written != *count)
    self->writeError_ = ioShortWrite;
}
