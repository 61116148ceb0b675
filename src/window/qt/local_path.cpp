#include "window/qt/local_path.h"

#include <QByteArray>

namespace purgix::window {

std::optional<std::string> localPathBytes(const QUrl& url)
{
    if (!url.isLocalFile() || !url.host().isEmpty()) {
        return std::nullopt;
    }
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

} // namespace purgix::window
