// The OLE strings on Windows are oleaut32's; only the count of the stand-in is left.
#include "host/ole_string.h"

namespace qoru {
std::int64_t LiveOleStrings() {
  return 0;
}
}  // namespace qoru
