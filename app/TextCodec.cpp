// Decoding of outside bytes: UTF-8 where valid, otherwise Windows-1251.
#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextCodec {

Decoded decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {text, Encoding::Utf8};
    return {decodeAs(bytes, Encoding::Windows1251), Encoding::Windows1251};
}

Encoding encodingOf(const QByteArray &bytes)
{
    // Qt's check of UTF-8 follows its decoder's rules (overlong forms,
    // surrogates and a character cut off at the end are errors) without
    // making the text.
    return QByteArrayView(bytes).isValidUtf8() ? Encoding::Utf8 : Encoding::Windows1251;
}

QString decodeAs(const QByteArray &bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder cp1251("windows-1251");
    return cp1251.decode(bytes);
}

QByteArray encode(const QString &text, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        return text.toUtf8();
    QStringEncoder cp1251("windows-1251");
    return cp1251.encode(text);
}

} // namespace TextCodec
