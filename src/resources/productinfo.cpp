#include "resources/productinfo.h"

namespace brelvano {
const char* const kProductName = "Brelvano";
const char* const kProductVersion = "5.0.9.4";
}  // namespace brelvano
