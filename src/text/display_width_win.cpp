// Character widths by the East Asian width of the characters (Windows' C library has
// no wcwidth): the wide and full-width blocks take two columns, combining marks none;
// the console's width from the console itself.
#include <io.h>
#include <windows.h>

#include "text/display_width.h"

namespace qoru {
namespace {

struct Range {
  char32_t first, last;
};

// Wide and full-width characters (East Asian width W and F).
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and other characters of no width.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
};

bool In(const Range* begin, const Range* end, char32_t c) {
  for (const Range* r = begin; r != end; ++r)
    if (c >= r->first && c <= r->last) return true;
  return false;
}

}  // namespace

int CodePointColumns(char32_t c) {
  // As on Linux: counted wide where terminals disagree.
  if ((c >= 0x2010 && c <= 0x206F) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD) return 2;
  if (c < 0x80) return c < 0x20 || c == 0x7F ? 0 : 1;
  if (c < 0xA0) return 0;
  if (In(std::begin(kZero), std::end(kZero), c)) return 0;
  return In(std::begin(kWide), std::end(kWide), c) ? 2 : 1;
}

int TerminalColumns(int fd) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(handle, &info)) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) return columns;
  }
  return 80;
}

}  // namespace qoru
