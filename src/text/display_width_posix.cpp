// Character widths from the C library's wcwidth in C.UTF-8, and the terminal's width
// from the kernel.
#include <locale.h>
#include <sys/ioctl.h>
#include <wchar.h>

#include "text/display_width.h"

namespace qoru {
namespace {

// The locale whose character widths wcwidth gives: C.UTF-8, built into glibc. Freed
// when the library is unloaded, so that a host that unloads it keeps no leak.
locale_t Utf8Locale() {
  static const struct Holder {
    locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    ~Holder() {
      if (locale != locale_t{}) freelocale(locale);
    }
  } holder;
  return holder.locale;
}

}  // namespace

int CodePointColumns(char32_t c) {
  // Counted wide where terminals disagree (general punctuation such as "…" and curly
  // quotes, the user-defined characters of the private use area, the replacement
  // character): a column wasted at worst, never a wrapped line.
  if ((c >= 0x2010 && c <= 0x206F) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD) return 2;
  if (c < 0x80) return c < 0x20 || c == 0x7F ? 0 : 1;
  const locale_t utf8 = Utf8Locale();
  if (utf8 == locale_t{}) return 1;
  const locale_t before = uselocale(utf8);
  const int columns = wcwidth(static_cast<wchar_t>(c));
  uselocale(before);
  return columns < 0 ? 0 : columns;  // control characters take none
}

int TerminalColumns(int fd) {
  struct winsize ws {};
  if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

}  // namespace qoru
