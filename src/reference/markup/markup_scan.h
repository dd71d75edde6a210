// The markup document's text scanners: tokens (tag and attribute names) and nodes (tags, text,
// comments, ...). Shared by its parse, navigation, modification and encoding detection.
#pragma once

#include <string>

namespace markup {

inline bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// A character that ends a name token.
inline bool IsTokenEnd(char16_t c) {
  switch (c) {
    case u' ': case u'\t': case u'\n': case u'\r': case u'!': case u'"': case u'\'': case u'/': case u';':
    case u'<': case u'=': case u'>': case u'?': case u'\\': case 0:
      return true;
    default:
      return false;
  }
}

// The length of the tag name at pos (after "<" or "</"): it runs to whitespace, "/" or ">". The
// parser matches end tags to start tags by these names.
inline int TagNameLength(const char16_t* text, int pos) {
  int end = pos;
  while (text[end] && !IsSpace(text[end]) && text[end] != u'/' && text[end] != u'>') ++end;
  return end - pos;
}

// The token at pos after whitespace: [start, end). A token that would be empty takes one character
// (none at the end of the text).
void NextToken(const char16_t* text, int pos, int& start, int& end);

// Name comparison: the token's characters against name over the token's length (ASCII letters
// without regard to case when ignoreCase; after two equal characters at or above 128 exactly);
// name must then end or go on with a blank, '/', '=', '[' or ']'.
bool TokenMatches(const char16_t* token, int length, const char16_t* name, bool ignoreCase);

// Equal names of equal lengths (the same rule for letter case).
bool SameName(const char16_t* a, int aLen, const char16_t* b, int bLen, bool ignoreCase);

// One node found by ScanNode.
struct NodeInfo {
  int type = 0;       // 1 start tag, 0 end tag, 2 text, 4 whitespace, 8 CDATA, 16 PI, 32 comment,
                      // 64 document type, -1 markup error, -2 end of text
  int start = 0;
  int length = 0;
  bool emptyTag = false;  // start tag ending in "/>"
  int nameStart = 0;      // tag name of a start or end tag
  int nameLen = 0;
  std::u16string results;  // records of a markup error
};

// Scans the node that starts at next (the text ends at its first zero unit); next moves after it.
int ScanNode(const char16_t* text, int& next, NodeInfo& node);

}  // namespace markup

// One attribute found in a start tag (offsets into the text).
struct AttrRange {
  int nameStart = 0, nameEnd = 0;
  bool hasValue = false;
  int valStart = 0, valEnd = 0;  // the value without its quotes
  bool quoted = false;
  int wsStart = 0, wsLen = 0;    // the whitespace before the name
  int insertAt = 0;              // after the last attribute (or the tag name)
};
