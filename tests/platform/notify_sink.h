// Test helpers for the common controls: a parent window that records the notifications its
// children send (and can answer them), and mouse events sent straight to a widget.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/listctrl.h"
#include "platform/tabctrl.h"
#include "platform/wnd.h"

namespace testsupport {

struct Notice {
  UINT code = 0;
  UINT_PTR id = 0;
  int item = -1;
  int sub = -1;
  UINT oldState = 0;
  UINT newState = 0;
  UINT changed = 0;
  POINT pt{};
  WORD key = 0;
};

class NotifySink : public CWnd {
 public:
  std::vector<Notice> notices;
  int customDrawCount = 0;
  // Answers notifications when set (its result becomes the notification's result).
  std::function<LRESULT(NMHDR*)> responder;

  BOOL Make(int width = 480, int height = 360) {
    return CreateEx(0, nullptr, L"sink", WS_POPUP | WS_VISIBLE, CRect(20, 20, 20 + width, 20 + height), nullptr, 0);
  }

  std::vector<UINT> Codes() const {
    std::vector<UINT> out;
    for (const Notice& n : notices) out.push_back(n.code);
    return out;
  }
  std::vector<Notice> Of(UINT code) const {
    std::vector<Notice> out;
    for (const Notice& n : notices) {
      if (n.code == code) out.push_back(n);
    }
    return out;
  }

  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code == NM_CUSTOMDRAW) {
      ++customDrawCount;
    } else {
      notices.push_back(Decode(hdr));
    }
    if (responder) {
      LRESULT r = responder(hdr);
      if (pResult != nullptr) *pResult = r;
      return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
  }

 private:
  static Notice Decode(NMHDR* hdr) {
    Notice n;
    n.code = hdr->code;
    n.id = hdr->idFrom;
    CWnd* from = CWnd::FromHandle(hdr->hwndFrom);
    bool fromList = dynamic_cast<CListCtrl*>(from) != nullptr;
    bool fromHeader = dynamic_cast<CHeaderCtrl*>(from) != nullptr;
    switch (hdr->code) {
      case LVN_ITEMCHANGING:
      case LVN_ITEMCHANGED:
      case LVN_BEGINDRAG:
      case LVN_BEGINRDRAG:
      case LVN_COLUMNCLICK: {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
        n.item = nm->iItem;
        n.sub = nm->iSubItem;
        n.oldState = nm->uOldState;
        n.newState = nm->uNewState;
        n.changed = nm->uChanged;
        n.pt = nm->ptAction;
        break;
      }
      case LVN_KEYDOWN:
        n.key = reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey;
        break;
      case TCN_KEYDOWN:
        n.key = reinterpret_cast<NMTCKEYDOWN*>(hdr)->wVKey;
        break;
      default:
        if (fromList && (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK ||
                         hdr->code == NM_RDBLCLK || hdr->code == LVN_ITEMACTIVATE)) {
          auto* nm = reinterpret_cast<NMITEMACTIVATE*>(hdr);
          n.item = nm->iItem;
          n.sub = nm->iSubItem;
          n.pt = nm->ptAction;
        } else if (fromHeader) {
          n.item = reinterpret_cast<NMHEADER*>(hdr)->iItem;
        }
        break;
    }
    return n;
  }
};

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

inline void Click(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  Qt::MouseButton button = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonPress, p, button, button, mods);
  SendMouse(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
}

}  // namespace testsupport
