// Small text and colour helpers shared by the layer's control classes.
#pragma once

#include <QColor>
#include <QString>

#include "platform/cstring.h"

namespace platform {

QColor ToQ(COLORREF c);

// Copies text into a caller's buffer of cch characters (always terminated); characters copied.
int CopyToBuffer(const QString& text, wchar_t* buffer, int cch);

// Text handed in by a caller; null and the callback marker give the empty text.
QString TextArg(const wchar_t* text);

}  // namespace platform
