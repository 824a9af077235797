// The bodies of the fuzz targets, shared by the fuzzers and by the test that
// replays their corpus. Each takes outside bytes through one reader and
// aborts when a promise of that reader breaks; the documented failures are
// caught.
#pragma once

#include <QByteArray>

namespace Fuzz {
void textFile(const QByteArray &bytes);
void iniFile(const QByteArray &bytes);
void xlsx(const QByteArray &bytes);
void ods(const QByteArray &bytes);
void xls(const QByteArray &bytes);
void settingsStart(const QByteArray &bytes);
void tableFit(const QByteArray &bytes);
// The first byte picks the file's name, the rest is its content.
void observerFile(const QByteArray &bytes);
// The first two bytes pick the paste's top row and left column, the rest is
// the clipboard's text.
void paste(const QByteArray &bytes);
} // namespace Fuzz
