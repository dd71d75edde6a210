// The resource table of a language library: its texts (written in the language's folder) and its
// button faces (drawn at build time into "langfaces.inc", which defines kLanguageFaces), gathered
// into the one table the library exports. Everything is constant data; the library runs no code
// when it is loaded.
#pragma once

#include <cstdint>

#include "platform/reslib_format.h"

#define LANGUAGE_COUNT_OF(array) static_cast<uint32_t>(sizeof(array) / sizeof((array)[0]))

// Defines and exports the table of a library from its text and face arrays.
#define LANGUAGE_LIBRARY_TABLE(texts, faces)                                                    \
  namespace {                                                                                   \
  const PlatformResourceTable kLanguageTable = {                                                \
      PLATFORM_RESOURCE_TABLE_MAGIC, PLATFORM_RESOURCE_TABLE_VERSION, LANGUAGE_COUNT_OF(texts), \
      (texts),                       LANGUAGE_COUNT_OF(faces),        (faces)};                 \
  }                                                                                             \
  PLATFORM_EXPORT_RESOURCE_TABLE(kLanguageTable)
