// Blanking of passwords in the lines of the device link (see secrettext.h).
#include "gui/dlg/secrettext.h"

#include <string>
#include <utility>

#include "object/rs232/passwordtext.h"
#include "platform/crt.h"

namespace brelvano {

namespace {

constexpr const wchar_t kBlank[] = L"****";

bool EndsField(wchar_t c, wchar_t sep) { return c == sep || c == L'\r' || c == L'\n'; }

// Blanks, in line from start on, the fields (counted from 1, after skip fields) of the set.
void BlankFields(CString& line, int start, wchar_t sep, int skip, const std::set<int>& fields) {
  int at = start;
  for (int i = 0; i < skip; ++i) {
    while (at < line.GetLength() && line[at] != sep) {
      if (line[at] == L'\r' || line[at] == L'\n') return;
      ++at;
    }
    if (at >= line.GetLength()) return;
    ++at;
  }
  for (int field = 1; at <= line.GetLength(); ++field) {
    int end = at;
    while (end < line.GetLength() && !EndsField(line[end], sep)) ++end;
    if (fields.count(field) != 0 && end > at) {
      line = line.Left(at) + kBlank + line.Mid(end);
      end = at + static_cast<int>(std::char_traits<wchar_t>::length(kBlank));
    }
    if (end >= line.GetLength() || line[end] != sep) return;
    at = end + 1;
  }
}

bool IsElementNumber(const CString& text) {
  if (text.IsEmpty() || text.GetLength() > 4) return false;
  for (int i = 0; i < text.GetLength(); ++i)
    if (text[i] < L'0' || text[i] > L'9') return false;
  return true;
}

// Numbered set: "<code>;<nn>#<value>;<nn>#<value>..." with the code of a tab that has passwords.
void BlankNumbered(CString& line, const std::map<int, std::set<int>>& numbered) {
  if (numbered.empty()) return;
  int code = -1;
  CString previous;
  int at = 0;
  while (at <= line.GetLength()) {
    int end = at;
    while (end < line.GetLength() && !EndsField(line[end], L';')) ++end;
    const CString field = line.Mid(at, end - at);
    const int hash = field.Find(L'#');
    if (hash > 0 && IsElementNumber(field.Left(hash))) {
      if (code < 0 && IsElementNumber(previous)) code = _wtoi(previous);
      const auto tab = numbered.find(code);
      if (tab != numbered.end() && tab->second.count(_wtoi(field.Left(hash))) != 0 && end > at + hash + 1) {
        line = line.Left(at + hash + 1) + kBlank + line.Mid(end);
        end = at + hash + 1 + static_cast<int>(std::char_traits<wchar_t>::length(kBlank));
      }
    }
    previous = field;
    if (end >= line.GetLength() || line[end] != L';') return;
    at = end + 1;
  }
}

CString HideInLine(CString line, const SecretFields& where) {
  const wchar_t sep = where.separator;
  for (const SecretFields::Framed& f : where.framed) {
    if (f.header.IsEmpty() || f.fields.empty()) continue;
    const CString marker = f.header + CString(sep);
    for (int at = line.Find(marker); at >= 0; at = line.Find(marker, at + 1)) {
      // The older "$Set" form has the unit identifier between the header word and the body.
      const bool setForm = at >= 4 && line.Mid(at - 4, 4) == L"$Set";
      BlankFields(line, at + marker.GetLength(), sep, setForm ? 1 : f.skip, f.fields);
    }
  }
  if (!where.presetFields.empty()) {
    for (const auto& [marker, skip] : {std::pair<const wchar_t*, int>{L"AP;Req;", 0}, {L"APS;Res;", 2}}) {
      const int at = line.Find(marker);
      if (at >= 0) BlankFields(line, at + static_cast<int>(std::char_traits<wchar_t>::length(marker)), L';', skip, where.presetFields);
    }
  }
  BlankNumbered(line, where.numbered);
  return line;
}

}  // namespace

CString HideSecrets(const CString& text, const SecretFields& where) {
  const CString shown = HidePasswords(text);
  if (where.Empty()) return shown;
  CString out;
  int start = 0;
  while (start < shown.GetLength()) {
    int end = start;
    while (end < shown.GetLength() && shown[end] != L'\r' && shown[end] != L'\n') ++end;
    out += HideInLine(shown.Mid(start, end - start), where);
    int next = end;
    while (next < shown.GetLength() && (shown[next] == L'\r' || shown[next] == L'\n')) ++next;
    out += shown.Mid(end, next - end);
    start = next;
  }
  return out;
}

}  // namespace brelvano
