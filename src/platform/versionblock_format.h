// The version block's byte format and its compile-time builder: a built file carries one block of
// version information (fixed numbers and named texts) that platform/versionblock.h reads back.
// This header needs nothing but the standard library, so data-only libraries can carry a block.
//
// Layout (little-endian; every offset is a multiple of 4 up to the texts):
//   0  marker, 16 bytes
//  16  u32 size of the whole block (a multiple of 4, at most kMaxSize)
//  20  u32 FNV-1a checksum of the bytes from offset 24 to the end
//  24  u16 language, u16 code page (the translation pair)
//  28  u16 format version (1), u16 number of texts
//  32  VS_FIXEDFILEINFO, 52 bytes
//  84  the texts, each: u16 key length, u16 value length (UTF-16 units, both counting the closing
//      zero), the key's units, the value's units; then zero bytes up to a multiple of 4.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {
namespace versionblock {

constexpr size_t kMarkerSize = 16;
// The marker, each byte XOR kMarkerMask: the plain marker then appears only where a block is.
constexpr uint8_t kMarkerMask = 0x5A;
constexpr uint8_t kMaskedMarker[kMarkerSize] = {
    0x5A ^ 0x89, 0x5A ^ 'V', 0x5A ^ 'e', 0x5A ^ 'r', 0x5A ^ 'B', 0x5A ^ 'l', 0x5A ^ 'o', 0x5A ^ 'c',
    0x5A ^ 'k', 0x5A ^ 0x0D, 0x5A ^ 0x0A, 0x5A ^ 0x1A, 0x5A ^ 0x0A, 0x5A ^ 0xF3, 0x5A ^ 0x01, 0x5A ^ 0x00};

constexpr size_t kSizeOffset = 16;
constexpr size_t kChecksumOffset = 20;
constexpr size_t kChecksumStart = 24;
constexpr size_t kTranslationOffset = 24;
constexpr size_t kFormatOffset = 28;
constexpr size_t kCountOffset = 30;
constexpr size_t kFixedOffset = 32;
constexpr size_t kFixedSize = 52;
constexpr size_t kTextsOffset = kFixedOffset + kFixedSize;
constexpr size_t kMaxSize = 65536;
constexpr uint16_t kFormatVersion = 1;

constexpr uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr uint32_t kFixedStrucVersion = 0x00010000u;
constexpr uint32_t kFileTypeUnknown = 0;
constexpr uint32_t kFileTypeApp = 1;  // VFT_APP
constexpr uint32_t kFileTypeDll = 2;  // VFT_DLL

// One named text of the block.
struct Entry {
  const char16_t* key;
  const char16_t* value;
};

// What a block holds. Version numbers are four 16-bit parts, most significant first.
struct Definition {
  uint16_t fileVersion[4];
  uint16_t productVersion[4];
  uint16_t language;
  uint16_t codePage;
  uint32_t fileType;
  const Entry* entries;
  size_t count;
};

constexpr size_t TextUnits(const char16_t* s) {
  size_t n = 0;
  while (s != nullptr && s[n] != 0) ++n;
  return n + 1;  // with the closing zero
}

constexpr size_t EncodedSize(const Definition& d) {
  size_t size = kTextsOffset;
  for (size_t i = 0; i < d.count; ++i) size += 4 + 2 * (TextUnits(d.entries[i].key) + TextUnits(d.entries[i].value));
  return (size + 3) / 4 * 4;
}

constexpr uint32_t Checksum(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

constexpr void Put16(uint8_t* out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
constexpr void Put32(uint8_t* out, size_t at, uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}
constexpr uint32_t Get16(const uint8_t* in, size_t at) { return in[at] | (uint32_t{in[at + 1]} << 8); }
constexpr uint32_t Get32(const uint8_t* in, size_t at) { return Get16(in, at) | (Get16(in, at + 2) << 16); }

constexpr size_t PutText(uint8_t* out, size_t at, const char16_t* s, size_t units) {
  for (size_t i = 0; i + 1 < units; ++i, at += 2) Put16(out, at, s[i]);
  Put16(out, at, 0);
  return at + 2;
}

// Writes the block of d into out, which holds EncodedSize(d) zeroed bytes.
constexpr void Encode(const Definition& d, uint8_t* out, size_t size) {
  for (size_t i = 0; i < kMarkerSize; ++i) out[i] = static_cast<uint8_t>(kMaskedMarker[i] ^ kMarkerMask);
  Put32(out, kSizeOffset, static_cast<uint32_t>(size));
  Put16(out, kTranslationOffset, d.language);
  Put16(out, kTranslationOffset + 2, d.codePage);
  Put16(out, kFormatOffset, kFormatVersion);
  Put16(out, kCountOffset, static_cast<uint32_t>(d.count));
  const uint32_t fixed[13] = {
      kFixedSignature,
      kFixedStrucVersion,
      (uint32_t{d.fileVersion[0]} << 16) | d.fileVersion[1],
      (uint32_t{d.fileVersion[2]} << 16) | d.fileVersion[3],
      (uint32_t{d.productVersion[0]} << 16) | d.productVersion[1],
      (uint32_t{d.productVersion[2]} << 16) | d.productVersion[3],
      0x3Fu,  // flags mask
      0,      // flags
      0,      // operating system: unknown
      d.fileType,
      0,  // subtype
      0,  // date
      0,
  };
  for (size_t i = 0; i < 13; ++i) Put32(out, kFixedOffset + 4 * i, fixed[i]);
  size_t at = kTextsOffset;
  for (size_t i = 0; i < d.count; ++i) {
    const size_t keyUnits = TextUnits(d.entries[i].key);
    const size_t valueUnits = TextUnits(d.entries[i].value);
    Put16(out, at, static_cast<uint32_t>(keyUnits));
    Put16(out, at + 2, static_cast<uint32_t>(valueUnits));
    at = PutText(out, at + 4, d.entries[i].key, keyUnits);
    at = PutText(out, at, d.entries[i].value, valueUnits);
  }
  Put32(out, kChecksumOffset, Checksum(out + kChecksumStart, size - kChecksumStart));
}

template <size_t N>
constexpr std::array<uint8_t, N> EncodeArray(const Definition& d) {
  static_assert(N <= kMaxSize, "a version block holds at most 64 KiB");
  std::array<uint8_t, N> bytes{};
  Encode(d, bytes.data(), N);
  return bytes;
}

}  // namespace versionblock
}  // namespace platform

// Defines the version block of the file being built from a constexpr
// platform::versionblock::Definition. Use it once per executable or shared library, at namespace
// scope in one source file. The block is kept by the compiler and the linker, and the running
// program finds it through platform::EmbeddedVersionBlock().
#define PLATFORM_VERSION_BLOCK(definition)                                                         \
  namespace {                                                                                      \
  __attribute__((used)) constexpr auto platform_version_block_bytes =                              \
      ::platform::versionblock::EncodeArray<::platform::versionblock::EncodedSize(definition)>(definition); \
  }                                                                                                \
  extern "C" __attribute__((used)) const unsigned char* platform_version_block(unsigned long* size) { \
    if (size != nullptr) *size = platform_version_block_bytes.size();                              \
    return platform_version_block_bytes.data();                                                    \
  }
