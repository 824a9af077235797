// Decoding of outside bytes: UTF-8 where valid, otherwise Windows-1251.
#pragma once

#include <QByteArray>
#include <QString>

namespace TextCodec {

enum class Encoding { Utf8, Windows1251 };

struct Decoded {
    QString text;
    Encoding encoding = Encoding::Utf8;
};

// UTF-8 when the whole of the bytes is valid UTF-8, Windows-1251 otherwise,
// so that files kept in the Cyrillic 8-bit code page still read correctly.
Decoded decode(const QByteArray &bytes);
// The encoding decode() would choose, found without decoding the bytes
// (for readers that decode a line at a time).
Encoding encodingOf(const QByteArray &bytes);

QString decodeAs(const QByteArray &bytes, Encoding encoding);

QByteArray encode(const QString &text, Encoding encoding);

} // namespace TextCodec
