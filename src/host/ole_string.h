// OLE Automation strings. A BSTR points just after a 4-byte prefix that holds the
// length of the text in bytes; the text is UTF-16 followed by a NUL.
// On Linux these functions are the library's own stand-in (ole_string_posix.cpp),
// exported with C linkage: a host releases the result of DoIt with SysFreeString.
// On Windows they are oleaut32's, called with the system's convention (QORU_OLE_API,
// set by the build); the library exports none of them.
#pragma once

#include <cstddef>
#include <cstdint>

using BSTR = char16_t*;

extern "C" {
QORU_OLE_API BSTR SysAllocStringLen(const char16_t* text, unsigned int length);
QORU_OLE_API int SysReAllocStringLen(BSTR* target, const char16_t* text, unsigned int length);
QORU_OLE_API void SysFreeString(BSTR text);
QORU_OLE_API unsigned int SysStringLen(BSTR text);
}

namespace qoru {
// Number of strings allocated and not yet released (for tests of ownership); always
// 0 on Windows, where the system's allocator keeps no such count.
std::int64_t LiveOleStrings();
}  // namespace qoru
