// The Portuguese dictionary file: keys upper-cased, trimmed and never blank, no entry holding a
// line end or a second '=', every entry found again by the lookup, never more entries than lines.
#include <algorithm>
#include <cstdint>
#include <string>

#include "gui/dlg/dictionary.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = fuzzsupport::AsBytes(data, size);
  const CString folder = fuzzsupport::ScratchFolder() + L"Document/";
  fuzzsupport::WriteScratchFile("Document/POR_LANG.txt", bytes);
  CMapStringToString map;
  FUZZ_CHECK(brelvano::LoadPortugueseDictionary(map, brelvano::kLanguagePortuguese, folder));
  const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  FUZZ_CHECK(static_cast<size_t>(map.GetCount()) <= lines);
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    CString key;
    CString value;
    map.GetNextAssoc(pos, key, value);
    FUZZ_CHECK(!key.IsEmpty());
    CString normal = key;
    normal.Trim();
    normal.MakeUpper();
    FUZZ_CHECK(normal == key);
    FUZZ_CHECK(key.Find(L'=') < 0 && key.Find(L'\n') < 0);
    FUZZ_CHECK(value.Find(L'=') < 0 && value.Find(L'\n') < 0);
    FUZZ_CHECK(brelvano::Translate(map, key) == (value.IsEmpty() ? key : value));
  }
  CMapStringToString english;
  FUZZ_CHECK(brelvano::LoadPortugueseDictionary(english, 9, folder));
  FUZZ_CHECK(english.GetCount() == 0);
  return 0;
}
