// Small helpers of the main window's own sources (not for other classes): whether a child page has
// its window, and the decimal texts that profile lines and command packets are built of.
#pragma once

#include "platform/cstring.h"

namespace brelvano {

// TRUE when the page exists and its window has been created (a page is made before its window).
template <class Page>
bool HasWindow(const Page* page) {
  return page != nullptr && page->GetSafeHwnd() != nullptr;
}

// n as "%d".
inline CString Int(int n) {
  CString s;
  s.Format(L"%d", n);
  return s;
}

// n as "%02d": at least two digits.
inline CString Two(int n) {
  CString s;
  s.Format(L"%02d", n);
  return s;
}

}  // namespace brelvano
