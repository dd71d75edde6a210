// The markup document's text files: opening with byte-order marks, reading a whole file into
// UTF-16 text and writing text out in the file's encoding, with their result records.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "reference/markup/markup.h"
#include "reference/markup/markup_textfile.h"

namespace {

struct ByteOrderMark {
  const char* bytes;
  int length;
  const char16_t* encoding;
  int flag;
};

const ByteOrderMark kMarks[] = {
    {"\xEF\xBB\xBF", 3, u"UTF-8", CMarkupDocument::MDF_UTF8PREAMBLE},
    {"\xFF\xFE", 2, u"UTF-16LE", CMarkupDocument::MDF_UTF16LEFILE},
    {"\xFE\xFF", 2, u"UTF-16BE", CMarkupDocument::MDF_UTF16BEFILE},
};

constexpr int kMarkFlags =
    CMarkupDocument::MDF_UTF8PREAMBLE | CMarkupDocument::MDF_UTF16LEFILE | CMarkupDocument::MDF_UTF16BEFILE;
constexpr int kUnitFlags = CMarkupDocument::MDF_UTF16LEFILE | CMarkupDocument::MDF_UTF16BEFILE;
constexpr int kModeFlags =
    CMarkupDocument::MDF_READFILE | CMarkupDocument::MDF_WRITEFILE | CMarkupDocument::MDF_APPENDFILE;


void AddRecord(std::u16string& results, const char16_t* name, const CString* value = nullptr, int flags = 0,
               int number = -1) {
  const std::u16string v = value ? value->ToUtf16() : std::u16string();
  CMarkupDocument::AddResult(results, name, v.empty() ? nullptr : v.c_str(), flags, number);
}

}  // namespace

void MarkupTextFile::FileError() {
  const int code = errno ? errno : EIO;
  CString message = CString::FromUtf8(std::strerror(code));
  const int cut = message.FindOneOf(L"\r\n");
  if (cut >= 0) message = message.Left(cut);
  message = message.Left(100);
  AddRecord(m_strIOResult, u"file_error", &message, CMarkupDocument::MRC_MSG | CMarkupDocument::MRC_NUMBER, code);
}

bool MarkupTextFile::Open(const CString& path) {
  m_strIOResult.clear();
  m_strPath = path;
  m_nFileCharUnitSize = 1;
  m_nFileByteOffset = 0;
  errno = 0;
  const std::string native = platform::NativePath(path).ToUtf8();
  if (m_nDocFlags & CMarkupDocument::MDF_READFILE) {
    // Only a regular file is read (a folder, a FIFO or a device is refused), and no larger one
    // than the program takes.
    m_fp = platform::OpenRegularFile(platform::NativePath(path));
    if (!m_fp) {
      FileError();
      return false;
    }
    std::fseek(m_fp, 0, SEEK_END);
    m_nFileByteLen = std::ftell(m_fp);
    std::fseek(m_fp, 0, SEEK_SET);
    if (m_nFileByteLen > 0) {
      m_probe.resize(static_cast<size_t>(m_nFileByteLen < 1024 ? m_nFileByteLen : 1024));
      m_probe.resize(std::fread(&m_probe[0], 1, m_probe.size(), m_fp));
      // A mark found sets exactly its own flag.
      m_nDocFlags &= ~(CMarkupDocument::MDF_UTF16LEFILE | CMarkupDocument::MDF_UTF8PREAMBLE);
      bool marked = false;
      for (const ByteOrderMark& mark : kMarks) {
        if (m_probe.size() >= static_cast<size_t>(mark.length) &&
            std::memcmp(m_probe.data(), mark.bytes, static_cast<size_t>(mark.length)) == 0) {
          m_nDocFlags = (m_nDocFlags & ~kMarkFlags) | mark.flag;
          if (mark.length == 2) m_nFileCharUnitSize = 2;
          m_strEncoding = CString(mark.encoding);
          m_nFileByteOffset = mark.length;
          marked = true;
          break;
        }
      }
      if (!marked) {
        std::u16string wide(m_probe.size() + 1, u'\0');
        const int used = CMarkupDocument::Utf8ToUtf16(nullptr, m_probe.data(), static_cast<int>(m_probe.size()));
        wide.resize(static_cast<size_t>(used) + 1);
        CMarkupDocument::Utf8ToUtf16(&wide[0], m_probe.data(), static_cast<int>(m_probe.size()));
        wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
        m_strEncoding = CMarkupDocument::FindDeclaredEncoding(CString::FromUtf16(wide));
        if (m_strEncoding.IsEmpty() && m_probe[0] == '<') m_strEncoding = L"UTF-8";
      } else {
        AddRecord(m_strIOResult, u"bom");
      }
      std::fseek(m_fp, static_cast<long>(m_nFileByteOffset), SEEK_SET);
    }
    return true;
  }
  // Writing: a whole-file write is kept and committed on close (the old file stays intact on
  // failure); appending opens the file now.
  const bool append = (m_nDocFlags & CMarkupDocument::MDF_APPENDFILE) != 0;
  if (append) {
    m_nFileByteLen = platform::FileSize(path);
    if (m_nFileByteLen < 0) m_nFileByteLen = 0;
    m_fp = std::fopen(native.c_str(), "ab");
    if (!m_fp) {
      FileError();
      return false;
    }
  }
  m_nFileByteOffset = append ? m_nFileByteLen : 0;
  for (const ByteOrderMark& mark : kMarks) {
    if (!(m_nDocFlags & mark.flag)) continue;
    m_strEncoding = CString(mark.encoding);
    if (mark.length == 2) m_nFileCharUnitSize = 2;
    if (!append || m_nFileByteLen == 0) {
      m_pending.append(mark.bytes, static_cast<size_t>(mark.length));
      m_nFileByteOffset += mark.length;
      AddRecord(m_strIOResult, u"bom");
    }
    break;
  }
  return true;
}

bool MarkupTextFile::ReadText(CString& text) {
  text.Empty();
  const long long left = m_nFileByteLen - m_nFileByteOffset;
  if (left <= 0) {
    AddRecord(m_strIOResult, u"read", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH, 0);
    return true;
  }
  std::string bytes(static_cast<size_t>(left), '\0');
  errno = 0;
  const size_t got = std::fread(&bytes[0], 1, bytes.size(), m_fp);
  if (got != bytes.size() && std::ferror(m_fp)) {
    FileError();
    return false;
  }
  bytes.resize(got);
  m_nFileByteOffset += static_cast<long long>(got);
  if (m_nDocFlags & kUnitFlags) {
    // 16-bit units; an odd last byte is no unit.
    const size_t units = bytes.size() / 2;
    m_nOpsUnits = static_cast<int>(units);
    AddRecord(m_strIOResult, u"read", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH,
              m_nOpsUnits);
    std::u16string wide;
    wide.reserve(units + units / 100);
    int nulls = 0;
    const bool swap = (m_nDocFlags & CMarkupDocument::MDF_UTF16BEFILE) != 0;
    for (size_t i = 0; i < units; ++i) {
      const auto lo = static_cast<unsigned char>(bytes[2 * i]);
      const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
      const char16_t unit = swap ? static_cast<char16_t>((lo << 8) | hi) : static_cast<char16_t>(lo | (hi << 8));
      if (unit == 0) {
        ++nulls;
        continue;
      }
      wide.push_back(unit);
    }
    if (nulls) AddRecord(m_strIOResult, u"nulls_removed", nullptr, CMarkupDocument::MRC_COUNT, nulls);
    if (swap) AddRecord(m_strIOResult, u"endian_swap");
    text = CString::FromUtf16(wide);
    return true;
  }
  m_nOpsUnits = static_cast<int>(bytes.size());
  AddRecord(m_strIOResult, u"read", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH,
            m_nOpsUnits);
  // Zero bytes are dropped, except in encodings whose characters hold zero bytes.
  const int codePage = CMarkupDocument::EncodingToCodePage(m_strEncoding);
  const bool wideUnits = codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001 ||
                         codePage == 65005;
  std::string data;
  data.reserve(bytes.size());
  for (char b : bytes)
    if (b || wideUnits) data.push_back(b);
  if (data.size() != bytes.size())
    AddRecord(m_strIOResult, u"nulls_removed", nullptr, CMarkupDocument::MRC_COUNT,
              static_cast<int>(bytes.size() - data.size()));
  if (m_strEncoding.IsEmpty()) {
    if (CMarkupDocument::IsUtf8(data.data(), static_cast<int>(data.size()))) {
      m_strEncoding = L"UTF-8";
      AddRecord(m_strIOResult, u"read", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_MODIFY);
    }
    AddRecord(m_strIOResult, u"utf8_detection");
  }
  int sourceLength = static_cast<int>(data.size());
  if (codePage == 65005) sourceLength /= 4;
  if (codePage == 1200) sourceLength /= 2;  // the document's own 16-bit units
  std::vector<char> aligned(data.begin(), data.end());
  aligned.resize(data.size() + 4);
  MarkupTextConverter converter(m_strEncoding, aligned.data(), sourceLength);
  const CString target(L"UTF-16");
  std::u16string wide;
  if (CMarkupDocument::EncodingToCodePage(m_strEncoding) == 65005) {
    std::vector<int> codes(static_cast<size_t>(sourceLength));
    std::memcpy(codes.data(), data.data(), codes.size() * sizeof(int));
    MarkupTextConverter fromCodes(m_strEncoding, codes.data(), sourceLength);
    const int count = fromCodes.Convert(nullptr, &target);
    wide.resize(static_cast<size_t>(count));
    fromCodes.Convert(count ? &wide[0] : nullptr, &target);
  } else {
    const int count = converter.Convert(nullptr, &target);
    wide.resize(static_cast<size_t>(count));
    converter.Convert(count ? &wide[0] : nullptr, &target);
  }
  const CString utf16(L"UTF-16");
  AddRecord(m_strIOResult, u"converted_to", &utf16, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH,
            static_cast<int>(wide.size()));
  text = CString::FromUtf16(wide);
  return true;
}

bool MarkupTextFile::WriteText(const std::u16string& text) {
  if (text.empty()) {
    AddRecord(m_strIOResult, u"write", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH, 0);
    return true;
  }
  std::string bytes;
  if (m_nDocFlags & kUnitFlags) {
    const bool swap = (m_nDocFlags & CMarkupDocument::MDF_UTF16BEFILE) != 0;
    bytes.reserve(text.size() * 2);
    for (char16_t u : text) {
      const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
      bytes.push_back(swap ? hi : lo);
      bytes.push_back(swap ? lo : hi);
    }
    if (swap) AddRecord(m_strIOResult, u"endian_swap");
    m_nOpsUnits = static_cast<int>(text.size());
  } else {
    const CString from(L"UTF-16");
    MarkupTextConverter converter(from, text.data(), static_cast<int>(text.size()));
    const int count = converter.Convert(nullptr, &m_strEncoding);
    if (count == 0) {
      // The converter lacks the encoding: nothing of the text would be written.
      AddRecord(m_strIOResult, u"unsupported_encoding", &m_strEncoding, CMarkupDocument::MRC_ENCODING);
      m_bDiscard = true;
      return false;
    }
    // The count is of the target's units: 32-bit codes, 16-bit units (UTF-16 named without its
    // mark, written in the document's own order) or bytes.
    const int target = CMarkupDocument::EncodingToCodePage(m_strEncoding);
    const size_t unitBytes = target == 65005 ? 4 : (target == 1200 ? 2 : 1);
    bytes.resize(static_cast<size_t>(count) * unitBytes);
    converter.Convert(count ? &bytes[0] : nullptr, &m_strEncoding);
    AddRecord(m_strIOResult, u"converted_from", &from, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH,
              static_cast<int>(text.size()));
    if (converter.LostChars()) AddRecord(m_strIOResult, u"conversion_loss");
    m_nOpsUnits = static_cast<int>(bytes.size());
  }
  m_pending += bytes;
  m_nFileByteOffset += static_cast<long long>(bytes.size());
  AddRecord(m_strIOResult, u"write", &m_strEncoding, CMarkupDocument::MRC_ENCODING | CMarkupDocument::MRC_LENGTH,
            m_nOpsUnits);
  return true;
}

bool MarkupTextFile::Close() {
  bool ok = true;
  const bool writing = (m_nDocFlags & CMarkupDocument::MDF_WRITEFILE) != 0;
  errno = 0;
  if (writing && m_bDiscard) {
    // A failed write leaves the file as it was.
  } else if (writing && !(m_nDocFlags & CMarkupDocument::MDF_APPENDFILE)) {
    if (!platform::WriteWholeFile(m_strPath, m_pending)) {
      FileError();
      ok = false;
    }
  } else if (writing && m_fp && !m_pending.empty()) {
    if (std::fwrite(m_pending.data(), 1, m_pending.size(), m_fp) != m_pending.size()) {
      FileError();
      ok = false;
    }
  }
  m_pending.clear();
  if (m_fp) {
    if (std::fclose(m_fp) != 0 && ok) {
      FileError();
      ok = false;
    }
    m_fp = nullptr;
  }
  m_nDocFlags &= ~kModeFlags;
  return ok;
}

namespace {

// The file's encoding against the caller's: a byte file takes the caller's when one is given,
// otherwise the caller learns the file's.
void ReconcileEncoding(MarkupTextFile& file, CString* encoding) {
  if (!encoding) return;
  if (file.m_strEncoding != *encoding && file.m_nFileCharUnitSize == 1 && !encoding->IsEmpty())
    file.m_strEncoding = *encoding;
  else
    *encoding = file.m_strEncoding;
}

// Opens the file, lets work read or write it, closes it, and hands results and flags back.
template <typename Work>
bool WholeFile(MarkupTextFile& file, const CString& path, CString* results, int* flags, Work work) {
  bool ok = file.Open(path);
  if (ok) {
    ok = work();
    if (!file.Close()) ok = false;
  } else {
    file.m_nDocFlags &= ~kModeFlags;
  }
  if (results) *results = CString::FromUtf16(file.m_strIOResult);
  if (flags) *flags = file.m_nDocFlags;
  return ok;
}

}  // namespace

bool CMarkupDocument::ReadTextFile(const CString& path, CString& text, CString* results, int* flags,
                                   CString* encoding) {
  MarkupTextFile file((flags ? *flags : 0) | MDF_READFILE);
  if (encoding) file.m_strEncoding = *encoding;
  text.Empty();
  return WholeFile(file, path, results, flags, [&] {
    ReconcileEncoding(file, encoding);
    return file.ReadText(text);
  });
}

bool CMarkupDocument::WriteTextFile(const CString& path, const CString& text, CString* results, int* flags,
                                    CString* encoding) {
  MarkupTextFile file((flags ? *flags : 0) | MDF_WRITEFILE);
  return WholeFile(file, path, results, flags, [&] {
    if (file.m_strEncoding.IsEmpty() && !text.IsEmpty()) {
      file.m_strEncoding = FindDeclaredEncoding(text);
      if (file.m_strEncoding.IsEmpty()) file.m_strEncoding = L"UTF-8";
    }
    ReconcileEncoding(file, encoding);
    return file.WriteText(text.ToUtf16());
  });
}

bool CMarkupDocument::LoadFile(const CString& path) {
  if (InFileMode()) return false;
  // A load starts without the marks of an earlier file: the file's own mark decides.
  int flags = m_nDocFlags & ~kMarkFlags;
  CString text, results;
  const bool ok = ReadTextFile(path, text, &results, &flags);
  m_nDocFlags = flags;
  m_strDoc = text.ToUtf16();
  m_strResult = results.ToUtf16();
  const bool wellFormed = ParseDocument();
  return ok && wellFormed;
}

bool CMarkupDocument::SaveFile(const CString& path) {
  if (InFileMode()) return false;
  int flags = m_nDocFlags;
  CString results;
  const bool ok = WriteTextFile(path, CString::FromUtf16(m_strDoc), &results, &flags);
  m_strResult = results.ToUtf16();
  m_nDocFlags = flags;
  return ok;
}
