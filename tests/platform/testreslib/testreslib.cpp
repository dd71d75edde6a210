// A resource library for the loader's tests: texts at the lengths where cutting matters, a text
// with a line break and characters beyond ASCII, an empty text, a repeated number, and bitmaps
// that decode and that do not.
#include "platform/reslib_format.h"

namespace {

#define T10 u"abcdefghij"
#define T50 T10 T10 T10 T10 T10
#define T100 T50 T50

const PlatformResourceString kStrings[] = {
    PLATFORM_RESOURCE_STRING(1, u"Hello"),
    PLATFORM_RESOURCE_STRING(2, T100 T100 T100),
    PLATFORM_RESOURCE_STRING(3, u"Line one\nLinha dois: a\u00e7\u00e3o \U0001F600"),
    PLATFORM_RESOURCE_STRING(4, u""),
    PLATFORM_RESOURCE_STRING(5, T100 T100 T50 u"abcdefghi"),
    PLATFORM_RESOURCE_STRING(6, T100 T100 T50 T10),
    PLATFORM_RESOURCE_STRING(1, u"Second entry of number 1"),
};

// 2 x 2, 24 bits: top row magenta, red; bottom row green, blue (rows stored bottom-up).
const unsigned char kBmp2x2[] = {
    'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                      // file header
    40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,  // info header
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 255, 0, 255, 0, 0, 0, 0,   // green, blue, padding
    255, 0, 255, 0, 0, 255, 0, 0,  // magenta, red, padding
};

const unsigned char kNotABitmap[] = {'B', 'M', 'n', 'o', 't', ' ', 'a', ' ', 'b', 'i', 't', 'm', 'a', 'p'};
const unsigned char kGif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};

const PlatformResourceBitmap kBitmaps[] = {
    {100, sizeof kBmp2x2, kBmp2x2},
    {101, sizeof kNotABitmap, kNotABitmap},
    {102, sizeof kGif, kGif},
    {103, 0, nullptr},
};

const PlatformResourceTable kTable = {
    PLATFORM_RESOURCE_TABLE_MAGIC, PLATFORM_RESOURCE_TABLE_VERSION,
    sizeof kStrings / sizeof kStrings[0], kStrings,
    sizeof kBitmaps / sizeof kBitmaps[0], kBitmaps,
};

}  // namespace

PLATFORM_EXPORT_RESOURCE_TABLE(kTable)
