// Asking the processor for memory ahead of its use: the screening walks its postings
// in the voucher order, which is not the file's, and looks vouchers up in a table far
// larger than the caches.
#pragma once

namespace qoru::screening {

// Brings the cache line that holds `address` in. Every function that only asks for
// memory is inlined where it is called: GCC 12 takes such a function, called and not
// yet inlined, for one without effects and drops the calls to it.
[[gnu::always_inline]] inline void PrefetchLine(const void* address) {
  __builtin_prefetch(address);
}

}  // namespace qoru::screening
