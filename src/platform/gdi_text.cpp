// Text output of the device context: DrawText's layout (lines, word breaks, tabs, '&' prefixes,
// ellipses, alignment), TextOut, ExtTextOut, and the text measurements.
#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

using platform::DrawOp;
using platform::DrawRecord;
using platform::gdi::ToQColor;
using platform::gdi::ToQRect;

namespace {

constexpr int kMaxTextUnits = 1 << 20;  // longer texts are cut: layout cost stays bounded

struct Line {
  QString text;
  std::vector<int> underline;  // indices of characters shown underlined ('&' prefixes)
};

QFont FontOf(const DcState& st) { return st.font ? platform::gdi::ResolvedFont(*st.font) : QFont(); }

bool Measurable() { return platform::gdi::HaveGui(); }

// Removes the '&' prefixes ("&&" shows one '&'); notes the characters to underline.
Line StripPrefixes(const QString& s, bool underline) {
  Line out;
  out.text.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    QChar c = s[i];
    if (c == QLatin1Char('&')) {
      if (i + 1 < s.size()) {
        ++i;
        if (s[i] != QLatin1Char('&') && underline) out.underline.push_back(static_cast<int>(out.text.size()));
        out.text += s[i];
      }
      continue;
    }
    out.text += c;
  }
  return out;
}

// Expands tabs to the next tab stop (tabChars average character widths apart).
void ExpandTabs(Line& line, const QFontMetrics& fm, int tabChars) {
  if (!line.text.contains(QLatin1Char('\t'))) return;
  const int tabPx = std::max(1, tabChars * std::max(1, fm.averageCharWidth()));
  const int space = std::max(1, fm.horizontalAdvance(QLatin1Char(' ')));
  Line out;
  int x = 0;
  size_t u = 0;
  for (qsizetype i = 0; i < line.text.size(); ++i) {
    while (u < line.underline.size() && line.underline[u] == i) {
      out.underline.push_back(static_cast<int>(out.text.size()));
      ++u;
    }
    QChar c = line.text[i];
    if (c == QLatin1Char('\t')) {
      int stop = (x / tabPx + 1) * tabPx;
      int n = std::max(1, (stop - x + space - 1) / space);
      out.text += QString(n, QLatin1Char(' '));
      x += n * space;
    } else {
      out.text += c;
      x += fm.horizontalAdvance(c);
    }
  }
  line = out;
}

Line Slice(const Line& l, qsizetype from, qsizetype to) {
  Line out;
  out.text = l.text.mid(from, to - from);
  for (int u : l.underline) {
    if (u >= from && u < to) out.underline.push_back(static_cast<int>(u - from));
  }
  return out;
}

// Breaks a paragraph into lines no wider than width, at blanks; a word longer than the width
// stays whole on a line of its own.
void WrapInto(const Line& para, const QFontMetrics& fm, int width, std::vector<Line>& out) {
  const QString& t = para.text;
  const qsizetype n = t.size();
  if (n == 0) {
    out.push_back(para);
    return;
  }
  qsizetype pos = 0;
  while (pos < n) {
    int x = 0;
    qsizetype i = pos, lastBlank = -1;
    bool overflow = false;
    for (; i < n; ++i) {
      int w = fm.horizontalAdvance(t[i]);
      if (t[i] == QLatin1Char(' ')) lastBlank = i;
      else if (x + w > width && i > pos) {
        overflow = true;
        break;
      }
      x += w;
    }
    if (!overflow) {
      qsizetype end = n;
      while (end > pos && t[end - 1] == QLatin1Char(' ')) --end;
      out.push_back(Slice(para, pos, end));
      return;
    }
    qsizetype end, next;
    if (lastBlank >= pos) {
      end = lastBlank;
      next = lastBlank + 1;
    } else {
      end = i;
      while (end < n && t[end] != QLatin1Char(' ')) ++end;
      next = end;
    }
    qsizetype trimmed = end;
    while (trimmed > pos && t[trimmed - 1] == QLatin1Char(' ')) --trimmed;
    out.push_back(Slice(para, pos, trimmed));
    while (next < n && t[next] == QLatin1Char(' ')) ++next;
    pos = next;
  }
}

struct Layout {
  std::vector<Line> lines;
  std::vector<int> widths;
  int lineHeight = 0;
  int maxWidth = 0;
};

// Flags of a DrawText format; with DT_TABSTOP the second byte is the tab size, not flags.
UINT FormatFlags(UINT fmt) { return (fmt & DT_TABSTOP) ? (fmt & ~0xFF00u) : fmt; }

Layout LayOut(const QString& textIn, const QFont& font, UINT rawFmt, int rectWidth) {
  Layout lay;
  const UINT fmt = FormatFlags(rawFmt);
  QFontMetrics fm(font);
  lay.lineHeight = fm.height() + ((fmt & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
  QString text = textIn.left(kMaxTextUnits);
  const bool single = (fmt & DT_SINGLELINE) != 0;
  const bool prefixes = (fmt & DT_NOPREFIX) == 0;
  const bool underline = prefixes && (fmt & DT_HIDEPREFIX) == 0;
  int tabChars = 8;
  if (fmt & DT_TABSTOP) tabChars = std::max(1, static_cast<int>((rawFmt >> 8) & 0xFF));

  std::vector<QString> paragraphs;
  if (single) {
    QString t = text;
    t.remove(QLatin1Char('\r'));
    t.remove(QLatin1Char('\n'));
    paragraphs.push_back(t);
  } else {
    QString cur;
    for (qsizetype i = 0; i < text.size(); ++i) {
      QChar c = text[i];
      if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        paragraphs.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (!cur.isEmpty() || paragraphs.empty()) paragraphs.push_back(cur);
  }
  if (text.isEmpty()) paragraphs.clear();

  for (const QString& p : paragraphs) {
    Line line = prefixes ? StripPrefixes(p, underline) : Line{p, {}};
    if (fmt & DT_EXPANDTABS) ExpandTabs(line, fm, tabChars);
    if (!single && (fmt & DT_WORDBREAK)) WrapInto(line, fm, std::max(0, rectWidth), lay.lines);
    else lay.lines.push_back(line);
  }
  for (const Line& l : lay.lines) {
    int w = fm.horizontalAdvance(l.text);
    lay.widths.push_back(w);
    lay.maxWidth = std::max(lay.maxWidth, w);
  }
  return lay;
}

}  // namespace

int CDC::DrawText(const wchar_t* lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
  if (lpszString == nullptr) return 0;
  CString s = nCount < 0 ? CString(lpszString) : CString(lpszString, nCount);
  return DrawText(s, lpRect, nFormat);
}

int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
  if (lpRect == nullptr || !Measurable()) return 0;
  const UINT fmt = FormatFlags(nFormat);
  const QFont font = FontOf(d->st);
  const QRect box = ToQRect(*lpRect);
  Layout lay = LayOut(str.q(), font, nFormat, box.width());
  const int n = static_cast<int>(lay.lines.size());
  const int height = n * lay.lineHeight;

  if (fmt & DT_CALCRECT) {
    lpRect->right = lpRect->left + lay.maxWidth;
    lpRect->bottom = lpRect->top + height;
    return height;
  }
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::DrawText);
    r.rect = CRect(*lpRect);
    r.text = str;
    r.format = nFormat;
    d->Emit(r);
  }
  const bool single = (fmt & DT_SINGLELINE) != 0;
  int top = box.top();
  if (single && (fmt & DT_VCENTER)) top = box.top() + (box.height() - lay.lineHeight) / 2;
  else if (single && (fmt & DT_BOTTOM)) top = box.top() + box.height() - lay.lineHeight;
  const int result = (single && (fmt & (DT_VCENTER | DT_BOTTOM))) ? (top - box.top()) + lay.lineHeight : height;
  if (n == 0) return result;

  QPainter* p = d->Begin();
  if (p == nullptr) return result;
  QFontMetrics fm(font);
  const bool clip = (fmt & DT_NOCLIP) == 0;
  p->save();
  if (clip) p->setClipRect(box, Qt::IntersectClip);
  p->setFont(font);
  p->setPen(ToQColor(d->st.textColor));
  Qt::TextElideMode elide = (fmt & DT_PATH_ELLIPSIS)                        ? Qt::ElideMiddle
                            : (fmt & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) ? Qt::ElideRight
                                                                           : Qt::ElideNone;
  for (int i = 0; i < n; ++i) {
    Line line = lay.lines[static_cast<size_t>(i)];
    int w = lay.widths[static_cast<size_t>(i)];
    if (elide != Qt::ElideNone && w > box.width()) {
      line.text = fm.elidedText(line.text, elide, box.width());
      line.underline.clear();
      w = fm.horizontalAdvance(line.text);
    }
    int x = box.left();
    if (fmt & DT_CENTER) x = box.left() + (box.width() - w) / 2;
    else if (fmt & DT_RIGHT) x = box.left() + box.width() - w;
    const int y = top + i * lay.lineHeight;
    if (d->st.bkMode == OPAQUE) p->fillRect(QRect(x, y, w, lay.lineHeight), ToQColor(d->st.bkColor));
    p->drawText(QPoint(x, y + fm.ascent()), line.text);
    for (int u : line.underline) {
      if (u < 0 || u >= line.text.size()) continue;
      int ux = x + fm.horizontalAdvance(line.text.left(u));
      int uw = fm.horizontalAdvance(line.text[u]);
      p->fillRect(QRect(ux, y + fm.ascent() + std::max(1, fm.underlinePos()), uw, std::max(1, fm.lineWidth())),
                  ToQColor(d->st.textColor));
    }
  }
  p->restore();
  return result;
}

namespace {
// Draws one run of text with the context's alignment; returns its box (logical coordinates).
QRect TextRun(CDC::Impl* d, QPainter* p, int x, int y, const QString& text, const int* dx, bool background) {
  const QFont font = FontOf(d->st);
  QFontMetrics fm(font);
  int w = 0;
  if (dx != nullptr) {
    for (qsizetype i = 0; i < text.size(); ++i) w += dx[i];
  } else {
    w = fm.horizontalAdvance(text);
  }
  const UINT align = d->st.textAlign;
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) left = x - w / 2;
  else if (align & TA_RIGHT) left = x - w;
  int baseline;
  if ((align & TA_BASELINE) == TA_BASELINE) baseline = y;
  else if (align & TA_BOTTOM) baseline = y - fm.descent();
  else baseline = y + fm.ascent();
  QRect box(left, baseline - fm.ascent(), w, fm.height());
  if (p == nullptr) return box;
  p->save();
  const LONG esc = d->st.font ? d->st.font->lf.lfEscapement : 0;
  if (esc != 0) {
    p->translate(x, y);
    p->rotate(-esc / 10.0);
    p->translate(-x, -y);
  }
  if (background && d->st.bkMode == OPAQUE) p->fillRect(box, ToQColor(d->st.bkColor));
  p->setFont(font);
  p->setPen(ToQColor(d->st.textColor));
  if (dx != nullptr) {
    int cx = left;
    for (qsizetype i = 0; i < text.size(); ++i) {
      p->drawText(QPoint(cx, baseline), QString(text[i]));
      cx += dx[i];
    }
  } else {
    p->drawText(QPoint(left, baseline), text);
  }
  p->restore();
  return box;
}

CRect ToCRect(const QRect& r) { return CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }
}  // namespace

BOOL CDC::TextOut(int x, int y, const CString& str) {
  if (!Measurable()) return FALSE;
  const QString text = str.q().left(kMaxTextUnits);
  const bool updateCp = (d->st.textAlign & TA_UPDATECP) != 0;
  if (updateCp) {
    x = d->st.pos.x;
    y = d->st.pos.y;
  }
  QPainter* p = d->Begin();
  QRect box = TextRun(d, p, x, y, text, nullptr, true);
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::TextOut);
    r.rect = ToCRect(box);
    r.points = {CPoint(x, y)};
    r.text = str;
    d->Emit(r);
  }
  if (updateCp) d->st.pos.x += box.width();
  return TRUE;
}

BOOL CDC::TextOut(int x, int y, const wchar_t* lpszString, int nCount) {
  if (lpszString == nullptr) return FALSE;
  return TextOut(x, y, nCount < 0 ? CString(lpszString) : CString(lpszString, nCount));
}

BOOL CDC::ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, const CString& str, const int* lpDxWidths) {
  if (!Measurable()) return FALSE;
  const QString text = str.q().left(kMaxTextUnits);
  QPainter* p = d->Begin();
  if (p != nullptr) p->save();
  if (p != nullptr && lpRect != nullptr) {
    if (nOptions & ETO_OPAQUE) p->fillRect(ToQRect(*lpRect), ToQColor(d->st.bkColor));
    if (nOptions & ETO_CLIPPED) p->setClipRect(ToQRect(*lpRect), Qt::IntersectClip);
  }
  QRect box = TextRun(d, p, x, y, text, lpDxWidths, !((nOptions & ETO_OPAQUE) && lpRect != nullptr));
  if (p != nullptr) p->restore();
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::ExtTextOut);
    r.rect = lpRect != nullptr ? CRect(*lpRect) : ToCRect(box);
    r.points = {CPoint(x, y)};
    r.text = str;
    r.format = nOptions;
    d->Emit(r);
  }
  return TRUE;
}

CSize CDC::GetTextExtent(const CString& str) const {
  if (!Measurable()) return CSize();
  QFontMetrics fm(FontOf(d->st));
  return CSize(fm.horizontalAdvance(str.q().left(kMaxTextUnits)), fm.height());
}

CSize CDC::GetTextExtent(const wchar_t* lpszString, int nCount) const {
  if (lpszString == nullptr) return CSize();
  return GetTextExtent(nCount < 0 ? CString(lpszString) : CString(lpszString, nCount));
}

BOOL CDC::GetTextMetrics(LPTEXTMETRIC lpMetrics) const {
  if (lpMetrics == nullptr || !Measurable()) return FALSE;
  const QFont font = FontOf(d->st);
  QFontMetrics fm(font);
  const LOGFONT lf = d->st.font ? d->st.font->lf : LOGFONT{};
  TEXTMETRIC tm{};
  tm.tmHeight = fm.height();
  tm.tmAscent = fm.ascent();
  tm.tmDescent = fm.descent();
  tm.tmInternalLeading = std::max(0, fm.height() - std::max(0, font.pixelSize()));
  tm.tmExternalLeading = std::max(0, fm.leading());
  tm.tmAveCharWidth = fm.averageCharWidth();
  tm.tmMaxCharWidth = fm.maxWidth();
  tm.tmWeight = lf.lfWeight <= 0 ? FW_NORMAL : lf.lfWeight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = lf.lfItalic;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  const bool fixed = QFontInfo(font).fixedPitch();
  // As on Windows the "fixed pitch" bit is set for a variable-pitch font.
  tm.tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                          (lf.lfPitchAndFamily & 0xF0));
  tm.tmCharSet = lf.lfCharSet;
  *lpMetrics = tm;
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC hDC, const wchar_t* lpString, int nCount, SIZE* lpSize) {
  CDC* dc = CDC::FromHandle(hDC);
  if (dc == nullptr || lpString == nullptr || lpSize == nullptr || nCount < 0) return FALSE;
  CSize s = dc->GetTextExtent(lpString, nCount);
  lpSize->cx = s.cx;
  lpSize->cy = s.cy;
  return TRUE;
}
