// SHA-256 as FIPS 180-4 gives it.
#include "testkit/file_identity.h"

#include <array>
#include <cstdio>

#include "testkit/files.h"
#include "testkit/utf_text.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace testkit {
namespace {

constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void Block(std::array<std::uint32_t, 8>& h, const unsigned char* p) {
  std::uint32_t w[64];
  for (int i = 0; i < 16; ++i)
    w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 | std::uint32_t{p[4 * i + 2]} << 8 | p[4 * i + 3];
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::array<std::uint32_t, 8> v = h;
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t s1 = Rotate(v[4], 6) ^ Rotate(v[4], 11) ^ Rotate(v[4], 25);
    const std::uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const std::uint32_t t1 = v[7] + s1 + choose + kRounds[i] + w[i];
    const std::uint32_t s0 = Rotate(v[0], 2) ^ Rotate(v[0], 13) ^ Rotate(v[0], 22);
    const std::uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    for (int k = 7; k > 0; --k) v[k] = v[k - 1];
    v[4] += t1;
    v[0] = t1 + s0 + majority;
  }
  for (int k = 0; k < 8; ++k) h[k] += v[k];
}

}  // namespace

std::string Sha256(const std::string& bytes) {
  std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::string padded = bytes;
  padded += static_cast<char>(0x80);
  while (padded.size() % 64 != 56) padded += '\0';
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (int i = 7; i >= 0; --i) padded += static_cast<char>(bits >> (8 * i));
  for (size_t at = 0; at < padded.size(); at += 64) Block(h, reinterpret_cast<const unsigned char*>(padded.data() + at));
  std::string out;
  char word[9];
  for (std::uint32_t part : h) {
    std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>(part));
    out += word;
  }
  return out;
}

Result<std::string> Sha256OfFile(const std::string& path) {
  Result<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return Failure(bytes.error());
  return Sha256(*bytes);
}

#ifdef _WIN32
std::optional<std::string> FileVersion(const std::string& path) {
  const std::u16string units = FromUtf8(path);
  const std::wstring wide(units.begin(), units.end());
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, info.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
      length < sizeof *fixed)
    return std::nullopt;
  char version[48];
  std::snprintf(version, sizeof version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return std::string(version);
}
#else
// The native build's shared objects carry no version resource.
std::optional<std::string> FileVersion(const std::string&) { return std::nullopt; }
#endif

}  // namespace testkit
