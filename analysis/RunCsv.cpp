// The rows of a Run as CSV.
#include "RunCsv.h"

#include <QRegularExpression>
#include <QString>

namespace RunCsv {

namespace {

QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

} // namespace

QByteArray textField(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[-+]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][-+]?[0-9]+)?$"));
    QString value = text;
    if (!value.isEmpty() && value != QLatin1String("-") && !number.match(value).hasMatch() &&
        QStringLiteral("=+-@\t\r").contains(value.front()))
        value.prepend(u'\'');
    QByteArray bytes = value.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r') || bytes.startsWith(' ') || bytes.endsWith(' ')) {
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
        out += QByteArray::number(static_cast<qulonglong>(j)) + ',' + field(d.Date) + ',' +
               QByteArray::number(d.Hour) + ',' + exact(d.Value).toLatin1() + ',' +
               exact(profile).toLatin1() + ',' + exact(d.Shower).toLatin1() + ',' +
               exact(d.Sporadic).toLatin1() + '\n';
    }
    return out;
}

} // namespace RunCsv
