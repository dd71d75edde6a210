// The markup document's reading side: moving among elements and nodes, names, attributes, data,
// paths, saved positions, and the escaping of text with its entity table.
#include <string>
#include <unordered_map>

#include "reference/markup/markup.h"
#include "reference/markup/markup_scan.h"

using markup::IsSpace;

namespace {

struct Entity {
  const char16_t* name;
  int code;
};

// The named character references of HTML 4.01, and apos.
const Entity kEntities[] = {
    {u"quot", 34}, {u"amp", 38}, {u"lt", 60}, {u"gt", 62}, {u"nbsp", 160}, {u"iexcl", 161}, {u"cent", 162},
    {u"pound", 163}, {u"curren", 164}, {u"yen", 165}, {u"brvbar", 166}, {u"sect", 167}, {u"uml", 168},
    {u"copy", 169}, {u"ordf", 170}, {u"laquo", 171}, {u"not", 172}, {u"shy", 173}, {u"reg", 174},
    {u"macr", 175}, {u"deg", 176}, {u"plusmn", 177}, {u"sup2", 178}, {u"sup3", 179}, {u"acute", 180},
    {u"micro", 181}, {u"para", 182}, {u"middot", 183}, {u"cedil", 184}, {u"sup1", 185}, {u"ordm", 186},
    {u"raquo", 187}, {u"frac14", 188}, {u"frac12", 189}, {u"frac34", 190}, {u"iquest", 191}, {u"Agrave", 192},
    {u"Aacute", 193}, {u"Acirc", 194}, {u"Atilde", 195}, {u"Auml", 196}, {u"Aring", 197}, {u"AElig", 198},
    {u"Ccedil", 199}, {u"Egrave", 200}, {u"Eacute", 201}, {u"Ecirc", 202}, {u"Euml", 203}, {u"Igrave", 204},
    {u"Iacute", 205}, {u"Icirc", 206}, {u"Iuml", 207}, {u"ETH", 208}, {u"Ntilde", 209}, {u"Ograve", 210},
    {u"Oacute", 211}, {u"Ocirc", 212}, {u"Otilde", 213}, {u"Ouml", 214}, {u"times", 215}, {u"Oslash", 216},
    {u"Ugrave", 217}, {u"Uacute", 218}, {u"Ucirc", 219}, {u"Uuml", 220}, {u"Yacute", 221}, {u"THORN", 222},
    {u"szlig", 223}, {u"agrave", 224}, {u"aacute", 225}, {u"acirc", 226}, {u"atilde", 227}, {u"auml", 228},
    {u"aring", 229}, {u"aelig", 230}, {u"ccedil", 231}, {u"egrave", 232}, {u"eacute", 233}, {u"ecirc", 234},
    {u"euml", 235}, {u"igrave", 236}, {u"iacute", 237}, {u"icirc", 238}, {u"iuml", 239}, {u"eth", 240},
    {u"ntilde", 241}, {u"ograve", 242}, {u"oacute", 243}, {u"ocirc", 244}, {u"otilde", 245}, {u"ouml", 246},
    {u"divide", 247}, {u"oslash", 248}, {u"ugrave", 249}, {u"uacute", 250}, {u"ucirc", 251}, {u"uuml", 252},
    {u"yacute", 253}, {u"thorn", 254}, {u"yuml", 255}, {u"OElig", 338}, {u"oelig", 339}, {u"Scaron", 352},
    {u"scaron", 353}, {u"Yuml", 376}, {u"fnof", 402}, {u"circ", 710}, {u"tilde", 732}, {u"Alpha", 913},
    {u"Beta", 914}, {u"Gamma", 915}, {u"Delta", 916}, {u"Epsilon", 917}, {u"Zeta", 918}, {u"Eta", 919},
    {u"Theta", 920}, {u"Iota", 921}, {u"Kappa", 922}, {u"Lambda", 923}, {u"Mu", 924}, {u"Nu", 925},
    {u"Xi", 926}, {u"Omicron", 927}, {u"Pi", 928}, {u"Rho", 929}, {u"Sigma", 931}, {u"Tau", 932},
    {u"Upsilon", 933}, {u"Phi", 934}, {u"Chi", 935}, {u"Psi", 936}, {u"Omega", 937}, {u"alpha", 945},
    {u"beta", 946}, {u"gamma", 947}, {u"delta", 948}, {u"epsilon", 949}, {u"zeta", 950}, {u"eta", 951},
    {u"theta", 952}, {u"iota", 953}, {u"kappa", 954}, {u"lambda", 955}, {u"mu", 956}, {u"nu", 957},
    {u"xi", 958}, {u"omicron", 959}, {u"pi", 960}, {u"rho", 961}, {u"sigmaf", 962}, {u"sigma", 963},
    {u"tau", 964}, {u"upsilon", 965}, {u"phi", 966}, {u"chi", 967}, {u"psi", 968}, {u"omega", 969},
    {u"thetasym", 977}, {u"upsih", 978}, {u"piv", 982}, {u"ensp", 8194}, {u"emsp", 8195}, {u"thinsp", 8201},
    {u"zwnj", 8204}, {u"zwj", 8205}, {u"lrm", 8206}, {u"rlm", 8207}, {u"ndash", 8211}, {u"mdash", 8212},
    {u"lsquo", 8216}, {u"rsquo", 8217}, {u"sbquo", 8218}, {u"ldquo", 8220}, {u"rdquo", 8221},
    {u"bdquo", 8222}, {u"dagger", 8224}, {u"Dagger", 8225}, {u"bull", 8226}, {u"hellip", 8230},
    {u"permil", 8240}, {u"prime", 8242}, {u"Prime", 8243}, {u"lsaquo", 8249}, {u"rsaquo", 8250},
    {u"oline", 8254}, {u"frasl", 8260}, {u"euro", 8364}, {u"image", 8465}, {u"weierp", 8472}, {u"real", 8476},
    {u"trade", 8482}, {u"alefsym", 8501}, {u"larr", 8592}, {u"uarr", 8593}, {u"rarr", 8594}, {u"darr", 8595},
    {u"harr", 8596}, {u"crarr", 8629}, {u"lArr", 8656}, {u"uArr", 8657}, {u"rArr", 8658}, {u"dArr", 8659},
    {u"hArr", 8660}, {u"forall", 8704}, {u"part", 8706}, {u"exist", 8707}, {u"empty", 8709}, {u"nabla", 8711},
    {u"isin", 8712}, {u"notin", 8713}, {u"ni", 8715}, {u"prod", 8719}, {u"sum", 8721}, {u"minus", 8722},
    {u"lowast", 8727}, {u"radic", 8730}, {u"prop", 8733}, {u"infin", 8734}, {u"ang", 8736}, {u"and", 8743},
    {u"or", 8744}, {u"cap", 8745}, {u"cup", 8746}, {u"int", 8747}, {u"there4", 8756}, {u"sim", 8764},
    {u"cong", 8773}, {u"asymp", 8776}, {u"ne", 8800}, {u"equiv", 8801}, {u"le", 8804}, {u"ge", 8805},
    {u"sub", 8834}, {u"sup", 8835}, {u"nsub", 8836}, {u"sube", 8838}, {u"supe", 8839}, {u"oplus", 8853},
    {u"otimes", 8855}, {u"perp", 8869}, {u"sdot", 8901}, {u"lceil", 8968}, {u"rceil", 8969},
    {u"lfloor", 8970}, {u"rfloor", 8971}, {u"lang", 9001}, {u"rang", 9002}, {u"loz", 9674}, {u"spades", 9824},
    {u"clubs", 9827}, {u"hearts", 9829}, {u"diams", 9830}, {u"apos", 39},
};

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::u16string Lowered(std::u16string s) {
  for (char16_t& c : s) c = Lower(c);
  return s;
}

// The code point of an entity name: its exact spelling first, then without regard to letter case.
int EntityCode(const std::u16string& name) {
  static const auto* exact = [] {
    auto* map = new std::unordered_map<std::u16string, int>;
    for (const Entity& e : kEntities) map->emplace(e.name, e.code);
    return map;
  }();
  static const auto* folded = [] {
    auto* map = new std::unordered_map<std::u16string, int>;
    for (const Entity& e : kEntities) map->emplace(Lowered(e.name), e.code);
    return map;
  }();
  auto it = exact->find(name);
  if (it != exact->end()) return it->second;
  it = folded->find(Lowered(name));
  return it == folded->end() ? 0 : it->second;
}

bool IsHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// The number of a numeric reference body ("#60", "#x3C"); 0 when it is none.
long long NumericReference(const std::u16string& ref) {
  if (ref.size() < 2 || ref[0] != u'#') return 0;
  const bool hex = ref[1] == u'x' || ref[1] == u'X';
  const size_t first = hex ? 2 : 1;
  if (first >= ref.size()) return 0;
  long long value = 0;
  for (size_t i = first; i < ref.size(); ++i) {
    const char16_t c = ref[i];
    if (hex ? !IsHex(c) : !(c >= u'0' && c <= u'9')) return 0;
    const int digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0x10FFFF) return 0x110000;
  }
  return value;
}

bool IsReferenceStart(char16_t c) {
  return c == u'#' || c == u':' || c == u'_' || c >= 128 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsReferencePart(char16_t c) {
  return c == u'-' || c == u'.' || c == u':' || c == u'_' || c >= 128 || (c >= u'0' && c <= u'9') ||
         (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Path argument check: the kind (0 none, 1 relative, 2 absolute, 3 anywhere, -1 invalid).
int PathKind(const std::u16string& path) {
  if (path.empty()) return 0;
  size_t i = 0;
  int kind = 1;
  if (path[0] == u'/') {
    kind = path.size() > 1 && path[1] == u'/' ? 3 : 2;
    i = kind == 3 ? 2 : 1;
  }
  auto nameEnd = [&](size_t at) {
    while (at < path.size()) {
      const char16_t c = path[at];
      if (c == u' ' || c == u'/' || c == u'=' || c == u'[' || c == u']') break;
      ++at;
    }
    return at;
  };
  for (int step = 0;; ++step) {
    if (i < path.size() && path[i] == u'@') {
      const size_t e = nameEnd(i + 1);
      return (e == i + 1 || e != path.size()) ? -1 : kind;
    }
    const size_t e = nameEnd(i);
    if (e == i) return -1;
    i = e;
    while (i < path.size() && path[i] == u'[') {
      ++i;
      if (i < path.size() && path[i] >= u'1' && path[i] <= u'9') {
        while (i < path.size() && path[i] >= u'0' && path[i] <= u'9') ++i;
      } else if (i < path.size() && path[i] == u'@') {
        const size_t n = nameEnd(i + 1);
        if (n == i + 1) return -1;
        i = n;
        if (i < path.size() && path[i] == u'=') {
          ++i;
          if (i < path.size() && (path[i] == u'\'' || path[i] == u'"')) {
            const size_t close = path.find(path[i], i + 1);
            if (close == std::u16string::npos) return -1;
            i = close + 1;
          } else {
            while (i < path.size() && path[i] != u']') ++i;
          }
        }
      } else {
        const size_t n = nameEnd(i);
        if (n == i) return -1;
        i = n;
      }
      if (i >= path.size() || path[i] != u']') return -1;
      ++i;
    }
    if (i == path.size()) return kind;
    if (path[i] != u'/' || kind == 3) return -1;
    ++i;
  }
}

}  // namespace

bool CMarkupDocument::NameMatches(int iPos, const std::u16string& path) const {
  int ts, te;
  markup::NextToken(m_strDoc.c_str(), m_aPos[iPos].nStart + 1, ts, te);
  return markup::TokenMatches(m_strDoc.c_str() + ts, te - ts, path.c_str(), (m_nDocFlags & MDF_IGNORECASE) != 0);
}

int CMarkupDocument::FindSibling(int iParent, int iAfter, const std::u16string& path) const {
  // Only a relative path's first step is compared; absolute, anywhere and invalid paths find nothing.
  const int kind = PathKind(path);
  if (kind != 0 && kind != 1) return 0;
  for (int i = iAfter ? m_aPos[iAfter].iElemNext : m_aPos[iParent].iElemChild; i; i = m_aPos[i].iElemNext)
    if (kind == 0 || NameMatches(i, path)) return i;
  return 0;
}

bool CMarkupDocument::FindElement(const CString& name) {
  if ((m_nDocFlags & MDF_WRITEFILE) || m_iPosFree <= 1) return false;
  const int found = FindSibling(m_iPosParent, m_iPos, name.ToUtf16());
  if (!found) return false;
  return SetPosition(m_iPosParent, found, 0);
}

bool CMarkupDocument::FindChildElement(const CString& name) {
  if ((m_nDocFlags & MDF_WRITEFILE) || m_iPosFree <= 1) return false;
  if (!m_iPos && !FindElement()) return false;
  const int found = FindSibling(m_iPos, m_iPosChild, name.ToUtf16());
  if (!found) return false;
  return SetPosition(m_iPosParent, m_iPos, found);
}

bool CMarkupDocument::EnterElement() {
  if (!m_iPos) return false;
  return SetPosition(m_iPos, m_iPosChild, 0);
}

bool CMarkupDocument::LeaveElement() {
  if (!m_iPosParent) return false;
  return SetPosition(m_aPos[m_iPosParent].iElemParent, m_iPosParent, m_iPos);
}

int CMarkupDocument::ScanNodeBefore(int& pos, markup::NodeInfo& node, int iFollowing, int limit) const {
  const int at = pos;
  const int type = markup::ScanNode(m_strDoc.c_str(), pos, node);
  if (type == -2 || type == 1) return type;
  if (iFollowing && m_aPos[iFollowing].nStart < limit) limit = m_aPos[iFollowing].nStart;
  if (at >= limit || pos <= limit) return type;
  // Edits next to an unterminated tag can leave text that scans on into the following element
  // (an end tag taking the '>' of the next start tag, say). The positions hold: the node ends
  // where the element starts, as an error that no change of the node can take for a tag.
  pos = limit;
  node.length = limit - at;
  node.type = -1;
  return -1;
}

int CMarkupDocument::FindNode(int typeMask) {
  if (m_nDocFlags & MDF_WRITEFILE) return 0;
  const char16_t* t = m_strDoc.c_str();
  int pos;
  int lastElement = m_iPos;
  if (m_nNodeLength) {
    pos = m_nNodeOffset + m_nNodeLength;
  } else if (m_iPos) {
    pos = m_aPos[m_iPos].nStart + m_aPos[m_iPos].nLength;
  } else if (m_iPosParent) {
    if (!m_aPos[m_iPosParent].nEndTagLen) return 0;
    pos = ContentStart(m_iPosParent);
  } else {
    pos = 0;
  }
  const int levelEnd = ContentEnd(m_iPosParent);
  markup::NodeInfo node;
  for (;;) {
    if (pos >= static_cast<int>(m_strDoc.size())) return 0;
    const int at = pos;
    const int following = lastElement ? m_aPos[lastElement].iElemNext : m_aPos[m_iPosParent].iElemChild;
    int type = ScanNodeBefore(pos, node, following, levelEnd);
    if (type == -2) return 0;
    if (type == 0) {
      if (m_iPosParent && at == levelEnd) return 0;
      type = MNT_LONE_END_TAG;
    } else if (type == -1) {
      type = MNT_NODE_ERROR;
    } else if (type == 1) {
      const int element = lastElement ? m_aPos[lastElement].iElemNext : m_aPos[m_iPosParent].iElemChild;
      if (!element) return 0;
      if (!typeMask || (typeMask & MNT_ELEMENT)) {
        SetPosition(m_iPosParent, element, 0);
        return MNT_ELEMENT;
      }
      lastElement = element;
      pos = m_aPos[element].nStart + m_aPos[element].nLength;
      continue;
    }
    if (!typeMask || (typeMask & type)) {
      m_iPos = lastElement;
      m_iPosChild = 0;
      m_nNodeType = type;
      m_nNodeOffset = at;
      m_nNodeLength = node.length;
      RefreshLabel();
      return type;
    }
  }
}

CString CMarkupDocument::GetTagName() const {
  const char16_t* t = m_strDoc.c_str();
  int ts, te;
  if (m_nNodeLength) {
    switch (m_nNodeType) {
      case MNT_TEXT:
      case MNT_WHITESPACE: return L"#text";
      case MNT_CDATA_SECTION: return L"#cdata-section";
      case MNT_COMMENT: return L"#comment";
      case MNT_PROCESSING_INSTRUCTION:
      case MNT_LONE_END_TAG:
        markup::NextToken(t, m_nNodeOffset + 2, ts, te);
        return CString::FromUtf16(std::u16string_view(t + ts, static_cast<size_t>(te - ts)));
      case MNT_DOCUMENT_TYPE:
        markup::NextToken(t, m_nNodeOffset + 2, ts, te);
        markup::NextToken(t, te, ts, te);
        return CString::FromUtf16(std::u16string_view(t + ts, static_cast<size_t>(te - ts)));
      default: return CString();
    }
  }
  return GetElementName(m_iPos);
}

CString CMarkupDocument::GetElementName(int iPos) const {
  if (iPos <= 0 || iPos >= m_iPosFree || (m_aPos[iPos].nFlags & MNF_DELETED)) return CString();
  int ts, te;
  markup::NextToken(m_strDoc.c_str(), m_aPos[iPos].nStart + 1, ts, te);
  return CString::FromUtf16(std::u16string_view(m_strDoc.c_str() + ts, static_cast<size_t>(te - ts)));
}

bool CMarkupDocument::FindAttributeRange(int tagOffset, const std::u16string* name, int index, AttrRange& out) const {
  const char16_t* t = m_strDoc.c_str();
  const bool ignoreCase = (m_nDocFlags & MDF_IGNORECASE) != 0;
  int pos = tagOffset;
  bool first = true;
  bool expectValue = false;
  int count = -1;
  bool pending = false;
  bool pendingMatch = false;
  AttrRange found;
  out.insertAt = tagOffset;
  for (;;) {
    const int wsStart = pos;
    while (IsSpace(t[pos])) ++pos;
    const char16_t c = t[pos];
    if (!c) break;
    int ts = pos, te;
    bool quoted = false;
    if (c == u'"' || c == u'\'') {
      ts = pos + 1;
      te = ts;
      while (t[te] && t[te] != c) ++te;
      pos = t[te] ? te + 1 : te;
      quoted = true;
    } else {
      te = pos;
      if (expectValue) {
        while (t[te] && !IsSpace(t[te]) && t[te] != u'>') ++te;
      } else {
        while (t[te] && !IsSpace(t[te]) && t[te] != u'/' && t[te] != u'=' && t[te] != u'>' && t[te] != u'?') ++te;
      }
      if (te == ts) ++te;
      pos = te;
    }
    if (first) {
      first = false;
      out.insertAt = pos;
      continue;
    }
    const bool single = !quoted && te - ts == 1;
    if (single && (t[ts] == u'>' || (!expectValue && (t[ts] == u'/' || t[ts] == u'?')))) break;
    if (single && !expectValue && t[ts] == u'=') {
      expectValue = true;
      continue;
    }
    if (expectValue) {
      expectValue = false;
      if (pending) {
        found.hasValue = true;
        found.valStart = ts;
        found.valEnd = te;
        found.quoted = quoted;
        if (pendingMatch) {
          found.insertAt = pos;
          out = found;
          return true;
        }
        pending = false;
      }
      out.insertAt = pos;
      continue;
    }
    if (quoted) continue;
    if (pending && pendingMatch) {
      found.insertAt = out.insertAt;
      out = found;
      return true;
    }
    ++count;
    pending = true;
    found = AttrRange();
    found.nameStart = ts;
    found.nameEnd = te;
    found.wsStart = wsStart;
    found.wsLen = ts - wsStart;
    pendingMatch = name ? markup::TokenMatches(t + ts, te - ts, name->c_str(), ignoreCase) : count == index;
    out.insertAt = pos;
  }
  if (pending && pendingMatch) {
    found.insertAt = out.insertAt;
    out = found;
    return true;
  }
  return false;
}

int CMarkupDocument::AttributeTagOffset() const {
  if (m_nNodeLength) return m_nNodeType == MNT_PROCESSING_INSTRUCTION ? m_nNodeOffset + 2 : -1;
  if (m_iPos <= 0) return -1;
  return m_aPos[m_iPos].nStart + 1;
}

CString CMarkupDocument::GetAttribute(const CString& name) const {
  const int tag = AttributeTagOffset();
  if (tag < 0) return CString();
  const std::u16string n = name.ToUtf16();
  if (n.empty()) return CString();
  AttrRange r;
  if (!FindAttributeRange(tag, &n, -1, r)) return CString();
  const char16_t* t = m_strDoc.c_str();
  if (!r.hasValue) return CString::FromUtf16(std::u16string_view(t + r.nameStart, static_cast<size_t>(r.nameEnd - r.nameStart)));
  return UnescapeText(CString::FromUtf16(std::u16string_view(t + r.valStart, static_cast<size_t>(r.valEnd - r.valStart))), -1,
                      m_nDocFlags);
}

bool CMarkupDocument::GetAttributeAt(int index, CString* name, CString* value) const {
  const int tag = AttributeTagOffset();
  if (tag < 0 || index < 0) return false;
  AttrRange r;
  if (!FindAttributeRange(tag, nullptr, index, r)) return false;
  const char16_t* t = m_strDoc.c_str();
  const CString n = CString::FromUtf16(std::u16string_view(t + r.nameStart, static_cast<size_t>(r.nameEnd - r.nameStart)));
  if (name) *name = n;
  if (value) {
    *value = r.hasValue ? UnescapeText(CString::FromUtf16(std::u16string_view(t + r.valStart, static_cast<size_t>(r.valEnd - r.valStart))),
                                       -1, m_nDocFlags)
                        : n;
  }
  return true;
}

CString CMarkupDocument::GetAttributeName(int index) const {
  CString name;
  GetAttributeAt(index, &name, nullptr);
  return name;
}

CString CMarkupDocument::GetElementData(int iPos) const {
  const char16_t* t = m_strDoc.c_str();
  auto range = [&](int from, int to) {
    return CString::FromUtf16(std::u16string_view(t + from, static_cast<size_t>(to > from ? to - from : 0)));
  };
  if (iPos == m_iPos && m_nNodeLength) {
    const int a = m_nNodeOffset, b = m_nNodeOffset + m_nNodeLength;
    switch (m_nNodeType) {
      case MNT_COMMENT: return range(a + 4, b - 3);
      case MNT_PROCESSING_INSTRUCTION: return range(a + 2, b - 2);
      case MNT_CDATA_SECTION: return range(a + 9, b - 3);
      case MNT_LONE_END_TAG: return range(a + 2, b - 1);
      case MNT_TEXT:
      case MNT_WHITESPACE: return UnescapeText(range(a, b), -1, m_nDocFlags);
      default: return range(a, b);
    }
  }
  if (iPos <= 0 || iPos >= m_iPosFree) return CString();
  const ElementPosition& e = m_aPos[iPos];
  if ((e.nFlags & MNF_DELETED) || !e.nEndTagLen || e.iElemChild) return CString();
  const int from = ContentStart(iPos), to = ContentEnd(iPos);
  const std::u16string_view content(t + from, static_cast<size_t>(to - from));
  if (content.find(u'<') == std::u16string_view::npos) return UnescapeText(range(from, to), -1, m_nDocFlags);
  CString data;
  std::u16string part(content);
  int next = 0;
  markup::NodeInfo node;
  for (;;) {
    const int type = markup::ScanNode(part.c_str(), next, node);
    if (type == -2) break;
    if (type == MNT_TEXT || type == MNT_WHITESPACE)
      data += UnescapeText(CString::FromUtf16(part.substr(static_cast<size_t>(node.start), static_cast<size_t>(node.length))), -1,
                           m_nDocFlags);
    else if (type == MNT_CDATA_SECTION && node.length >= 12)
      data += CString::FromUtf16(part.substr(static_cast<size_t>(node.start + 9), static_cast<size_t>(node.length - 12)));
  }
  return data;
}

CString CMarkupDocument::GetElementContent(int iPos) const {
  if (iPos <= 0 || iPos >= m_iPosFree || !m_aPos[iPos].nEndTagLen || (m_aPos[iPos].nFlags & MNF_DELETED)) return CString();
  const int from = ContentStart(iPos), to = ContentEnd(iPos);
  return CString::FromUtf16(std::u16string_view(m_strDoc.c_str() + from, static_cast<size_t>(to - from)));
}

CString CMarkupDocument::GetElementMarkup(int iPos) const {
  if (iPos <= 0 || iPos >= m_iPosFree || (m_aPos[iPos].nFlags & MNF_DELETED)) return CString();
  const ElementPosition& e = m_aPos[iPos];
  int end = e.nStart + e.nLength;
  int ws = end;
  while (IsSpace(m_strDoc.c_str()[ws])) ++ws;
  if (m_strDoc.c_str()[ws] == 0 || m_strDoc.c_str()[ws] == u'<') end = ws;
  return CString::FromUtf16(std::u16string_view(m_strDoc.c_str() + e.nStart, static_cast<size_t>(end - e.nStart)));
}

CString CMarkupDocument::GetElementPath(int iPos) const {
  CString path;
  while (iPos > 0 && iPos < m_iPosFree && !(m_aPos[iPos].nFlags & MNF_DELETED)) {
    const CString name = GetElementName(iPos);
    int number = 1;
    const int parent = m_aPos[iPos].iElemParent;
    for (int i = m_aPos[parent].iElemChild; i && i != iPos; i = m_aPos[i].iElemNext)
      if (GetElementName(i) == name) ++number;
    CString piece = L"/" + name;
    if (number > 1) piece.AppendFormat(L"[%d]", number);
    path = piece + path;
    iPos = parent;
  }
  return path;
}

int CMarkupDocument::GetParentPosition(int iPos) const {
  if (iPos <= 0 || iPos >= m_iPosFree) return 0;
  return m_aPos[iPos].iElemParent;
}

bool CMarkupDocument::SetMapSize(int buckets, int map) {
  if (buckets < 1 || map < 0) return false;
  if (map < static_cast<int>(m_maps.size()) && !m_maps[static_cast<size_t>(map)].buckets.empty()) return false;
  if (map >= static_cast<int>(m_maps.size())) m_maps.resize(static_cast<size_t>(map) + 1);
  for (SavedMap& m : m_maps)
    if (m.buckets.empty()) m.nBuckets = buckets;
  return true;
}

namespace {
size_t BucketOf(const std::u16string& name, int buckets) {
  unsigned sum = 0;
  for (char16_t c : name) sum += c;
  return sum % static_cast<unsigned>(buckets);
}
}  // namespace

bool CMarkupDocument::SavePosition(const CString& name, int map) {
  if (InFileMode() || map < 0) return false;
  const std::u16string n = name.ToUtf16();
  if (map >= static_cast<int>(m_maps.size())) m_maps.resize(static_cast<size_t>(map) + 1);
  SavedMap& m = m_maps[static_cast<size_t>(map)];
  if (m.buckets.empty()) m.buckets.resize(static_cast<size_t>(m.nBuckets));
  std::vector<SavedEntry>& bucket = m.buckets[BucketOf(n, m.nBuckets)];
  SavedEntry entry;
  entry.name = n;
  if (m_iPosChild) {
    entry.iPos = m_iPosChild;
    entry.nFlags = 2;
  } else if (m_iPos) {
    entry.iPos = m_iPos;
    entry.nFlags = 1;
  } else {
    entry.iPos = m_iPosParent;
  }
  for (SavedEntry& e : bucket) {
    if (e.name == n) {
      e = entry;
      return true;
    }
  }
  bucket.push_back(entry);
  return true;
}

bool CMarkupDocument::RestorePosition(const CString& name, int map) {
  if (InFileMode() || map < 0 || map >= static_cast<int>(m_maps.size())) return false;
  const SavedMap& m = m_maps[static_cast<size_t>(map)];
  if (m.buckets.empty()) return false;
  const std::u16string n = name.ToUtf16();
  for (const SavedEntry& e : m.buckets[BucketOf(n, m.nBuckets)]) {
    if (e.name != n) continue;
    if (e.nFlags == 2) {
      const int parent = m_aPos[e.iPos].iElemParent;
      return SetPosition(m_aPos[parent].iElemParent, parent, e.iPos);
    }
    if (e.nFlags == 1) return SetPosition(m_aPos[e.iPos].iElemParent, e.iPos, 0);
    return SetPosition(e.iPos, 0, 0);
  }
  return false;
}

void CMarkupDocument::DropSavedPositions() {
  for (SavedMap& m : m_maps)
    for (auto& bucket : m.buckets) {
      size_t keep = 0;
      for (size_t i = 0; i < bucket.size(); ++i)
        if (!(m_aPos[bucket[i].iPos].nFlags & MNF_DELETED)) bucket[keep++] = bucket[i];
      bucket.resize(keep);
    }
}

CString CMarkupDocument::EscapeText(const CString& text, int flags) {
  const std::u16string in = text.ToUtf16();
  std::u16string out;
  out.reserve(in.size() + in.size() / 10 + 7);
  const bool attribute = (flags & MNF_ESCAPEQUOTES) != 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const char16_t c = in[i];
    switch (c) {
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"':
        if (attribute) out += u"&quot;";
        else out += c;
        break;
      case u'\'':
        if (attribute) out += u"&apos;";
        else out += c;
        break;
      case u'&': {
        if (flags & MNF_WITHREFS) {
          size_t j = i + 1;
          if (j < in.size() && IsReferenceStart(in[j])) {
            ++j;
            while (j < in.size() && IsReferencePart(in[j])) ++j;
            if (j < in.size() && in[j] == u';') {
              out.append(in, i, j - i + 1);
              i = j;
              break;
            }
          }
        }
        out += u"&amp;";
        break;
      }
      default: out += c;
    }
  }
  return CString::FromUtf16(out);
}

CString CMarkupDocument::UnescapeText(const CString& text, int length, int flags) {
  std::u16string in = text.ToUtf16();
  if (length >= 0 && static_cast<size_t>(length) < in.size()) in.resize(static_cast<size_t>(length));
  const bool trim = (flags & (MDF_TRIMWHITESPACE | MDF_COLLAPSEWHITESPACE)) != 0;
  const bool collapse = (flags & MDF_COLLAPSEWHITESPACE) != 0;
  std::u16string out;
  out.reserve(in.size());
  std::u16string pendingSpace;
  bool started = false;
  auto put = [&](const char16_t* units, size_t n) {
    if (trim && !pendingSpace.empty()) {
      if (started) out += collapse ? std::u16string(u" ") : pendingSpace;
      pendingSpace.clear();
    }
    out.append(units, n);
    started = true;
  };
  for (size_t i = 0; i < in.size(); ++i) {
    const char16_t c = in[i];
    if (c == u'&') {
      size_t j = i + 1;
      std::u16string ref;
      while (j < in.size() && j - i <= 9 && in[j] != u';' && in[j] < 128) ref += Lower(in[j++]);
      if (j < in.size() && in[j] == u';' && !ref.empty()) {
        long long code;
        if (ref[0] == u'#') {
          code = NumericReference(ref);
        } else {
          code = EntityCode(std::u16string(in, i + 1, j - i - 1));
        }
        if (code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
          char16_t units[2];
          int n = 0;
          EncodeUtf16Char(static_cast<int>(code), units, n);
          put(units, static_cast<size_t>(n));
          i = j;
          continue;
        }
      }
      put(&in[i], 1);
      continue;
    }
    if (trim && IsSpace(c)) {
      if (started) pendingSpace += c;
      continue;
    }
    put(&in[i], 1);
  }
  return CString::FromUtf16(out);
}
