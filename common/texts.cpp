#include "common/texts.h"

#ifdef _WIN32
#include <windows.h>

std::string loadText(TextId id) {
  char buffer[1024];
  int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

#else

std::string loadText(TextId id) {
  switch (id) {
#define NATIVE_TEXT_CASE(name, number, text) \
  case name:                                 \
    return text;
    INSTALLER_TEXTS(NATIVE_TEXT_CASE)
#undef NATIVE_TEXT_CASE
  }
  return std::string();
}

#endif
