// Pictures of windows (see windowimage.h).
#include "platform/windowimage.h"

#include <QBuffer>
#include <QByteArray>
#include <QPixmap>
#include <QWidget>

#include "platform/files.h"
#include "platform/wnd.h"

namespace platform {

bool SaveWindowImage(CWnd* wnd, const CString& path) {
  if (wnd == nullptr || wnd->GetWidget() == nullptr || path.IsEmpty()) return false;
  const QPixmap picture = wnd->GetWidget()->grab();
  if (picture.isNull()) return false;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "PNG")) return false;
  return WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace platform
