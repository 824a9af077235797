// The field splitter of the observation files and the chart labels.
#include "ExtractField.h"

QString ExtractField(const QString &Line, const QString &Delimiter, int N)
{
    QStringView rest(Line);
    QStringView field;
    bool exhausted = false;
    for (int i = 1; i <= N; ++i) {
        if (exhausted) {
            field = {};
            continue;
        }
        qsizetype at = Delimiter.isEmpty() ? -1 : rest.indexOf(Delimiter);
        if (at >= 0) {
            field = rest.left(at);
            rest = rest.mid(at + Delimiter.size());
        } else {
            // The first step without a delimiter takes what is left; every
            // later step is past the last field.
            field = rest;
            exhausted = true;
        }
    }
    return field.toString();
}
