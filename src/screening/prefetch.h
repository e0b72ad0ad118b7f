// Asking the processor for memory ahead of its use: the screening walks its postings
// in the voucher order, which is not the file's, and looks vouchers up in a table far
// larger than the caches.
#pragma once

namespace qoru::screening {

// Brings the cache line that holds `address` in. GCC 12 leaves __builtin_prefetch out
// once the call is inlined; on x86 the instruction is written out, which stays.
inline void PrefetchLine(const void* address) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace qoru::screening
