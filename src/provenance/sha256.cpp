#include "provenance/sha256.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QORU_SHA_EXTENSIONS 1
#endif

namespace qoru::provenance {
namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline std::uint32_t Rotate(std::uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

void CompressPortable(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = static_cast<std::uint32_t>(data[4 * i]) << 24 |
             static_cast<std::uint32_t>(data[4 * i + 1]) << 16 |
             static_cast<std::uint32_t>(data[4 * i + 2]) << 8 | data[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t s1 = Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25);
      const std::uint32_t choice = (e & f) ^ (~e & g);
      const std::uint32_t t1 = h + s1 + choice + kRound[i] + w[i];
      const std::uint32_t s0 = Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22);
      const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
      const std::uint32_t t2 = s0 + majority;
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef QORU_SHA_EXTENSIONS

bool ProcessorHasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c >> 9) & 1, sse41 = (c >> 19) & 1;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ssse3 && sse41 && ((b >> 29) & 1);
}

// The message schedule and rounds by the SHA extensions: four rounds per step, the
// state held as ABEF and CDGH.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressExtensions(std::uint32_t state[8],
                                                                    const std::uint8_t* data,
                                                                    std::size_t blocks) {
  const __m128i byte_order = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
  __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
  low = _mm_shuffle_epi32(low, 0xB1);               // CDAB
  high = _mm_shuffle_epi32(high, 0x1B);             // EFGH
  __m128i abef = _mm_alignr_epi8(low, high, 8);     // ABEF
  __m128i cdgh = _mm_blend_epi16(high, low, 0xF0);  // CDGH
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abef_before = abef, cdgh_before = cdgh;
    __m128i w[4];
#pragma GCC unroll 16
    for (int step = 0; step < 16; ++step) {
      __m128i& current = w[step % 4];
      if (step < 4)
        current = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * step)), byte_order);
      __m128i message = _mm_add_epi32(
          current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * step])));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      if (step >= 3 && step <= 14) {
        __m128i& next = w[(step + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(current, w[(step + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, current);
      }
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
      if (step >= 1 && step <= 12) {
        __m128i& earlier = w[(step + 3) % 4];
        earlier = _mm_sha256msg1_epu32(earlier, current);
      }
    }
    abef = _mm_add_epi32(abef, abef_before);
    cdgh = _mm_add_epi32(cdgh, cdgh_before);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

std::atomic<bool> g_use_extensions{ProcessorHasShaExtensions()};

#else

std::atomic<bool> g_use_extensions{false};

#endif

}  // namespace

Sha256::Sha256() {
  Reset();
}

void Sha256::Reset() {
  std::memcpy(state_, kInitial, sizeof state_);
  buffered_ = 0;
  length_ = 0;
}

bool Sha256::HardwareUsed() {
  return g_use_extensions.load(std::memory_order_relaxed);
}

void Sha256::UseHardware(bool use) {
#ifdef QORU_SHA_EXTENSIONS
  g_use_extensions.store(use && ProcessorHasShaExtensions(), std::memory_order_relaxed);
#else
  (void)use;
#endif
}

void Sha256::Compress(const std::uint8_t* blocks, std::size_t count) {
#ifdef QORU_SHA_EXTENSIONS
  if (g_use_extensions.load(std::memory_order_relaxed)) {
    CompressExtensions(state_, blocks, count);
    return;
  }
#endif
  CompressPortable(state_, blocks, count);
}

void Sha256::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (buffered_ > 0) {
    const std::size_t take = std::min(size, sizeof buffer_ - buffered_);
    std::memcpy(buffer_ + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    size -= take;
    if (buffered_ < sizeof buffer_) return;
    Compress(buffer_, 1);
    buffered_ = 0;
  }
  if (size >= 64) {
    Compress(bytes, size / 64);
    bytes += size / 64 * 64;
    size %= 64;
  }
  std::memcpy(buffer_, bytes, size);
  buffered_ = size;
}

std::array<std::uint8_t, 32> Sha256::Finish() {
  const std::uint64_t bits = length_ * 8;
  // The padding: one bit, zeros to 56 bytes of a block, then the length in bits.
  std::uint8_t tail[72] = {0x80};
  const std::size_t zeros = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i)
    tail[zeros + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(tail, zeros + 8);
  std::array<std::uint8_t, 32> digest{};
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j)
      digest[static_cast<std::size_t>(4 * i + j)] =
          static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
  return digest;
}

std::string Sha256::Hex(const std::array<std::uint8_t, 32>& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(64);
  for (std::uint8_t b : digest) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string Sha256::Of(std::string_view text) {
  Sha256 h;
  h.Update(text);
  return Hex(h.Finish());
}

}  // namespace qoru::provenance
