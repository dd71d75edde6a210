// CStdioFileUtf8: a buffered text file whose bytes are UTF-8. Lines are read as UTF-8 and handed
// out as text; text is written as UTF-8. There is no newline translation: a line ends at a line
// feed, and a carriage return before it stays part of the line as read.
//
// Failures never throw: opening gives FALSE, a read error gives FALSE as the end of the file does
// but is told apart by IsReadError(), writing gives FALSE, and GetErrorCode() tells the system
// error (errno) of the last failure.
#pragma once

#include <cstdio>
#include <string>

#include "platform/cstring.h"
#include "platform/wintypes.h"

class CStdioFileUtf8 {
 public:
  // Open flags (the usual file-class values). The share flags and typeText/typeBinary are
  // accepted and change nothing: the bytes are read and written as they are.
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CStdioFileUtf8();
  // Closes the file (see Close).
  virtual ~CStdioFileUtf8();
  CStdioFileUtf8(const CStdioFileUtf8&) = delete;
  CStdioFileUtf8& operator=(const CStdioFileUtf8&) = delete;

  // modeRead reads a regular file as it is on disk (folders, FIFOs and devices are refused).
  // modeWrite and modeReadWrite work on the file's content in memory, which Close writes whole or
  // not at all: the file on disk changes only then. With modeCreate the content starts empty
  // (with modeNoTruncate as well: kept when the file exists) and the file need not exist; without
  // it the file must exist. An open file is closed first.
  BOOL Open(const CString& path, UINT openFlags);
  // Ends the file. A file open for writing that was changed (or created) is written now, whole
  // (temporary file + rename); FALSE when that fails, and the file on disk is then unchanged.
  BOOL Close();
  // Ends the file without writing anything.
  void Abort();
  BOOL IsOpen() const;

  // The next line without its line feed: TRUE when something was read (a lone line feed is an
  // empty line), FALSE at the end of the file or on a read error (IsReadError() then TRUE; line is
  // left unchanged, never given part of a line). The bytes are decoded as UTF-8 as a whole, however
  // long the line; bytes that are not UTF-8 become U+FFFD.
  virtual BOOL ReadString(CString& line);
  // Up to nMax - 1 bytes, to the next line feed included, decoded into buffer and ended with a
  // zero (never more than nMax characters in all). A character is never cut in two: a limit that
  // falls inside one leaves it for the next read. Null at the end of the file, on a read error
  // (IsReadError() then TRUE), for a null buffer or for nMax below 2.
  virtual LPTSTR ReadString(LPTSTR buffer, UINT nMax);
  // TRUE when the last read ended by a read error rather than at the end of the file.
  BOOL IsReadError() const { return m_readError; }
  // Writes the text as UTF-8 at the current position, as it is (no line end added). FALSE when the
  // file is not open for writing.
  virtual BOOL WriteString(const CString& text);

  // From the start of the file: TRUE and positioned after the mark when the first three bytes are
  // the UTF-8 byte-order mark EF BB BF; else FALSE and back at the start.
  BOOL SkipBom();
  // Makes the file start with the byte-order mark (inserted before any content, never over it)
  // and positions after it. FALSE when the file is not open for writing.
  BOOL WriteBom();

  // The new position, or (ULONGLONG)-1 (position unchanged) for a position before the start.
  ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  ULONGLONG GetPosition() const;
  ULONGLONG GetLength() const;
  CString GetFilePath() const { return m_path; }
  int GetErrorCode() const { return m_error; }

 private:
  int NextByte();
  void StepBack(size_t count);
  BOOL Fail(int error);

  CString m_path;
  FILE* m_file = nullptr;    // read mode
  bool m_writable = false;   // write modes: the content lives in m_data
  bool m_open = false;
  bool m_changed = false;
  std::string m_data;
  size_t m_pos = 0;
  int m_error = 0;
  bool m_readError = false;  // the last read met an error (not the end of the file)
};
