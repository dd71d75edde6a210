// The program's product name and version, as shown in its title and version block.
#pragma once

namespace brelvano {
extern const char* const kProductName;
extern const char* const kProductVersion;
}  // namespace brelvano
