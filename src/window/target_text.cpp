#include "target_text.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace purgix::window {

QString displayText(const std::string& bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    return utf8.hasError() ? QString::fromLatin1(view) : text;
}

} // namespace purgix::window
