// Build tool: draws the program's icon and logo (resources/programimages.h) and writes them as the
// byte arrays kIconBmp and kLogoBmp into the file named by its argument.
#include <cstdio>
#include <string>

#include "resources/programimages.h"

namespace {

void WriteArray(std::FILE* out, const char* name, const std::string& bytes) {
  std::fprintf(out, "const unsigned char %s[%zu] = {", name, bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 24 == 0) std::fputs("\n", out);
    std::fprintf(out, "%u,", static_cast<unsigned char>(bytes[i]));
  }
  std::fputs("\n};\n", out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: programimages OUTPUT\n");
    return 2;
  }
  const std::string temp = std::string(argv[1]) + ".tmp";
  std::FILE* out = std::fopen(temp.c_str(), "w");
  if (out == nullptr) return 1;
  std::fputs("// Drawn by the build (resources/tools/programimages.cpp); do not edit.\n", out);
  WriteArray(out, "kIconBmp", brelvano::images::IconBmp());
  WriteArray(out, "kLogoBmp", brelvano::images::LogoBmp());
  if (std::fclose(out) != 0 || std::rename(temp.c_str(), argv[1]) != 0) return 1;
  return 0;
}
