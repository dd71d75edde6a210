// The markup document's encodings: names to code pages, its own UTF-8/UTF-16 coders, the encoding
// a document declares, and conversions between encodings (the layer's code pages underneath).
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/codepage.h"
#include "reference/markup/markup.h"
#include "reference/markup/markup_scan.h"
#include "reference/markup/markup_textfile.h"

namespace {

struct CodePageNames {
  int codePage;
  std::vector<const char16_t*> names;
};

// Every encoding name the class knows, by code page (names in lower case, as written).
const CodePageNames kEncodingNames[] = {
    {154, {u"csptcp154", u"cyrillic-asian", u"cp154", u"pt154", u"ptcp154"}},
    {437, {u"ibm437", u"cspc8", u"codepage437", u"cp437", u"cspc8codepage437"}},
    {708, {u"asmo-708"}},
    {720, {u"dos-720"}},
    {737, {u"ibm737", u"cp737"}},
    {775, {u"ibm775", u"ebcdic-cp-be", u"ebcdic-cp-ch", u"cp500", u"csibm500", u"cp775", u"cspc775baltic"}},
    {850, {u"ibm850", u"cspc850multilingual", u"cp850"}},
    {852, {u"ibm852", u"cp852", u"cspcp852"}},
    {853, {u"cp853"}},
    {855, {u"ibm855", u"cp855", u"csibm855"}},
    {857, {u"ibm857", u"cp857", u"csibm857"}},
    {858, {u"ccsid00858", u"cp00858", u"cp858", u"pc-multilingual-850+euro", u"ibm00858"}},
    {860, {u"ibm860", u"cp860", u"csibm860"}},
    {861, {u"ibm861", u"cp-is", u"cp861", u"csibm861"}},
    {862, {u"ibm862", u"cspc862latinhebrew", u"cp862", u"dos-862"}},
    {863, {u"ibm863", u"cp863", u"csibm863"}},
    {864, {u"ibm864", u"cp864", u"csibm864"}},
    {865, {u"ibm865", u"cp865", u"csibm865"}},
    {866, {u"ibm866", u"cp866", u"csibm866"}},
    {869, {u"cp-gr", u"ibm869", u"cp869", u"csibm869"}},
    {874, {u"windows-874", u"cp874", u"tis-620", u"dos-874", u"iso-8859-11"}},
    {932, {u"x-ms-cp932", u"shift_jis", u"sjis-win", u"windows-932", u"cp932", u"ms_kanji", u"ms932", u"sjis-ms", u"shifft_jis-ms", u"windows-31j", u"cswindows31j", u"sjis", u"shifft_jis", u"shift-jis", u"x-sjis", u"sjis-open", u"csshiftjis"}},
    {936, {u"gb_2312-80", u"gb231280", u"windows-936", u"cp936", u"csiso58gb231280", u"ms936", u"gb2312-80", u"gb2312", u"csgb231280", u"chinese", u"iso-ir-58", u"cn-gb", u"csgb2312", u"gbk"}},
    {949, {u"ksc_5601", u"uhc", u"korean", u"iso-ir-149", u"csksc56011987", u"ks_c_5601-1987", u"ks_c_5601-1989", u"ksc5601", u"cp949", u"ks_c_5601", u"ks_c_5601_1987", u"ks-c5601", u"ks-c-5601"}},
    {950, {u"big5-hkscs", u"big5", u"cp950", u"x-x-big5", u"csbig5", u"cn-big5"}},
    {1125, {u"cp1125"}},
    {1133, {u"cp1133", u"ibm-cp1133"}},
    {1200, {u"ucs-2le", u"utf-16", u"utf16le", u"utf-16le", u"cp1200", u"ucs-2", u"unicode", u"utf16"}},
    {1201, {u"ucs-2be", u"utf16be", u"utf-16be", u"unicodefffe", u"cp1201"}},
    {1250, {u"ms-ee", u"windows-1250", u"cp1250", u"x-cp1250"}},
    {1251, {u"ms-cyrl", u"windows-1251", u"cp1251", u"x-cp1251"}},
    {1252, {u"ms-ansi", u"windows-1252", u"cp1252", u"x-ansi"}},
    {1253, {u"ms-greek", u"windows-1253", u"cp1253"}},
    {1254, {u"windows-1254", u"ms-turk", u"cp1254"}},
    {1255, {u"ms-hebr", u"windows-1255", u"cp1255"}},
    {1256, {u"ms-arab", u"windows-1256", u"cp1256", u"cp1256 "}},
    {1257, {u"windows-1257", u"cp1257", u"winbaltrim"}},
    {1258, {u"windows-1258", u"cp1258"}},
    {1361, {u"johab", u"cp1361"}},
    {10000, {u"macintosh", u"csmacintosh", u"mac"}},
    {10001, {u"x-mac-japanese"}},
    {10002, {u"x-mac-chinesetrad"}},
    {10003, {u"x-mac-korean"}},
    {10004, {u"x-mac-arabic"}},
    {10005, {u"x-mac-hebrew"}},
    {10006, {u"x-mac-greek"}},
    {10007, {u"x-mac-cyrillic"}},
    {10008, {u"x-mac-chinesesimp"}},
    {10010, {u"x-mac-romanian"}},
    {10017, {u"x-mac-ukrainian"}},
    {10021, {u"x-mac-thai"}},
    {10029, {u"x-mac-ce"}},
    {10079, {u"x-mac-icelandic"}},
    {10081, {u"x-mac-turkish"}},
    {10082, {u"x-mac-croatian"}},
    {12000, {u"utf-32", u"utf32le", u"utf-32le", u"utf32", u"cp12000"}},
    {12001, {u"utf32be", u"utf-32be", u"cp12001"}},
    {20000, {u"x-chinese-cns", u"x-chinese_cns"}},
    {20001, {u"x-cp20001"}},
    {20002, {u"x_chinese-eten", u"x-chinese-eten"}},
    {20003, {u"x-cp20003"}},
    {20004, {u"x-cp20004"}},
    {20005, {u"x-cp20005"}},
    {20105, {u"x-ia5"}},
    {20106, {u"x-ia5-german"}},
    {20107, {u"x-ia5-swedish"}},
    {20108, {u"x-ia5-norwegian"}},
    {20127, {u"ibm367", u"us-ascii", u"ascii", u"cp367", u"iso-ir-6", u"us", u"csascii", u"ansi_x3.4-1968", u"ansi_x3.4-1986", u"iso646-us", u"iso-ir-6us", u"iso_646.irv:1991"}},
    {20261, {u"x-cp20261"}},
    {20269, {u"x-cp20269"}},
    {20866, {u"koi", u"koi8r", u"koi8", u"koi8-r", u"cskoi8r"}},
    {20932, {u"cseucpkdfmtjapanese", u"extended_unix_code_packed_format_for_japanese", u"euc-jp"}},
    {20936, {u"x-cp20936"}},
    {20949, {u"x-cp20949"}},
    {21866, {u"koi8-ru", u"koi8-u"}},
    {28591, {u"l1", u"ibm819", u"iso-ir-100", u"iso8859-1", u"csisolatin1", u"cp819", u"iso-8859-1", u"iso_8859-1:1987", u"latin1", u"iso_8859-1"}},
    {28592, {u"l2", u"iso-ir-101", u"iso8859-2", u"csisolatin2", u"iso-8859-2", u"iso_8859-2:1987", u"latin2", u"iso_8859-2"}},
    {28593, {u"l3", u"iso-ir-109", u"iso8859-3", u"csisolatin3", u"iso-8859-3", u"iso_8859-3:1988", u"latin3", u"iso_8859-3"}},
    {28594, {u"l4", u"iso-ir-110", u"iso8859-4", u"csisolatin4", u"iso-8859-4", u"iso_8859-4:1988", u"latin4", u"iso_8859-4"}},
    {28595, {u"iso-ir-144", u"iso8859-5", u"csisolatin5", u"iso-8859-5", u"csisolatincyrillic", u"cyrillic", u"iso_8859-5:1988", u"iso_8859-5"}},
    {28596, {u"iso-ir-127", u"iso8859-6", u"iso-8859-6", u"iso_8859-6:1987", u"iso_8859-6", u"ecma-114", u"csisolatinarabic", u"arabic"}},
    {28597, {u"iso-ir-126", u"iso8859-7", u"csisolatingreek", u"greek", u"elot_928", u"iso-8859-7", u"iso_8859-7:1987", u"greek8", u"iso_8859-7", u"ecma-118"}},
    {28598, {u"csisolatinhebrew", u"hebrew", u"iso-ir-138", u"iso8859-8", u"visual", u"iso-8859-8", u"iso_8859-8:1988", u"iso_8859-8"}},
    {28599, {u"l5", u"iso-ir-148", u"iso8859-9", u"iso-8859-9", u"iso_8859-9:1989", u"latin5", u"iso_8859-9"}},
    {28603, {u"iso8859-13", u"iso-8859-13"}},
    {28605, {u"l9", u"latin-9", u"iso_8859-15", u"iso8859-15", u"iso-8859-15", u"latin9"}},
    {29001, {u"x-europa"}},
    {38598, {u"iso8859-8-i", u"iso-8859-8-i", u"logical"}},
    {50220, {u"iso-2022-jp"}},
    {50221, {u"_iso-2022-jp", u"ms50221", u"iso-2022-jp-ms", u"csiso2022jp", u"iso2022-jp-ms", u"windows-50221", u"cp50221"}},
    {50222, {u"_iso-2022-jp$sio"}},
    {50225, {u"iso2022-kr", u"csiso2022kr", u"iso-2022-kr"}},
    {50227, {u"x-cp50227"}},
    {51932, {u"cp51932", u"x-euc", u"ms51932", u"x-euc-jp", u"windows-51932"}},
    {51936, {u"euc-cn", u"x-euc-cn"}},
    {51949, {u"euc-kr", u"cseuckr"}},
    {52936, {u"hz-gb-2312"}},
    {54936, {u"iso-4873:1986", u"gb18030"}},
    {57002, {u"x-iscii-de"}},
    {57003, {u"x-iscii-be"}},
    {57004, {u"x-iscii-ta"}},
    {57005, {u"x-iscii-te"}},
    {57006, {u"x-iscii-as"}},
    {57007, {u"x-iscii-or"}},
    {57008, {u"x-iscii-ka"}},
    {57009, {u"x-iscii-ma"}},
    {57010, {u"x-iscii-gu"}},
    {57011, {u"x-iscii-pa"}},
    {65000, {u"unicode-1-1-utf-7", u"x-unicode-2-0-utf-7", u"csunicode11utf7", u"utf-7"}},
    {65001, {u"unicode-1-1-utf-8", u"unicode-2-0-utf-8", u"x-unicode-2-0-utf-8", u"utf8", u"utf-8", u"cp65001"}},
};

const std::unordered_map<std::u16string, int>& NameTable() {
  static const auto* table = [] {
    auto* map = new std::unordered_map<std::u16string, int>;
    for (const CodePageNames& entry : kEncodingNames)
      for (const char16_t* name : entry.names) map->emplace(name, entry.codePage);
    return map;
  }();
  return *table;
}

// Targets for which the platform cannot report lost characters.
bool NoLossReport(int cp) {
  switch (cp) {
    case 50220: case 50221: case 50222: case 50225: case 50227: case 50229: case 52936: case 54936:
    case 65000: case 65001:
      return true;
    default:
      return cp >= 57002 && cp <= 57011;
  }
}

UINT PlatformCodePage(int cp) { return cp <= 0 ? CP_ACP : static_cast<UINT>(cp); }

}  // namespace

std::vector<std::pair<CString, int>> MarkupEncodingNames() {
  std::vector<std::pair<CString, int>> all;
  for (const CodePageNames& entry : kEncodingNames)
    for (const char16_t* name : entry.names) all.emplace_back(CString(name), entry.codePage);
  return all;
}

int CMarkupDocument::EncodingToCodePage(const CString& encoding) {
  std::u16string name = encoding.ToUtf16();
  if (name.empty()) return 0;
  if (name.compare(0, 6, u"UTF-32") == 0) return 65005;
  if (name.size() >= 100) return -1;
  for (char16_t& c : name)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  const auto& table = NameTable();
  const auto it = table.find(name);
  return it == table.end() ? -1 : it->second;
}

int CMarkupDocument::DecodeUtf8Char(const char*& p, const char* end) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  const auto* e = reinterpret_cast<const unsigned char*>(end);
  int code = *b;
  int more;
  if (code < 0x80) {
    ++p;
    return code;
  }
  if (!(code & 0x20)) {
    code &= 0x1F;
    more = 1;
  } else if (!(code & 0x10)) {
    code &= 0x0F;
    more = 2;
  } else if (!(code & 0x08)) {
    code &= 0x07;
    more = 3;
  } else {
    return -1;
  }
  const unsigned char* q = b + 1;
  for (int i = 0; i < more; ++i, ++q) {
    if (q >= e || !(*q & 0x80)) return -1;
    code = (code << 6) | (*q & 0x3F);
  }
  p = reinterpret_cast<const char*>(q);
  return code;
}

void CMarkupDocument::EncodeUtf8Char(int code, char* dest, int& count) {
  unsigned char bytes[4];
  int n;
  if (code < 0x80) {
    bytes[0] = static_cast<unsigned char>(code);
    n = 1;
  } else if (code < 0x800) {
    bytes[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
    bytes[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    n = 2;
  } else if (code < 0x10000) {
    bytes[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
    bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    n = 3;
  } else {
    bytes[0] = static_cast<unsigned char>(0xF0 | ((code >> 18) & 0x07));
    bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    n = 4;
  }
  if (dest)
    for (int i = 0; i < n; ++i) dest[count + i] = static_cast<char>(bytes[i]);
  count += n;
}

int CMarkupDocument::DecodeUtf16Char(const char16_t*& p, const char16_t* end) {
  const int first = *p;
  if (first < 0xD800 || first > 0xDFFF) {
    ++p;
    return first;
  }
  if (p + 1 >= end || p[1] == 0) return -1;
  const int code = (((first & 0x3FF) << 10) | (p[1] & 0x3FF)) + 0x10000;
  p += 2;
  return code;
}

void CMarkupDocument::EncodeUtf16Char(int code, char16_t* dest, int& count) {
  if (code < 0x10000) {
    if (dest) dest[count] = static_cast<char16_t>(code);
    ++count;
    return;
  }
  code -= 0x10000;
  if (dest) {
    dest[count] = static_cast<char16_t>(0xD800 | ((code >> 10) & 0x3FF));
    dest[count + 1] = static_cast<char16_t>(0xDC00 | (code & 0x3FF));
  }
  count += 2;
}

bool CMarkupDocument::IsUtf8(const char* bytes, int length, int* multiByteCount, bool* endedInside) {
  if (multiByteCount) *multiByteCount = 0;
  if (endedInside) *endedInside = false;
  const char* p = bytes;
  const char* end = bytes + length;
  while (p < end && *p) {
    if (!(static_cast<unsigned char>(*p) & 0x80)) {
      ++p;
      continue;
    }
    if (multiByteCount) ++*multiByteCount;
    const char* before = p;
    if (DecodeUtf8Char(p, end) == -1) {
      if (endedInside) {
        // Did the sequence fail only because the buffer ended?
        const unsigned char lead = static_cast<unsigned char>(*before);
        const int more = !(lead & 0x20) ? 1 : !(lead & 0x10) ? 2 : !(lead & 0x08) ? 3 : 0;
        const char* q = before + 1;
        while (q < end && q < before + 1 + more && (static_cast<unsigned char>(*q) & 0x80)) ++q;
        *endedInside = more && q == end && q < before + 1 + more;
      }
      return false;
    }
  }
  return true;
}

int CMarkupDocument::Utf16ToUtf8(char* dest, const char16_t* source, int capacity) {
  int count = 0;
  const char16_t* p = source;
  const char16_t* end = source;
  while (*end) ++end;
  while (p < end) {
    int code = DecodeUtf16Char(p, end);
    if (code == -1) {
      code = '?';
      ++p;
    }
    if (dest) {
      int need = 0;
      EncodeUtf8Char(code, nullptr, need);
      if (count + need > capacity) break;
    }
    EncodeUtf8Char(code, dest, count);
  }
  if (dest && count < capacity) dest[count] = 0;
  return count;
}

int CMarkupDocument::Utf8ToUtf16(char16_t* dest, const char* source, int length) {
  const char* p = source;
  const char* end = source + length;
  int count = 0;
  while (p < end) {
    int code = DecodeUtf8Char(p, end);
    if (code == -1) {
      code = '?';
      ++p;
    }
    if (code == 0) {
      if (dest) dest[count] = 0;
      break;
    }
    EncodeUtf16Char(code, dest, count);
  }
  return dest ? static_cast<int>(p - source) : count;
}

CString CMarkupDocument::FindDeclaredEncoding(const CString& text) {
  const std::u16string units = text.ToUtf16();
  const char16_t* t = units.c_str();
  CMarkupDocument scratch;  // reads attributes with the class's own walk
  scratch.m_strDoc = units;
  int next = 0;
  bool htmlSeen = false;
  bool firstTag = true;
  markup::NodeInfo node;
  auto nameIs = [&](const char16_t* name) {
    int ts, te;
    markup::NextToken(t, node.start + (node.type == 1 ? 1 : 2), ts, te);
    return markup::SameName(t + ts, te - ts, name, static_cast<int>(std::char_traits<char16_t>::length(name)), true);
  };
  auto attribute = [&](int tagOffset, const char16_t* name) {
    scratch.m_nDocFlags = MDF_IGNORECASE;
    AttrRange r;
    const std::u16string n(name);
    if (!scratch.FindAttributeRange(tagOffset, &n, -1, r) || !r.hasValue) return std::u16string();
    return units.substr(static_cast<size_t>(r.valStart), static_cast<size_t>(r.valEnd - r.valStart));
  };
  for (;;) {
    const int type = markup::ScanNode(t, next, node);
    if (type == -2 || type == -1) break;
    if (type == 16 && node.start == 0 && nameIs(u"xml"))
      return CString::FromUtf16(attribute(2, u"encoding"));
    if (type == 0 && nameIs(u"head")) break;
    if (type != 1) continue;
    if (firstTag) {
      firstTag = false;
      if (!nameIs(u"html")) break;
      htmlSeen = true;
      continue;
    }
    if (!htmlSeen || !nameIs(u"meta")) continue;
    std::u16string equiv = attribute(node.start + 1, u"http-equiv");
    for (char16_t& c : equiv)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (equiv != u"content-type") continue;
    const std::u16string content = attribute(node.start + 1, u"content") + u'\0';
    // Tokens of the content value: charset, '=', then the answer.
    int pos = 0;
    int stage = 0;
    for (;;) {
      int ts, te;
      markup::NextToken(content.c_str(), pos, ts, te);
      if (ts == te) break;
      pos = te;
      if (stage == 2) return CString::FromUtf16(content.substr(static_cast<size_t>(ts), static_cast<size_t>(te - ts)));
      if (stage == 1) stage = (te - ts == 1 && content[static_cast<size_t>(ts)] == u'=') ? 2 : 0;
      if (stage == 0 && markup::SameName(content.c_str() + ts, te - ts, u"charset", 7, true)) stage = 1;
    }
    break;
  }
  return CString();
}

MarkupTextConverter::MarkupTextConverter(const CString& fromEncoding, const void* source, int sourceLength)
    : m_strFromEncoding(fromEncoding), m_pFrom(source), m_nFromLen(sourceLength) {}

int MarkupTextConverter::Convert(void* dest, const CString* toEncoding) {
  if (toEncoding) m_strToEncoding = *toEncoding;
  int from = CMarkupDocument::EncodingToCodePage(m_strFromEncoding);
  int to = CMarkupDocument::EncodingToCodePage(m_strToEncoding);
  if (from == -1) from = 0;
  if (to == -1) to = 0;
  m_nLostChars = 0;
  std::vector<char> bytes;      // byte results
  std::u16string units;         // UTF-16 results
  std::vector<int> codes;       // UTF-32 results
  int count = 0;
  auto fromWide = [&](const std::u16string& wide) {
    if (to == 65005) {
      const char16_t* p = wide.c_str();
      const char16_t* end = p + wide.size();
      while (p < end) {
        int code = CMarkupDocument::DecodeUtf16Char(p, end);
        if (code == -1) {
          code = '?';
          ++p;
        }
        codes.push_back(code);
      }
      return static_cast<int>(codes.size());
    }
    if (to == 1200) {
      units = wide;
      return static_cast<int>(units.size());
    }
    if (!platform::CodePageSupported(PlatformCodePage(to))) return 0;
    bool lost = false;
    const std::string out = platform::TextToBytes(PlatformCodePage(to), CString::FromUtf16(wide), &lost);
    if (lost && !NoLossReport(to)) m_nLostChars = 1;
    bytes.assign(out.begin(), out.end());
    return static_cast<int>(bytes.size());
  };
  if (from == 65005) {
    const int* p = static_cast<const int*>(m_pFrom);
    if (to == 65001) {
      for (int i = 0; i < m_nFromLen; ++i) {
        char b[4];
        int n = 0;
        CMarkupDocument::EncodeUtf8Char(p[i], b, n);
        bytes.insert(bytes.end(), b, b + n);
      }
      count = static_cast<int>(bytes.size());
    } else if (to == 1200) {
      for (int i = 0; i < m_nFromLen; ++i) {
        char16_t u[2];
        int n = 0;
        CMarkupDocument::EncodeUtf16Char(p[i], u, n);
        units.append(u, static_cast<size_t>(n));
      }
      count = static_cast<int>(units.size());
    }
  } else if (from == 1200) {
    count = fromWide(std::u16string(static_cast<const char16_t*>(m_pFrom), static_cast<size_t>(m_nFromLen)));
  } else {
    const std::string_view source(static_cast<const char*>(m_pFrom), static_cast<size_t>(m_nFromLen));
    if (to == 65005 && from == 65001) {
      const char* p = source.data();
      const char* end = p + source.size();
      while (p < end) {
        int code = CMarkupDocument::DecodeUtf8Char(p, end);
        if (code == -1) {
          code = '?';
          ++p;
        }
        codes.push_back(code);
      }
      count = static_cast<int>(codes.size());
    } else if (to != 65005 && platform::CodePageSupported(PlatformCodePage(from))) {
      const std::u16string wide = platform::BytesToText(PlatformCodePage(from), source).ToUtf16();
      count = fromWide(wide);
    }
  }
  if (dest && count > 0) {
    if (!codes.empty()) std::copy(codes.begin(), codes.begin() + count, static_cast<int*>(dest));
    else if (!units.empty()) std::copy(units.begin(), units.begin() + count, static_cast<char16_t*>(dest));
    else std::copy(bytes.begin(), bytes.begin() + count, static_cast<char*>(dest));
  }
  m_nToCount = count;
  return count;
}
