// The data table that a resource library carries: texts and bitmaps by number, reached through the
// one function the library exports. Plain C++ without Qt, so that libraries which hold nothing but
// data can include it; the loader is in reslib.h.
//
// A resource library defines its entries as constant arrays and, in exactly one of its sources,
// PLATFORM_EXPORT_RESOURCE_TABLE(table). Loaders refuse a table whose magic or version differs,
// whose counts exceed the limits below, or that has a null pointer where data is announced.
#pragma once

#include <cstdint>

#define PLATFORM_RESOURCE_TABLE_SYMBOL "platform_resource_table"
#define PLATFORM_RESOURCE_TABLE_MAGIC 0x4C534552u  // "RESL" in memory order
#define PLATFORM_RESOURCE_TABLE_VERSION 1u

// Limits a loader enforces.
#define PLATFORM_RESOURCE_MAX_ENTRIES 65536u          // per kind
#define PLATFORM_RESOURCE_MAX_TEXT_UNITS 65535u       // UTF-16 units of one text
#define PLATFORM_RESOURCE_MAX_BITMAP_BYTES (64u << 20)  // bytes of one bitmap

extern "C" {

// One text: length UTF-16 units at text (no terminator needed; text may be null when length is 0).
struct PlatformResourceString {
  uint32_t id;
  uint32_t length;
  const char16_t* text;
};

// One bitmap: the bytes of a Windows .bmp file (with its file header).
struct PlatformResourceBitmap {
  uint32_t id;
  uint32_t size;
  const unsigned char* bytes;
};

struct PlatformResourceTable {
  uint32_t magic;
  uint32_t version;
  uint32_t stringCount;
  const PlatformResourceString* strings;
  uint32_t bitmapCount;
  const PlatformResourceBitmap* bitmaps;
};

typedef const PlatformResourceTable* (*PlatformResourceTableFunction)();

}  // extern "C"

// An entry of a text given as a u"" literal (its terminator is not counted).
#define PLATFORM_RESOURCE_STRING(id, literal) \
  { (id), static_cast<uint32_t>(sizeof(literal) / sizeof(char16_t) - 1), (literal) }

// Defines the library's exported table function returning the address of a PlatformResourceTable.
#define PLATFORM_EXPORT_RESOURCE_TABLE(table)                                                  \
  extern "C" __attribute__((visibility("default"))) const PlatformResourceTable* \
  platform_resource_table() {                                                                  \
    return &(table);                                                                           \
  }
