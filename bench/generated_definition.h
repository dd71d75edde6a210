// The generated parameter definition the benchmarks read: 48 generic tabs with 2,000 parameters in
// all (about 282 KB); every fourth parameter is a combo with four options.
#pragma once

#include <string>

namespace benchsupport {

constexpr int kTabs = 48;
constexpr int kParams = 2000;

inline std::string GeneratedDefinition() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<brelvano S=\"VR600\" I=\"U\" P=\"0\" V=\"1\" D=\";\">\n";
  int param = 0;
  for (int tab = 0; tab < kTabs; ++tab) {
    xml += "  <grp id=\"" + std::to_string(tab % 3 == 0 ? 9 : 1) + "\" title=\"Tab " + std::to_string(tab) +
           "\" hdr=\"T" + std::to_string(tab) + "\">\n";
    const int count = kParams / kTabs + (tab < kParams % kTabs ? 1 : 0);
    for (int i = 0; i < count; ++i, ++param) {
      const std::string id = std::to_string(param);
      if (param % 4 == 0) {
        xml += "    <item fid=\"Parameter " + id + "\" type=\"combo\" ID=\"" + id + "\" num=\"4\">";
        for (int o = 0; o < 4; ++o) xml += "<ele>Option " + std::to_string(o) + "</ele>";
        xml += "</item>\n";
      } else {
        xml += "    <item fid=\"Parameter " + id + "\" type=\"edit\" ID=\"" + id + "\" max=\"32\" curr=\"" + id + "\"/>\n";
      }
    }
    xml += "  </grp>\n";
  }
  xml += "</brelvano>\n";
  return xml;
}

}  // namespace benchsupport
