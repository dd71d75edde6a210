// Text helpers of the XML profile files (see profilexmltext.h).
#include "gui/dlg/profilexmltext.h"

namespace {
const struct {
  wchar_t ch;
  const wchar_t* entity;
} kEntities[] = {{L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&apos;"}};
}  // namespace

CString EscapeProfileXml(const CString& text) {
  CString out;
  for (int i = 0; i < text.GetLength(); ++i) {
    const wchar_t c = text[i];
    const wchar_t* entity = nullptr;
    for (const auto& e : kEntities) {
      if (e.ch == c && c != L'\'') entity = e.entity;
    }
    if (entity != nullptr) out += entity;
    else out += CString(c);
  }
  return out;
}

CString DecodeProfileXmlEntities(const CString& text) {
  if (text.Find(L'&') < 0) return text;
  CString out;
  for (int i = 0; i < text.GetLength();) {
    bool decoded = false;
    if (text[i] == L'&') {
      for (const auto& e : kEntities) {
        const CString entity(e.entity);
        if (text.Mid(i, entity.GetLength()) == entity) {
          out += CString(e.ch);
          i += entity.GetLength();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) {
      out += CString(text[i]);
      ++i;
    }
  }
  return out;
}

bool EqualsIgnoringCase(CString a, CString b) {
  a.MakeUpper();
  b.MakeUpper();
  return a == b;
}

std::string ToUtf16LeBytes(const CString& text) {
  std::string out;
  auto unit = [&out](unsigned u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (int i = 0; i < text.GetLength(); ++i) {
    const unsigned c = static_cast<unsigned>(text[i]);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}
