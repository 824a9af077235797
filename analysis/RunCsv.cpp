// The rows of a Run as CSV.
#include "RunCsv.h"

#include <QLocale>
#include <QString>

namespace RunCsv {

QByteArray textField(const QString &text)
{
    QString shown = text;
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStart.contains(text.front()) && text != QLatin1String("-")) {
        bool number = false;
        QLocale::c().toDouble(text, &number);
        if (!number)
            shown.prepend(u'\'');
    }
    QByteArray bytes = shown.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r') || shown != shown.trimmed()) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

QString exact(double v)
{
    return QString::asprintf("%.17g", v);
}

QByteArray format(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows)
{
    QByteArray out = "offset,date,hour,observed,profile,shower,sporadic\n";
    out.reserve(out.size() + static_cast<qsizetype>(DataRows.size()) * 96);
    for (size_t j = 0; j < DataRows.size(); ++j) {
        const TRadData &d = DataRows[j];
        const double profile = j < ModelRows.size() ? ModelRows[j].Profile : 0;
        out += QByteArray::number(static_cast<qulonglong>(j)) + ',' + textField(d.Date) + ',' +
               QByteArray::number(d.Hour) + ',' + exact(d.Value).toLatin1() + ',' +
               exact(profile).toLatin1() + ',' + exact(d.Shower).toLatin1() + ',' +
               exact(d.Sporadic).toLatin1() + '\n';
    }
    return out;
}

} // namespace RunCsv
