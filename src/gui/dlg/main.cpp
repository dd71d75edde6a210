// Entry point of the brelvano executable.
#include <cstdio>

#include "resources/productinfo.h"

int main() {
  std::printf("%s %s\n", brelvano::kProductName, brelvano::kProductVersion);
  return 0;
}
