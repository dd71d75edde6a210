#include "platform/archive.h"

#include <cstring>
#include <string>

#include "platform/codepage.h"

CArchive::CArchive() : m_storing(true) {}

CArchive::CArchive(const BYTE* data, size_t size) : m_storing(false), m_in(data), m_size(data ? size : 0) {}

void CArchive::WriteBytes(const void* data, size_t size) {
  const BYTE* p = static_cast<const BYTE*>(data);
  m_out.insert(m_out.end(), p, p + size);
}

bool CArchive::ReadBytes(void* data, size_t size) {
  if (m_failed || m_storing || size > m_size - m_pos) return Fail();
  if (size) std::memcpy(data, m_in + m_pos, size);
  m_pos += size;
  return true;
}

void CArchive::WriteWord(WORD v) {
  const BYTE b[2] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8)};
  WriteBytes(b, 2);
}

void CArchive::WriteDword(DWORD v) {
  const BYTE b[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                     static_cast<BYTE>(v >> 24)};
  WriteBytes(b, 4);
}

bool CArchive::ReadWord(WORD& v) {
  BYTE b[2];
  if (!ReadBytes(b, 2)) return false;
  v = static_cast<WORD>(b[0] | (b[1] << 8));
  return true;
}

bool CArchive::ReadDword(DWORD& v) {
  BYTE b[4];
  if (!ReadBytes(b, 4)) return false;
  v = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
      (static_cast<DWORD>(b[3]) << 24);
  return true;
}

void CArchive::WriteCount(DWORD count) {
  if (count < 0xFFFFu) {
    WriteWord(static_cast<WORD>(count));
  } else {
    WriteWord(0xFFFFu);
    WriteDword(count);
  }
}

bool CArchive::ReadCount(DWORD& count) {
  WORD w = 0;
  if (!ReadWord(w)) return false;
  if (w != 0xFFFFu) {
    count = w;
    return true;
  }
  return ReadDword(count);
}

void CArchive::WriteString(const CString& text) {
  const std::string units = platform::TextToBytes(CP_UTF16LE, text);
  const DWORD n = static_cast<DWORD>(units.size() / 2);
  WriteByte(0xFF);
  WriteWord(0xFFFEu);
  if (n < 0xFFu) {
    WriteByte(static_cast<BYTE>(n));
  } else if (n < 0xFFFEu) {
    WriteByte(0xFF);
    WriteWord(static_cast<WORD>(n));
  } else {
    WriteByte(0xFF);
    WriteWord(0xFFFFu);
    WriteDword(n);
  }
  WriteBytes(units.data(), units.size());
}

bool CArchive::ReadString(CString& text) {
  BYTE b = 0;
  WORD marker = 0;
  if (!ReadByte(b)) return false;
  if (b != 0xFF || !ReadWord(marker) || marker != 0xFFFEu) return Fail();
  DWORD n = 0;
  if (!ReadByte(b)) return false;
  n = b;
  if (b == 0xFF) {
    WORD w = 0;
    if (!ReadWord(w)) return false;
    n = w;
    if (w == 0xFFFFu && !ReadDword(n)) return false;
  }
  if (n > (m_size - m_pos) / 2) return Fail();
  std::string units(static_cast<size_t>(n) * 2, '\0');
  if (!ReadBytes(units.data(), units.size())) return false;
  text = platform::BytesToText(CP_UTF16LE, units);
  return true;
}

namespace {

// Reads a count whose elements take at least minSize bytes each; a count the bytes left cannot
// hold is malformed (refused before anything is allocated).
bool ReadBoundedCount(CArchive& ar, DWORD& count, size_t minSize) {
  if (!ar.ReadCount(count)) return false;
  return static_cast<size_t>(count) <= ar.Remaining() / minSize || ar.Refuse();
}

template <typename Array, typename Elem, typename ReadFn, typename WriteFn>
bool SerializeArray(CArchive& ar, Array& array, size_t minSize, ReadFn read, WriteFn write) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(array.GetSize()));
    for (INT_PTR i = 0; i < array.GetSize(); ++i) write(ar, array[i]);
    return true;
  }
  DWORD count = 0;
  if (!ReadBoundedCount(ar, count, minSize)) return false;
  std::vector<Elem> items;
  for (DWORD i = 0; i < count; ++i) {
    Elem e{};
    if (!read(ar, e)) return false;
    items.push_back(e);
  }
  array.RemoveAll();
  for (const Elem& e : items) array.Add(e);
  return true;
}

}  // namespace

bool SerializeCollection(CArchive& ar, CStringList& list) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(list.GetCount()));
    for (POSITION pos = list.GetHeadPosition(); pos;) ar.WriteString(list.GetNext(pos));
    return true;
  }
  DWORD count = 0;
  if (!ReadBoundedCount(ar, count, 4)) return false;
  std::vector<CString> items;
  for (DWORD i = 0; i < count; ++i) {
    CString s;
    if (!ar.ReadString(s)) return false;
    items.push_back(s);
  }
  list.RemoveAll();
  for (const CString& s : items) list.AddTail(s);
  return true;
}

bool SerializeCollection(CArchive& ar, CStringArray& array) {
  return SerializeArray<CStringArray, CString>(
      ar, array, 4, [](CArchive& a, CString& s) { return a.ReadString(s); },
      [](CArchive& a, const CString& s) { a.WriteString(s); });
}

bool SerializeCollection(CArchive& ar, CByteArray& array) {
  return SerializeArray<CByteArray, BYTE>(
      ar, array, 1, [](CArchive& a, BYTE& v) { return a.ReadByte(v); }, [](CArchive& a, BYTE v) { a.WriteByte(v); });
}

bool SerializeCollection(CArchive& ar, CWordArray& array) {
  return SerializeArray<CWordArray, WORD>(
      ar, array, 2, [](CArchive& a, WORD& v) { return a.ReadWord(v); }, [](CArchive& a, WORD v) { a.WriteWord(v); });
}

bool SerializeCollection(CArchive& ar, CDWordArray& array) {
  return SerializeArray<CDWordArray, DWORD>(
      ar, array, 4, [](CArchive& a, DWORD& v) { return a.ReadDword(v); },
      [](CArchive& a, DWORD v) { a.WriteDword(v); });
}
