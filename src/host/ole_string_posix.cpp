#include "host/ole_string.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<std::int64_t> g_live{0};

std::uint32_t* Prefix(BSTR text) {
  return reinterpret_cast<std::uint32_t*>(text) - 1;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) BSTR SysAllocStringLen(const char16_t* text,
                                                              unsigned int length) {
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(char16_t);
  if (bytes / sizeof(char16_t) != length || bytes > 0xFFFFFFF0u) return nullptr;
  auto* block = static_cast<std::uint32_t*>(std::malloc(sizeof(std::uint32_t) + bytes + 2));
  if (block == nullptr) return nullptr;
  block[0] = static_cast<std::uint32_t>(bytes);
  auto* str = reinterpret_cast<BSTR>(block + 1);
  if (text != nullptr)
    std::memcpy(str, text, bytes);
  else
    std::memset(str, 0, bytes);
  str[length] = u'\0';
  ++g_live;
  return str;
}

__attribute__((visibility("default"))) int SysReAllocStringLen(BSTR* target, const char16_t* text,
                                                               unsigned int length) {
  if (target == nullptr) return 0;
  BSTR fresh = SysAllocStringLen(text, length);  // text may point into *target
  if (fresh == nullptr) return 0;
  SysFreeString(*target);
  *target = fresh;
  return 1;
}

__attribute__((visibility("default"))) void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  --g_live;
  std::free(Prefix(text));
}

__attribute__((visibility("default"))) unsigned int SysStringLen(BSTR text) {
  return text == nullptr ? 0 : *Prefix(text) / sizeof(char16_t);
}

}  // extern "C"

namespace qoru {
std::int64_t LiveOleStrings() {
  return g_live.load();
}
}  // namespace qoru
