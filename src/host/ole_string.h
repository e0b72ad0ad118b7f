// The OLE Automation string stand-in. A BSTR points just after a 4-byte prefix that
// holds the length of the text in bytes; the text is UTF-16 followed by a NUL.
// These functions are exported with C linkage: a host releases the result of DoIt
// with SysFreeString.
#pragma once

#include <cstddef>
#include <cstdint>

using BSTR = char16_t*;

extern "C" {
BSTR SysAllocStringLen(const char16_t* text, unsigned int length);
int SysReAllocStringLen(BSTR* target, const char16_t* text, unsigned int length);
void SysFreeString(BSTR text);
unsigned int SysStringLen(BSTR text);
}

namespace qoru {
// Number of strings allocated and not yet released (for tests of ownership).
std::int64_t LiveOleStrings();
}  // namespace qoru
