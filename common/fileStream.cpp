#include "common/fileStream.h"

#include "common/applicationFailure.h"
#include "common/texts.h"

#include <windows.h>

FileStream::FileStream(const std::string& path, Mode mode) : handle_(INVALID_HANDLE_VALUE), path_(path) {
  DWORD access = mode == Mode::read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = mode == Mode::create ? CREATE_ALWAYS : OPEN_EXISTING;
  handle_ = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    int code = static_cast<int>(GetLastError());
    throw ApplicationFailure(loadText(mode == Mode::create ? IDS_CANNOT_CREATE_FILE : IDS_CANNOT_OPEN_FILE) + path, code);
  }
}

FileStream::~FileStream() { close(); }

ResultCode FileStream::close() {
  if (handle_ == INVALID_HANDLE_VALUE) return 0;
  BOOL ok = CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  return ok ? 0 : static_cast<ResultCode>(GetLastError());
}

ResultCode FileStream::seek(std::uint32_t offset) {
  if (SetFilePointer(handle_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    return static_cast<ResultCode>(GetLastError());
  }
  return 0;
}

ResultCode FileStream::read(void* buffer, std::size_t count, std::size_t& got) {
  got = 0;
  char* out = static_cast<char*>(buffer);
  while (got < count) {
    DWORD chunk = 0;
    DWORD want = static_cast<DWORD>(count - got > 0x100000 ? 0x100000 : count - got);
    if (!ReadFile(handle_, out + got, want, &chunk, nullptr)) return static_cast<ResultCode>(GetLastError());
    if (chunk == 0) break;
    got += chunk;
  }
  return 0;
}

ResultCode FileStream::readExact(void* buffer, std::size_t count) {
  std::size_t got = 0;
  ResultCode result = read(buffer, count, got);
  if (result != 0) return result;
  return got == count ? 0 : ioShortRead;
}

ResultCode FileStream::write(const void* buffer, std::size_t count) {
  const char* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    DWORD chunk = 0;
    DWORD want = static_cast<DWORD>(count - done > 0x100000 ? 0x100000 : count - done);
    if (!WriteFile(handle_, in + done, want, &chunk, nullptr)) return static_cast<ResultCode>(GetLastError());
    if (chunk == 0) return ioShortWrite;
    done += chunk;
  }
  return 0;
}

std::int64_t FileStream::size() const {
  DWORD high = 0;
  DWORD low = GetFileSize(handle_, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return (static_cast<std::int64_t>(high) << 32) | low;
}
