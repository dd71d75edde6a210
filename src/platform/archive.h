// CArchive over memory: the framework's binary form of counts, numbers and wide strings, used to
// keep collections in binary values. Loading is bounded: data that is short or malformed puts the
// archive in a failed state (every later read fails too), it never reads past the bytes given.
#pragma once

#include <vector>

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

class CArchive {
 public:
  // A storing archive that collects its bytes in memory.
  CArchive();
  // A loading archive over size bytes at data (not copied; they must outlive the archive).
  CArchive(const BYTE* data, size_t size);

  bool IsStoring() const { return m_storing; }
  bool IsLoading() const { return !m_storing; }
  // A read ran past the data or met a malformed length.
  bool Failed() const { return m_failed; }
  // Loading: every byte has been read.
  bool AtEnd() const { return m_pos == m_size; }
  // Loading: the bytes not read yet.
  size_t Remaining() const { return m_size - m_pos; }
  // Marks the data malformed (what a reader found does not fit); answers false.
  bool Refuse() { return Fail(); }
  // Storing: the bytes written so far.
  const std::vector<BYTE>& Bytes() const { return m_out; }

  void WriteBytes(const void* data, size_t size);
  bool ReadBytes(void* data, size_t size);
  void WriteByte(BYTE v) { WriteBytes(&v, 1); }
  void WriteWord(WORD v);
  void WriteDword(DWORD v);
  bool ReadByte(BYTE& v) { return ReadBytes(&v, 1); }
  bool ReadWord(WORD& v);
  bool ReadDword(DWORD& v);
  // Element counts: a 16-bit value below 0xFFFF, else 0xFFFF and 32 bits.
  void WriteCount(DWORD count);
  bool ReadCount(DWORD& count);
  // Wide strings: 0xFF, 0xFFFE, the length in units (a byte below 0xFF, else 0xFF and 16 bits
  // below 0xFFFF, else 0xFFFF and 32 bits), then UTF-16LE units.
  void WriteString(const CString& text);
  bool ReadString(CString& text);

 private:
  bool Fail() {
    m_failed = true;
    return false;
  }
  bool m_storing;
  bool m_failed = false;
  std::vector<BYTE> m_out;
  const BYTE* m_in = nullptr;
  size_t m_size = 0;
  size_t m_pos = 0;
};

// Serialize of the collections: store writes the count and the elements; load replaces the
// collection's content only when the whole form was read (returns false and leaves the collection
// as it was otherwise). A count that the remaining bytes cannot hold is malformed.
bool SerializeCollection(CArchive& ar, CStringList& list);
bool SerializeCollection(CArchive& ar, CStringArray& array);
bool SerializeCollection(CArchive& ar, CByteArray& array);
bool SerializeCollection(CArchive& ar, CWordArray& array);
bool SerializeCollection(CArchive& ar, CDWordArray& array);
