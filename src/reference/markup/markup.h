// CMarkupDocument: an XML/HTML document kept as one UTF-16 text with an array of element
// positions beside it. It reads text files in any encoding, navigates and edits the text in place,
// and keeps what happened as result records (GetResults, GetErrorText). It never throws.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/cstring.h"

// One element of the document: where it lies in the text and how it is linked.
struct ElementPosition {
  int nStart = 0;        // offset of its '<'
  int nLength = 0;       // from '<' to the end of its end tag (or start tag when it has none)
  int nStartTagLen = 0;
  int nEndTagLen = 0;    // 0 for an empty tag "/>" and for an element without end tag
  int nLevel = 0;        // 0 for the document and the root element
  int nFlags = 0;        // MDF_ flags below
  int iElemParent = 0;
  int iElemChild = 0;    // first child, 0 when none
  int iElemNext = 0;     // next sibling, 0 for the last
  int iElemPrev = 0;     // previous sibling; the first child holds the last child here
};

// Segmented array of element positions (65,536 entries a segment).
class ElementPositionArray {
 public:
  static constexpr int kSegmentBits = 16;
  static constexpr int kSegmentSize = 1 << kSegmentBits;
  ElementPosition& operator[](int i) { return m_segments[i >> kSegmentBits][i & (kSegmentSize - 1)]; }
  const ElementPosition& operator[](int i) const { return m_segments[i >> kSegmentBits][i & (kSegmentSize - 1)]; }
  int GetSize() const { return m_nSize; }
  // Grows (never shrinks) to at least size entries, keeping what is held.
  void GrowTo(int size);
  void Clear() { m_segments.clear(); m_nSize = 0; }

 private:
  std::vector<std::vector<ElementPosition>> m_segments;
  int m_nSize = 0;
};

struct AttrRange;
namespace markup {
struct NodeInfo;
}

class CMarkupDocument {
 public:
  // Document and file flags.
  enum {
    MDF_UTF16LEFILE = 0x1,
    MDF_UTF8PREAMBLE = 0x4,
    MDF_IGNORECASE = 0x8,
    MDF_READFILE = 0x10,
    MDF_WRITEFILE = 0x20,
    MDF_APPENDFILE = 0x40,
    MDF_UTF16BEFILE = 0x80,
    MDF_TRIMWHITESPACE = 0x100,
    MDF_COLLAPSEWHITESPACE = 0x200,
  };
  // Insertion and escaping flags.
  enum {
    MNF_WITHCDATA = 0x1,
    MNF_WITHNOLINES = 0x2,
    MNF_WITHXHTMLSPACE = 0x4,
    MNF_WITHREFS = 0x8,
    MNF_WITHNOEND = 0x10,
    MNF_ESCAPEQUOTES = 0x100,
    MNF_REPLACE = 0x1000,
    MNF_INSERT = 0x2000,
    MNF_CHILD = 0x4000,
  };
  // Element position flags.
  enum {
    MNF_DELETED = 0x20000,
    MNF_FIRST = 0x80000,
    MNF_NONENDED = 0x100000,
    MNF_ILLDATA = 0x200000,
    MNF_ILLFORMED = 0x800000,
  };
  // Node types.
  enum {
    MNT_ELEMENT = 1,
    MNT_TEXT = 2,
    MNT_WHITESPACE = 4,
    MNT_CDATA_SECTION = 8,
    MNT_PROCESSING_INSTRUCTION = 16,
    MNT_COMMENT = 32,
    MNT_DOCUMENT_TYPE = 64,
    MNT_LONE_END_TAG = 128,
    MNT_NODE_ERROR = 0x8000,
  };

  CMarkupDocument();
  explicit CMarkupDocument(const CString& text);
  CMarkupDocument(const CMarkupDocument& other);
  CMarkupDocument& operator=(const CMarkupDocument& other);
  ~CMarkupDocument();

  // Whole document.
  bool SetDocumentText(const CString& text);
  bool SetDocumentText(const wchar_t* text);  // null empties the document
  CString GetDocumentText() const { return CString::FromUtf16(m_strDoc); }
  const std::u16string& GetDocumentUnits() const { return m_strDoc; }
  bool IsWellFormed() const;
  bool SetPosition(int iPosParent, int iPos, int iPosChild);
  int GetDocFlags() const { return m_nDocFlags; }
  void SetDocFlags(int flags) { m_nDocFlags = flags; }
  CString GetResults() const { return CString::FromUtf16(m_strResult); }
  CString GetErrorText() const;

  // Files and encodings.
  bool LoadFile(const CString& path);
  bool SaveFile(const CString& path);
  static bool ReadTextFile(const CString& path, CString& text, CString* results = nullptr, int* flags = nullptr,
                           CString* encoding = nullptr);
  static bool WriteTextFile(const CString& path, const CString& text, CString* results = nullptr,
                            int* flags = nullptr, CString* encoding = nullptr);
  static int EncodingToCodePage(const CString& encoding);
  static CString FindDeclaredEncoding(const CString& text);
  static bool IsUtf8(const char* bytes, int length, int* multiByteCount = nullptr, bool* endedInside = nullptr);
  static int Utf16ToUtf8(char* dest, const char16_t* source, int capacity);
  static int Utf8ToUtf16(char16_t* dest, const char* source, int length);
  static int DecodeUtf8Char(const char*& p, const char* end);
  static void EncodeUtf8Char(int code, char* dest, int& count);
  static int DecodeUtf16Char(const char16_t*& p, const char16_t* end);
  static void EncodeUtf16Char(int code, char16_t* dest, int& count);

  // Navigation.
  bool FindElement(const CString& name = CString());
  bool FindChildElement(const CString& name = CString());
  bool EnterElement();
  bool LeaveElement();
  int FindNode(int typeMask = 0);
  int GetNodeType() const { return m_nNodeType; }
  CString GetTagName() const;
  CString GetElementName(int iPos) const;
  CString GetAttribute(const CString& name) const;
  bool GetAttributeAt(int index, CString* name, CString* value) const;
  CString GetAttributeName(int index) const;
  CString GetElementData(int iPos) const;
  CString GetData() const { return GetElementData(m_iPos); }
  CString GetElementContent(int iPos) const;
  CString GetElementMarkup(int iPos) const;
  CString GetElementPath(int iPos) const;
  int GetParentPosition(int iPos) const;
  int GetParentIndex() const { return m_iPosParent; }
  int GetMainIndex() const { return m_iPos; }
  int GetChildIndex() const { return m_iPosChild; }
  int GetNodeOffset() const { return m_nNodeOffset; }
  int GetNodeLength() const { return m_nNodeLength; }
  bool SavePosition(const CString& name, int map = 0);
  bool RestorePosition(const CString& name, int map = 0);
  bool SetMapSize(int buckets, int map = 0);
  static CString EscapeText(const CString& text, int flags = 0);
  static CString UnescapeText(const CString& text, int length = -1, int flags = 0);
  // The element positions (index 0 is the document), for inspection.
  const ElementPosition& GetElementPosition(int i) const { return m_aPos[i]; }
  int GetPositionCount() const { return m_iPosFree; }
  const wchar_t* GetPositionLabel() const { return m_pLabel; }
  int GetPositionTextOffset() const { return m_nLabelOffset; }

  // Modification.
  bool AddElement(const CString& name, const CString& value = CString(), int flags = 0);
  bool AddElement(const CString& name, int value, int flags = 0);
  bool AddNode(int type, const CString& text, int flags = 0);
  bool AddMarkup(const CString& markup, int flags = 0);
  bool SetAttribute(const CString& name, const CString& value, int flags = 0);
  bool SetAttribute(const CString& name, int value, int flags = 0);
  bool SetElementData(int iPos, const CString& value, int flags = 0);
  bool SetElementData(int iPos, int value);
  bool SetData(const CString& value, int flags = 0) { return SetElementData(m_iPos, value, flags); }
  bool SetElementContent(const CString& markup);
  bool RemoveElement();
  bool RemoveChildElement();
  bool RemoveNode();

  // Result records: appends one to results (or with 0x20 updates the first of that name).
  enum {
    MRC_COUNT = 0x1,
    MRC_TYPE = 0x2,
    MRC_NUMBER = 0x4,
    MRC_ENCODING = 0x8,
    MRC_LENGTH = 0x10,
    MRC_MODIFY = 0x20,
    MRC_MSG = 0x40,
  };
  static void AddResult(std::u16string& results, const char16_t* name, const char16_t* value = nullptr,
                        int flags = 0, int number = -1, int number2 = -1);
  static void AddResult(CString& results, const CString& name, const CString* value = nullptr, int flags = 0,
                        int number = -1, int number2 = -1);

 private:
  struct SavedEntry {
    std::u16string name;
    int iPos = 0;
    int nFlags = 0;  // 1 main, 2 child, neither: parent
  };
  struct SavedMap {
    int nBuckets = 7;
    std::vector<std::vector<SavedEntry>> buckets;
  };
  struct TagStackEntry {
    int iPos;
    int nameStart;
    int nameLen;
  };

  // Parsing (markup_parse.cpp).
  bool ParseDocument();
  int ParseElements(const char16_t* text, int textLength, int iPosParent, std::u16string& results);
  int NewPosition();
  void LinkLastChild(int iParent, int iPos);
  // Closes the elements of stack above its first keep entries, which have no end tag: their
  // children follow each of them as siblings under the parent of the outermost one. Each element is
  // relinked once, so a run of any length is closed in linear time.
  void CloseUnended(std::vector<TagStackEntry>& stack, size_t keep, int iParseParent, const char16_t* text,
                    int offset2, std::u16string& results);
  void ResetPositions() { SetPosition(0, 0, 0); }
  void RefreshLabel();
  bool InFileMode() const { return (m_nDocFlags & (MDF_READFILE | MDF_WRITEFILE)) != 0; }
  // Navigation helpers (markup_navigate.cpp).
  bool NameMatches(int iPos, const std::u16string& path) const;
  // Scans the node at pos (as markup::ScanNode); a node other than a start tag that would run past
  // limit or past the start of element iFollowing (0: none) ends there as a markup error (-1).
  int ScanNodeBefore(int& pos, markup::NodeInfo& node, int iFollowing, int limit) const;
  int FindSibling(int iParent, int iAfter, const std::u16string& path) const;
  bool FindAttributeRange(int tagNameOffset, const std::u16string* name, int index, AttrRange& out) const;
  int AttributeTagOffset() const;
  int ContentStart(int iPos) const { return m_aPos[iPos].nStart + m_aPos[iPos].nStartTagLen; }
  int ContentEnd(int iPos) const {
    return iPos ? m_aPos[iPos].nStart + m_aPos[iPos].nLength - m_aPos[iPos].nEndTagLen
                : static_cast<int>(m_strDoc.size());
  }
  void DropSavedPositions();
  // Modification helpers (markup_modify.cpp).
  void Splice(int offset, int removeLen, const std::u16string& insert);
  void RepairPositions(int offset, int removedLen, int delta);
  void RepairPositionsBelow(int offset, int removedLen, int delta, int limit);
  int InsertMarkup(int iParent, int iRef, int flags, const std::u16string& markup, int limit);
  void ShiftParsedEntries(int firstNew, int shift);
  void LinkNew(int iPos, int iParent, int iRef, bool before, bool afterCurrentNode);
  void UnlinkElement(int iPos);
  void MarkRemoved(int iPos);
  int RemoveRange(int iPos, bool withTrailingSpace);
  bool AddElementWorker(const std::u16string& name, const std::u16string& value, int flags);
  bool SetAttributeWorker(int iPos, const std::u16string& name, const std::u16string& value, int flags);

  const wchar_t* m_pLabel = L"top of document";
  int m_nLabelOffset = 0;
  std::u16string m_strDoc;
  std::u16string m_strResult;
  int m_iPosParent = 0;
  int m_iPos = 0;
  int m_iPosChild = 0;
  int m_iPosFree = 1;
  int m_iPosDeleted = 0;
  int m_nNodeType = 0;
  int m_nNodeOffset = 0;
  int m_nNodeLength = 0;
  int m_nDocFlags = 0;
  std::vector<SavedMap> m_maps;
  ElementPositionArray m_aPos;

  friend class MarkupResultWriter;
};
