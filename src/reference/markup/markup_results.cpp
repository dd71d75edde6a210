// The markup document's result records: one empty element per event in a results text, and the
// English line that describes them.
#include <string>

#include "reference/markup/markup.h"

namespace {

constexpr size_t kResultsLimit = 1000;

std::u16string Number(int n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

const char16_t* TextAttributeName(int flags) {
  if (flags & CMarkupDocument::MRC_TYPE) return u"type";
  if (flags & CMarkupDocument::MRC_ENCODING) return u"encoding";
  if (flags & CMarkupDocument::MRC_MSG) return u"msg";
  return u"tagname";
}

const char16_t* NumberAttributeName(int flags) {
  if (flags & CMarkupDocument::MRC_NUMBER) return u"n";
  if (flags & CMarkupDocument::MRC_COUNT) return u"count";
  if (flags & CMarkupDocument::MRC_LENGTH) return u"length";
  return u"offset";
}

std::u16string AttributeText(const char16_t* name, const std::u16string& value) {
  const CString escaped = CMarkupDocument::EscapeText(CString::FromUtf16(value), CMarkupDocument::MNF_ESCAPEQUOTES);
  return u" " + std::u16string(name) + u"=\"" + escaped.ToUtf16() + u"\"";
}

}  // namespace

void CMarkupDocument::AddResult(std::u16string& results, const char16_t* name, const char16_t* value, int flags,
                                int number, int number2) {
  if (results.size() >= kResultsLimit) return;
  if (flags & MRC_MODIFY) {
    CMarkupDocument doc(CString::FromUtf16(results));
    if (!doc.FindElement(CString::FromUtf16(name))) return;
    if (value) doc.SetAttribute(CString::FromUtf16(TextAttributeName(flags)), CString::FromUtf16(value));
    if (number != -1) doc.SetAttribute(CString::FromUtf16(NumberAttributeName(flags)), number);
    if (number2 != -1) doc.SetAttribute(L"offset2", number2);
    results = doc.m_strDoc;
    return;
  }
  std::u16string record = u"<" + std::u16string(name);
  if (value) record += AttributeText(TextAttributeName(flags), value);
  if (number != -1) record += AttributeText(NumberAttributeName(flags), Number(number));
  if (number2 != -1) record += AttributeText(u"offset2", Number(number2));
  record += u"/>";
  results += record;
}

void CMarkupDocument::AddResult(CString& results, const CString& name, const CString* value, int flags, int number,
                                int number2) {
  std::u16string units = results.ToUtf16();
  const std::u16string valueUnits = value ? value->ToUtf16() : std::u16string();
  AddResult(units, name.ToUtf16().c_str(), value ? valueUnits.c_str() : nullptr, flags, number, number2);
  results = CString::FromUtf16(units);
}

CString CMarkupDocument::GetErrorText() const {
  CMarkupDocument doc(CString::FromUtf16(m_strResult));
  CString line;
  bool markupError = false;
  auto add = [&](const CString& phrase) {
    if (!line.IsEmpty()) line += L" ";
    line += phrase;
  };
  auto addMarkup = [&](const CString& phrase) {
    if (markupError) return;
    markupError = true;
    add(phrase);
  };
  auto encodingPrefix = [&]() {
    const CString encoding = doc.GetAttribute(L"encoding");
    return encoding.IsEmpty() ? CString() : encoding + L" ";
  };
  while (doc.FindElement()) {
    const CString name = doc.GetTagName();
    const CString offset = doc.GetAttribute(L"offset");
    const CString syntaxAt = L"tag syntax error at offset " + offset;
    if (name == L"root_has_sibling") addMarkup(L"root element has sibling");
    else if (name == L"no_root_element") addMarkup(L"no root element");
    else if (name == L"lone_end_tag") addMarkup(L"lone end tag '" + doc.GetAttribute(L"tagname") + L"' at offset " + offset);
    else if (name == L"unended_start_tag")
      addMarkup(L"start tag '" + doc.GetAttribute(L"tagname") + L"' at offset " + offset + L" expecting end tag at offset " +
                doc.GetAttribute(L"offset2"));
    else if (name == L"first_tag_syntax") addMarkup(syntaxAt + L" expecting tag name / ! or ?");
    else if (name == L"exclamation_tag_syntax") addMarkup(syntaxAt + L" expecting 'DOCTYPE' [ or -");
    else if (name == L"doctype_tag_syntax") addMarkup(syntaxAt + L" expecting markup declaration");
    else if (name == L"comment_tag_syntax") addMarkup(syntaxAt + L" expecting - to begin comment");
    else if (name == L"cdata_section_syntax") addMarkup(syntaxAt + L" expecting 'CDATA'");
    else if (name == L"unterminated_tag_syntax") addMarkup(L"unterminated tag at offset " + offset);
    else if (name == L"file_error") add(doc.GetAttribute(L"msg"));
    else if (name == L"bom") add(L"BOM +");
    else if (name == L"read" || name == L"write") add(encodingPrefix() + L"length " + doc.GetAttribute(L"length"));
    else if (name == L"converted_to") add(L"to " + encodingPrefix() + L"length " + doc.GetAttribute(L"length"));
    else if (name == L"converted_from") add(encodingPrefix() + L"length " + doc.GetAttribute(L"length") + L" to");
    else if (name == L"nulls_removed") add(L"removed " + doc.GetAttribute(L"count") + L" nulls");
    else if (name == L"conversion_loss") add(L"(chars lost in conversion!)");
    else if (name == L"utf8_detection") add(L"(used UTF-8 detection)");
    else if (name == L"endian_swap") add(L"endian swap");
    else if (name == L"unsupported_encoding") add(L"encoding " + doc.GetAttribute(L"encoding") + L" not supported");
    else if (name == L"truncation_error") add(L"encoding " + doc.GetAttribute(L"encoding") + L" adjustment error");
  }
  return line;
}
