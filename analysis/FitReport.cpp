// A fit in observers' terms.
#include "FitReport.h"

#include "RunCsv.h"
#include "SolarLongitude.h"
#include "app/DateConv.h"

#include <algorithm>
#include <cmath>

namespace FitReport {

RowTime timeOfRow(const std::vector<TRadData> &DataRows, int offset)
{
    RowTime t;
    if (offset < 0 || offset >= int(DataRows.size()))
        return t;
    const TRadData &row = DataRows[size_t(offset)];
    t.date = row.Date;
    t.hour = row.Hour;
    if (const std::optional<QDate> date = DateConv::fromText(row.Date.trimmed())) {
        t.solarLongitude = SolarLongitude::at(*date, row.Hour);
        t.valid = true;
    }
    return t;
}

qint64 missingHours(const std::vector<TRadData> &DataRows)
{
    std::vector<qint64> hours;
    hours.reserve(DataRows.size());
    QString lastText;
    std::optional<QDate> lastDate;
    for (const TRadData &r : DataRows) {
        if (r.Date != lastText) {
            lastText = r.Date;
            lastDate = DateConv::fromText(r.Date.trimmed());
        }
        if (lastDate && r.Hour >= 0 && r.Hour <= 23)
            hours.push_back(lastDate->toJulianDay() * 24 + r.Hour);
    }
    if (hours.size() < 2)
        return 0;
    std::sort(hours.begin(), hours.end());
    hours.erase(std::unique(hours.begin(), hours.end()), hours.end());
    return hours.back() - hours.front() + 1 - qint64(hours.size());
}

qint64 unreadableDates(const std::vector<TRadData> &DataRows)
{
    qint64 count = 0;
    QString lastText;
    bool lastReads = true;
    for (const TRadData &r : DataRows) {
        // A day's rows share their text: each text is read once in a row.
        if (r.Date != lastText || &r == DataRows.data()) {
            lastText = r.Date;
            lastReads = DateConv::fromText(r.Date.trimmed()).has_value();
        }
        count += lastReads ? 0 : 1;
    }
    return count;
}

Shape shapeOf(const ModelParams &params)
{
    // In double: a + b as ints could pass the range of int.
    return {double(params.a), double(params.b), (double(params.a) + params.b) * std::log(2.0)};
}

Intervals intervals(const Bootstrap::Result &result, const std::vector<TRadData> &DataRows,
                    double level)
{
    std::vector<double> a, b, P, lambda;
    for (const Bootstrap::Replicate &r : result.replicates) {
        a.push_back(r.a);
        b.push_back(r.b);
        P.push_back(r.P);
    }
    Intervals out;
    out.level = int(std::lround(level * 100));
    out.a = Bootstrap::interval(a, level);
    out.b = Bootstrap::interval(b, level);
    out.position = Bootstrap::interval(P, level);
    if (!P.empty()) {
        // Rows run forward in time, so the position's ends are the time's.
        out.positionLo = timeOfRow(DataRows, int(out.position.lo));
        out.positionHi = timeOfRow(DataRows, int(out.position.hi));
        out.solarLongitude = {out.positionLo.solarLongitude, out.positionHi.solarLongitude};
    }
    return out;
}

Report make(const std::vector<TRadData> &DataRows, const ModelParams &params, double dO)
{
    Report r;
    r.params = params;
    r.dO = dO;
    r.peakOffset = findPeak(DataRows).PeakOffset;
    r.peak = timeOfRow(DataRows, params.P);
    r.shape = shapeOf(params);
    r.missing = missingHours(DataRows);
    r.unreadableDates = unreadableDates(DataRows);
    return r;
}

namespace {

QString number(double v, int decimals)
{
    return std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'f', decimals);
}

} // namespace

QStringList peakLines(const Report &report)
{
    const bool known = !report.peak.date.isEmpty();
    return {QStringLiteral("peak_date ") + (known ? report.peak.date : QStringLiteral("-")),
            QStringLiteral("peak_hour ") +
                (known ? QString::number(report.peak.hour) : QStringLiteral("-")),
            QStringLiteral("peak_solar_longitude ") + number(report.peak.solarLongitude, 4),
            QStringLiteral("fwhm_rows ") + number(report.shape.fwhm, 4),
            QStringLiteral("missing_hours ") + QString::number(report.missing)};
}

QStringList bootstrapLines(const Bootstrap::Result &result, const std::vector<TRadData> &DataRows)
{
    QStringList lines = {
        QStringLiteral("bootstrap_replicates ") + QString::number(result.replicates.size()),
        QStringLiteral("bootstrap_failed ") + QString::number(result.failed),
        QStringLiteral("bootstrap_seconds ") + QString::number(result.seconds, 'f', 3)};
    for (double level : {0.68, 0.95}) {
        const Intervals iv = intervals(result, DataRows, level);
        const auto pair = [&](const char *name, const Bootstrap::Interval &v, int decimals) {
            lines << QStringLiteral("%1_ci%2 %3 %4")
                         .arg(QLatin1String(name))
                         .arg(iv.level)
                         .arg(number(v.lo, decimals), number(v.hi, decimals));
        };
        pair("a", iv.a, 0);
        pair("b", iv.b, 0);
        pair("position", iv.position, 0);
        pair("solar_longitude", iv.solarLongitude, 4);
    }
    return lines;
}

QStringList profileLines(const PositionProfile::Profile &profile, int peakOffset)
{
    if (profile.bestPosition == 0)
        return {QStringLiteral("profile_best_position -")};
    return {QStringLiteral("profile_best_position ") + QString::number(profile.bestPosition),
            QStringLiteral("profile_best_dO ") + RunCsv::exact(profile.bestDO),
            QStringLiteral("profile_positions_within_1_percent ") +
                QString::number(profile.positionsNearBest()),
            QStringLiteral("position_undetermined ") +
                (PositionProfile::undetermined(profile, peakOffset) ? QStringLiteral("yes")
                                                                    : QStringLiteral("no"))};
}

QStringList sourceLines(const Report &report, size_t rows)
{
    QStringList lines;
    if (!report.source.isEmpty())
        lines << QStringLiteral("source ") + report.source;
    if (!report.column.isEmpty())
        lines << QStringLiteral("column ") + report.column;
    if (!report.from.isEmpty())
        lines << QStringLiteral("range %1 %2").arg(report.from, report.to);
    lines << QStringLiteral("rows %1").arg(rows);
    return lines;
}

namespace {

// The lines of the report after its source, column, range and rows.
QStringList figureLines(const Report &report, const std::vector<TRadData> &DataRows)
{
    QStringList lines;
    lines << QStringLiteral("a %1").arg(report.params.a)
          << QStringLiteral("b %1").arg(report.params.b)
          << QStringLiteral("position %1").arg(report.params.P)
          << QStringLiteral("maximum %1").arg(report.params.M)
          << QStringLiteral("dO ") + RunCsv::exact(report.dO);
    lines << peakLines(report);
    if (report.bootstrap)
        lines << bootstrapLines(*report.bootstrap, DataRows);
    if (report.profile)
        lines << profileLines(*report.profile, report.peakOffset);
    return lines;
}

} // namespace

QString text(const Report &report, const std::vector<TRadData> &DataRows)
{
    return (sourceLines(report, DataRows.size()) + figureLines(report, DataRows)).join(u'\n') +
           u'\n';
}

QByteArray csv(const Report &report, const std::vector<TRadData> &DataRows)
{
    return csv(report, DataRows.size(), figureLines(report, DataRows));
}

QByteArray csv(const Report &source, size_t rows, const QStringList &lines)
{
    QByteArray out = "name,value,value2\n";
    const auto line = [&](const QString &name, const QStringList &values) {
        out += RunCsv::textField(name);
        for (qsizetype k = 0; k < 2; ++k)
            out += ',' + (k < values.size() ? RunCsv::textField(values[k]) : QByteArray());
        out += '\n';
    };
    // The texts of the table and of the window are one field each, blanks,
    // commas and all.
    if (!source.source.isEmpty())
        line(QStringLiteral("source"), {source.source});
    if (!source.column.isEmpty())
        line(QStringLiteral("column"), {source.column});
    if (!source.from.isEmpty())
        line(QStringLiteral("range"), {source.from, source.to});
    line(QStringLiteral("rows"), {QString::number(rows)});
    for (const QString &l : lines) {
        const qsizetype blank = l.indexOf(u' ');
        const QString name = blank < 0 ? l : l.left(blank);
        const QString value = blank < 0 ? QString() : l.mid(blank + 1);
        // The ends of an interval are numbers or "-", two fields; any other
        // value (a date, a reason in words) is one.
        const bool pair =
            name.endsWith(QLatin1String("_ci68")) || name.endsWith(QLatin1String("_ci95"));
        const qsizetype split = pair ? value.indexOf(u' ') : -1;
        if (split >= 0)
            line(name, {value.left(split), value.mid(split + 1)});
        else
            line(name, {value});
    }
    return out;
}

QByteArray profileCsv(const PositionProfile::Profile &profile)
{
    QByteArray out = "position,a,b,dO\n";
    for (const PositionProfile::Point &p : profile.points)
        if (!p.gap)
            out += QByteArray::number(p.position) + ',' + QByteArray::number(p.a) + ',' +
                   QByteArray::number(p.b) + ',' + RunCsv::exact(p.dO).toLatin1() + '\n';
    return out;
}

QByteArray landscapeCsv(const PositionProfile::Landscape &landscape)
{
    QByteArray out = "a,b,dO\n";
    if (landscape.dO.size() != 10000 || landscape.failed.size() != 10000)
        return out; // no landscape at this position
    for (int a = 1; a <= 100; ++a)
        for (int b = 1; b <= 100; ++b) {
            const size_t cell = size_t((a - 1) * 100 + b - 1);
            out += QByteArray::number(a) + ',' + QByteArray::number(b) + ',' +
                   (landscape.failed[cell] ? QByteArray()
                                           : RunCsv::exact(landscape.dO[cell]).toLatin1()) +
                   '\n';
        }
    return out;
}

} // namespace FitReport
