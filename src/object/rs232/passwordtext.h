// The commands and lines of the link as the log, the trace and the console may show them: with
// every password they carry blanked out.
#pragma once

#include <string>

#include "platform/cstring.h"

namespace brelvano {

// The text with its passwords blanked out: what follows "$PVRUPD;" (the login) or "VR845PWD;" up
// to the end of its line becomes "****". A "VR845PWD;Res" answer carries no password and stays.
inline CString HidePasswords(const CString& text) {
  CString out = text;
  for (const wchar_t* marker : {L"$PVRUPD;", L"VR845PWD;"}) {
    const int markerLength = static_cast<int>(std::char_traits<wchar_t>::length(marker));
    for (int at = out.Find(marker); at >= 0; at = out.Find(marker, at + 1)) {
      const int start = at + markerLength;
      if (out.Mid(start, 3) == L"Res") continue;
      int end = start;
      while (end < out.GetLength() && out[end] != L'\r' && out[end] != L'\n') ++end;
      if (end > start) out = out.Left(start) + L"****" + out.Mid(end);
    }
  }
  return out;
}

}  // namespace brelvano
