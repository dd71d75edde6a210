// The markup document's text files and encoding converter: one conversion between two named
// encodings, and one open text file with its byte-order mark and result records.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/cstring.h"

// Every name of the encoding table with its code page.
std::vector<std::pair<CString, int>> MarkupEncodingNames();

class MarkupTextConverter {
 public:
  // source: bytes, 16-bit units or 32-bit code points, by the source encoding; length in its units.
  MarkupTextConverter(const CString& fromEncoding, const void* source, int sourceLength);
  // Converts into dest (or only measures without one); returns the count of target units.
  int Convert(void* dest = nullptr, const CString* toEncoding = nullptr);
  bool LostChars() const { return m_nLostChars != 0; }

  CString m_strToEncoding;
  CString m_strFromEncoding;
  const void* m_pFrom;
  int m_nFromLen;
  int m_nToCount = 0;
  int m_nLostChars = 0;
};

class MarkupTextFile {
 public:
  explicit MarkupTextFile(int flags) : m_nDocFlags(flags) {}
  ~MarkupTextFile() { Close(); }
  bool Open(const CString& path);
  bool ReadText(CString& text);
  bool WriteText(const std::u16string& text);
  bool Close();

  FILE* m_fp = nullptr;
  int m_nDocFlags;
  int m_nOpsBytes = 0;
  long long m_nFileByteLen = 0;
  long long m_nFileByteOffset = 0;
  int m_nFileCharUnitSize = 1;
  int m_nOpsUnits = 0;
  std::u16string m_strIOResult;
  CString m_strEncoding;

 private:
  void FileError();
  CString m_strPath;
  std::string m_probe;    // first bytes read when opening
  std::string m_pending;  // bytes of a whole-file write, committed on close
  bool m_bDiscard = false;  // a write failed: nothing is committed and the old file stays
};
