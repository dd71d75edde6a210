// Accessibility of the layer's windows: every control reports to automation tools and screen
// readers the role, name, states, items and actions of its Windows counterpart, whether it is a
// standard Qt widget or one that paints itself.
#pragma once

#include "platform/cstring.h"

class CWnd;
class QWidget;

namespace platform {

// Installs the layer's accessibility factory once the application object exists (idempotent;
// GUI thread), and gives a widget that has just become a window's the layer's interface.
// Called whenever a window gets its widget.
void EnsureAccessibility(QWidget* widget);

// The name a control without text of its own gets: the text of the static text control that
// directly precedes it among its parent's children (creation order, as in a dialog template),
// without its '&' prefixes; empty when there is none.
CString AccessibleLabelOf(const CWnd* wnd);

// Window text as a name: '&' prefixes removed ("&&" stays a single '&').
CString StripMnemonics(const CString& text);

}  // namespace platform
