// Test helper for the tests on a real X display: finds the controls a user works with (buttons,
// check boxes, edits, choices, address fields) that another control covers by more than a tenth,
// and the controls, lists and texts that lie outside the window and outside the reach of their
// page's scroll bar.
#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/tabctrl.h"
#include "platform/wnd.h"

namespace displaytest {

inline QRect GlobalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// The layer's window whose own widget w is; none for the inner parts of a control.
inline CWnd* OwnWindow(const QWidget* w) {
  CWnd* wnd = CWnd::FromWidget(w);
  return wnd != nullptr && wnd->GetWidget() == w ? wnd : nullptr;
}

inline std::string Describe(const QWidget* w) {
  CWnd* wnd = OwnWindow(w);
  QString text = wnd != nullptr ? QString::fromStdWString(std::wstring(wnd->GetWindowText().GetString())) : QString();
  const QRect r = w->geometry();
  return std::string(w->metaObject()->className()) + " " + std::to_string(wnd != nullptr ? wnd->GetDlgCtrlID() : -1) +
         " \"" + text.left(24).toStdString() + "\" at " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
         std::to_string(r.width()) + "x" + std::to_string(r.height());
}

inline bool IsWorkingControl(const QWidget* w) {
  if (OwnWindow(w) == nullptr) return false;
  return qobject_cast<const QAbstractButton*>(w) != nullptr || qobject_cast<const QLineEdit*>(w) != nullptr ||
         qobject_cast<const QComboBox*>(w) != nullptr || qobject_cast<const QPlainTextEdit*>(w) != nullptr ||
         w->inherits("platform::ctl::IpAddressWidget");
}

// Frames, group boxes and the tab strip enclose controls by design; they cover nothing.
inline bool IsEnclosure(const QWidget* w) {
  CWnd* wnd = OwnWindow(w);
  if (wnd == nullptr) return true;
  if (dynamic_cast<CTabCtrl*>(wnd) != nullptr || w->inherits("platform::ctl::GroupBoxWidget")) return true;
  if (w->inherits("platform::ctl::StaticWidget")) {
    const DWORD kind = wnd->GetStyle() & SS_TYPEMASK;
    return (kind >= SS_BLACKRECT && kind <= SS_WHITEFRAME) || (kind >= SS_ETCHEDHORZ && kind <= SS_ETCHEDFRAME);
  }
  return false;
}

// The page (a child dialog of the window) that holds w, if any.
inline QWidget* PageOf(const QWidget* w, const QWidget* window) {
  for (QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
    if (dynamic_cast<CDialog*>(OwnWindow(p)) != nullptr) return p;
  }
  return nullptr;
}

inline QScrollBar* OwnVerticalScrollBar(const QWidget* page) {
  for (QObject* o : page->children()) {
    auto* sb = qobject_cast<QScrollBar*>(o);
    if (sb != nullptr && sb->property("platformOwnScrollBar").toBool() && sb->orientation() == Qt::Vertical &&
        sb->isVisible())
      return sb;
  }
  return nullptr;
}

// The part of a widget that its parents show, in screen coordinates.
inline QRect SeenRect(const QWidget* w, const QWidget* window) {
  QRect seen = GlobalRect(w);
  for (const QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget())
    seen = seen.intersected(GlobalRect(p));
  return seen;
}

// One line per control that is covered or cannot be reached, for the window as it is shown now
// (its pages scrolled to their tops).
inline std::vector<std::string> LayoutFaults(const QWidget* window) {
  std::vector<std::string> faults;
  const QRect windowRect = GlobalRect(window);
  std::vector<QWidget*> shown;
  for (QWidget* w : window->findChildren<QWidget*>())
    if (w->isVisible() && !w->isWindow() && (OwnWindow(w) != nullptr || w->property("platformOwnScrollBar").toBool()))
      shown.push_back(w);
  for (QWidget* w : shown) {
    // Lists and texts must be in reach as well; only the working controls are checked for cover.
    const bool working = IsWorkingControl(w);
    const bool list = qobject_cast<const QAbstractScrollArea*>(w) != nullptr && OwnWindow(w) != nullptr;
    const bool text = w->inherits("platform::ctl::StaticWidget") && !IsEnclosure(w) &&
                      !OwnWindow(w)->GetWindowText().IsEmpty();
    if (!working && !list && !text) continue;
    const QRect r = GlobalRect(w);
    // What its page shows of it can be covered; the rest must be in the reach of a scroll bar.
    const QRect seen = SeenRect(w, window);
    const double area = static_cast<double>(r.width()) * r.height();
    if (area <= 0) continue;
    for (QWidget* other : shown) {
      if (!working) break;
      if (other == w || other->isAncestorOf(w) || w->isAncestorOf(other)) continue;
      if (!other->property("platformOwnScrollBar").toBool() && IsEnclosure(other)) continue;
      const QRect both = seen.intersected(SeenRect(other, window));
      if (both.isEmpty()) continue;
      const double share = static_cast<double>(both.width()) * both.height() / area;
      if (share > 0.1)
        faults.push_back(Describe(w) + " is covered " + std::to_string(static_cast<int>(share * 100)) + "% by " +
                         Describe(other));
    }
    // Inside the window, or inside its page's visible part or the part its scroll bar reaches.
    QWidget* page = PageOf(w, window);
    const QRect area2 = page != nullptr ? GlobalRect(page).intersected(windowRect) : windowRect;
    QScrollBar* bar = page != nullptr ? OwnVerticalScrollBar(page) : nullptr;
    const int right = area2.right() - (bar != nullptr ? bar->width() : 0);
    const int reach = bar != nullptr ? bar->maximum() : 0;
    if (r.left() < area2.left() || r.right() > right || r.top() < area2.top() || r.bottom() > area2.bottom() + reach)
      faults.push_back(Describe(w) + " lies outside what the window shows" + (page != nullptr ? " of its page" : ""));
  }
  return faults;
}

}  // namespace displaytest
