// When window objects may be freed. A handler that waits (a reply wait, a pumped pause, a message
// box, a file dialog, a modal dialog, a call into a web page or its load) runs the event loop, and
// whatever runs there may end the window whose handler waits. Such a window loses its window at once
// (hidden, destroyed, its handle gone, so a watch on it reports it gone), while the object itself is
// freed only once no window's code is running any more, from the outermost event loop, as Qt's
// deleteLater does. A handler that missed its watch then finds a stale object, never a freed one.
#pragma once

#include <cstddef>

class CWnd;

namespace platform {

// Counts window code under way on the GUI thread: every message a window handles, every
// PreTranslateMessage, timer procedure and page report the layer hands to a window.
class WindowCodeScope {
 public:
  WindowCodeScope();
  ~WindowCodeScope();
  WindowCodeScope(const WindowCodeScope&) = delete;
  WindowCodeScope& operator=(const WindowCodeScope&) = delete;
};

// How deep window code is nested on the GUI thread now (0: none runs).
int WindowCodeDepth();

// Frees a heap window object (delete) as soon as that is safe: at once when no window's code runs;
// otherwise its window is destroyed now (WM_DESTROY, hidden, handle released, modal loops and the
// layer's message boxes and file dialogs owned by it ended) and the object is deleted from the
// event loop once no window's code runs. A null pointer does nothing; asking twice frees once.
void DeleteWindowLater(CWnd* wnd);

// DeleteWindowLater for an owner's pointer to a window object: the pointer is nulled first.
template <class Window>
void DropWindowLater(Window*& pWnd) {
  Window* gone = pWnd;
  pWnd = nullptr;
  DeleteWindowLater(gone);
}

// Frees the objects waiting, when no window's code runs (else does nothing). For an owner of pages
// about to go: the pages it ended may still refer to it.
void DeleteDeferredWindows();

// Objects waiting to be freed.
size_t PendingWindowDeletions();

}  // namespace platform
