// Unsound resource libraries for the loader's tests, one per BAD_KIND (set by the build):
// 1 no table, 2 wrong magic, 3 wrong version, 4 texts announced without a list, 5 a text without
// its characters, 6 a bitmap without its bytes, 7 an impossible count, 8 a null table.
#include "platform/reslib_format.h"

#ifndef BAD_KIND
#error BAD_KIND must be defined
#endif

namespace {

const PlatformResourceString kStrings[] = {
    PLATFORM_RESOURCE_STRING(1, u"Hello"),
#if BAD_KIND == 5
    {2, 10, nullptr},
#endif
};

const unsigned char kBytes[] = {'B', 'M'};
const PlatformResourceBitmap kBitmaps[] = {
    {100, sizeof kBytes, kBytes},
#if BAD_KIND == 6
    {101, 54, nullptr},
#endif
};

const PlatformResourceTable kTable = {
#if BAD_KIND == 2
    0x12345678u,
#else
    PLATFORM_RESOURCE_TABLE_MAGIC,
#endif
#if BAD_KIND == 3
    PLATFORM_RESOURCE_TABLE_VERSION + 1,
#else
    PLATFORM_RESOURCE_TABLE_VERSION,
#endif
#if BAD_KIND == 7
    0xFFFFFFFFu,
#else
    sizeof kStrings / sizeof kStrings[0],
#endif
#if BAD_KIND == 4
    nullptr,
#else
    kStrings,
#endif
    sizeof kBitmaps / sizeof kBitmaps[0], kBitmaps,
};

}  // namespace

#if BAD_KIND == 8
extern "C" __attribute__((visibility("default"))) const PlatformResourceTable* platform_resource_table() {
  return nullptr;
}
#elif BAD_KIND != 1
PLATFORM_EXPORT_RESOURCE_TABLE(kTable)
#else
extern "C" __attribute__((visibility("default"))) int some_other_function() { return kTable.magic != 0; }
#endif
