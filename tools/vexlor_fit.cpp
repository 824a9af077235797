// vexlor-fit: the model of Run on an observation file, from the command line.
#include "analysis/ActivityModel.h"
#include "analysis/AutoSearch.h"
#include "analysis/Bootstrap.h"
#include "analysis/Colorgramme.h"
#include "analysis/Figure.h"
#include "analysis/FitReport.h"
#include "analysis/NetworkPicture.h"
#include "analysis/PositionProfile.h"
#include "analysis/RunCsv.h"
#include "analysis/RunPipeline.h"
#include "analysis/ShowerList.h"
#include "analysis/ShowerSeasons.h"
#include "analysis/StackedBootstrap.h"
#include "analysis/StackedFigure.h"
#include "analysis/StackedFit.h"
#include "analysis/StackedReport.h"
#include "analysis/WholeRangeReport.h"
#include "app/CommandArgs.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/FileRead.h"
#include "app/LanguageTexts.h"
#include "app/Progress.h"
#include "app/SafeSave.h"
#include "app/Settings.h"
#include "files/NetworkExport.h"
#include "files/TableFiles.h"
#include "table/GridModel.h"
#include "table/TableLimits.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

const char Usage[] =
    "usage: vexlor-fit FILE... --from DATE --to DATE [--column NAME] [--a A] [--b B]\n"
    "                  [--pos P] [--max M] [--rows] [--auto] [--save OUT]\n"
    "                  [--csv OUT.csv] [--picture OUT.png|svg|pdf] [--size WxH]\n"
    "                  [--colorgramme OUT.png] [--bootstrap R [--seed N]]\n"
    "                  [--landscape OUT.csv] [--position-profile OUT.csv] [--replace]\n"
    "       vexlor-fit FILE... --save OUT | --colorgramme OUT.png [--replace]\n"
    "       vexlor-fit [--into COLUMN] FILE... --shower CODE | --lambda FROM TO\n"
    "                  [--columns Sum,N1,...] [--observability hourly|radiant]\n"
    "                  [--radiant RA DEC] [--station COLUMN LAT LON]\n"
    "                  [--bootstrap R [--seed N]] [--picture OUT] [--size WxH]\n"
    "                  [--csv OUT] [--replace]\n"
    "       vexlor-fit FILE... --network-export DIR [--month YYYY-MM] [--replace]\n"
    "                  [--column NAME] [--settings VEXLOR.ini]\n"
    "Any form: [--utc-offset H] reads the hours of count files as local time\n"
    "H hours ahead of UT (a local-time national table that names its zone\n"
    "needs none).\n"
    "FILE is an observation text file or a workbook (xlsx, ods, xls), or a count\n"
    "file of station software: a monthly table (..._MMYYYYrmob.TXT), an hourly\n"
    "list (RMOB-YYYYMM.dat), a daily list (DDMMYYYY.STA), CSV with a header\n"
    "row, a national table in local time or a log of echoes (a line per echo\n"
    "beginning with its date and time). Several FILEs are merged into one table in time order, as "
    "Import does.\n"
    "Dates are in the program's date format (DateFormat in the window's settings\n"
    "file VEXLOR.ini, otherwise the locale's short format). NAME is Sum (the\n"
    "default) or N1 to N10. --save writes the table as the window's Save does:\n"
    "a workbook when OUT ends in .xlsx, Vexlor's text layout otherwise.\n"
    "--csv writes the rows of the Run (after --auto, of the Run with the best\n"
    "parameters, as Auto Calc ends) as CSV; --picture draws that Run as a figure\n"
    "(PNG at 1600x900 by default, SVG and PDF as vector drawings); --colorgramme\n"
    "draws the column's counts as days by UT hours (PNG, at --size too).\n"
    "--bootstrap R (with --auto) takes the intervals of the report's fit of the\n"
    "maximum from R day-block replicates (--seed N repeats a draw); --landscape\n"
    "writes dO of every a and b at the final position; --position-profile writes\n"
    "the best dO at every position.\n"
    "--shower or --lambda fits one profile in solar longitude to every season of\n"
    "every chosen column at once (the stacked profile); --into puts the counts of\n"
    "the files after it into that column; --station gives a column's station's\n"
    "place for --observability radiant, the model taken by default when the\n"
    "radiant and every column's place are known (hourly otherwise).\n"
    "An output that exists already is refused, and nothing is written, unless\n"
    "--replace is given.\n"
    "--network-export writes the network's files of every month of the table (or\n"
    "of --month): the monthly table, the hourly list and the picture, with the\n"
    "station of the settings file, written all or none. --settings reads another\n"
    "settings file than the program's own (for its station and date format).\n";

struct Options {
    QStringList files;
    QString from, to, column = QStringLiteral("Sum");
    QString save, csv, picture, colorgramme, landscape, profile;
    QString networkExport, settings;
    ObserverFiles::Options import;
    std::optional<QDate> month;
    bool replace = false;
    int bootstrap = 0;
    quint64 seed = Bootstrap::DefaultSeed;
    QSize size{1600, 900};
    int a = 50, b = 50;
    std::optional<int> pos, max;
    bool rows = false;
    bool automatic = false;
    // The stacked profile.
    QString shower;
    std::optional<std::pair<double, double>> lambda, radiant;
    QStringList columns{QStringLiteral("Sum")};
    std::optional<StackedFit::Modulation> modulation; // by what is known, unless given
    std::vector<int> into; // per file: the count column (0 Sum ...), -1 as the file gives
    struct StationPlace {
        int column;
        double latitude, longitude;
    };
    std::vector<StationPlace> stations;
    bool stacked() const { return !shower.isEmpty() || lambda.has_value(); }
};

// The ranges of the whole-number options: a and b as the up-downs hold
// them (16 bits), a position within the table, a maximum within int.
constexpr int MaxCoefficient = 32767;
constexpr int MaxPosition = int(TableLimits::MaxRows) - 1;
constexpr int MaxMaximum = 2147483647;

double toDouble(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw VexlorError(QStringLiteral("'%1' is not a number").arg(text));
    return v;
}

int columnOf(const QString &name);

// A count column's number among Sum (0) and N1 to N10 (1 to 10).
int countIndexOf(const QString &name)
{
    return columnOf(name) - 2;
}

Options parse(const QStringList &args)
{
    Options o;
    int into = -1;
    const auto toInt = [](const QString &option, const QString &text, int max) {
        return CommandArgs::wholeNumber(option, text, 0, max);
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw VexlorError(QStringLiteral("%1 needs a value").arg(arg));
            return args[++i];
        };
        if (arg == QLatin1String("--from"))
            o.from = value();
        else if (arg == QLatin1String("--to"))
            o.to = value();
        else if (arg == QLatin1String("--column"))
            o.column = value();
        else if (arg == QLatin1String("--a"))
            o.a = toInt(arg, value(), MaxCoefficient);
        else if (arg == QLatin1String("--b"))
            o.b = toInt(arg, value(), MaxCoefficient);
        else if (arg == QLatin1String("--pos"))
            o.pos = toInt(arg, value(), MaxPosition);
        else if (arg == QLatin1String("--max"))
            o.max = toInt(arg, value(), MaxMaximum);
        else if (arg == QLatin1String("--rows"))
            o.rows = true;
        else if (arg == QLatin1String("--save"))
            o.save = value();
        else if (arg == QLatin1String("--csv"))
            o.csv = value();
        else if (arg == QLatin1String("--picture"))
            o.picture = value();
        else if (arg == QLatin1String("--colorgramme"))
            o.colorgramme = value();
        else if (arg == QLatin1String("--network-export"))
            o.networkExport = value();
        else if (arg == QLatin1String("--month")) {
            const QString text = value();
            const QDate month = QDate::fromString(text, QStringLiteral("yyyy-MM"));
            if (!month.isValid() || text.size() != 7)
                throw VexlorError(
                    QStringLiteral("--month takes a month as YYYY-MM, not '%1'").arg(text));
            o.month = month;
        } else if (arg == QLatin1String("--utc-offset")) {
            o.import.utcOffset = CommandArgs::wholeNumber(arg, value(), DateConv::MinUtcOffset,
                                                          DateConv::MaxUtcOffset);
        } else if (arg == QLatin1String("--settings"))
            o.settings = value();
        else if (arg == QLatin1String("--replace"))
            o.replace = true;
        else if (arg == QLatin1String("--landscape"))
            o.landscape = value();
        else if (arg == QLatin1String("--position-profile"))
            o.profile = value();
        else if (arg == QLatin1String("--bootstrap")) {
            o.bootstrap = CommandArgs::wholeNumber(arg, value(), 1, Bootstrap::MaxReplicates);
        } else if (arg == QLatin1String("--seed")) {
            bool ok = false;
            o.seed = value().toULongLong(&ok);
            if (!ok)
                throw VexlorError(QStringLiteral("--seed takes a whole number of 0 or more"));
        } else if (arg == QLatin1String("--size")) {
            o.size = Figure::parseSize(value());
            if (!o.size.isValid())
                throw VexlorError(
                    QStringLiteral("--size takes WIDTHxHEIGHT, 200x150 to 10000x10000"));
        } else if (arg == QLatin1String("--auto")) {
            o.automatic = true;
        } else if (arg == QLatin1String("--shower")) {
            o.shower = value();
            if (!ShowerList::find(o.shower))
                throw VexlorError(QStringLiteral("'%1' is not the code of a shower of the list "
                                                 "(QUA, LYR, ETA, ... DSX)")
                                      .arg(o.shower));
        } else if (arg == QLatin1String("--lambda")) {
            const double from = toDouble(value());
            o.lambda = {from, toDouble(value())};
        } else if (arg == QLatin1String("--columns")) {
            o.columns = value().split(u',', Qt::SkipEmptyParts);
            for (const QString &c : o.columns)
                columnOf(c);
            if (o.columns.isEmpty())
                throw VexlorError(QStringLiteral("--columns needs a count column"));
        } else if (arg == QLatin1String("--observability")) {
            const QString model = value();
            if (model == QLatin1String("hourly"))
                o.modulation = StackedFit::Modulation::Hourly;
            else if (model == QLatin1String("radiant"))
                o.modulation = StackedFit::Modulation::Radiant;
            else
                throw VexlorError(QStringLiteral("--observability takes hourly or radiant"));
        } else if (arg == QLatin1String("--radiant")) {
            const double ra = toDouble(value());
            o.radiant = {ra, toDouble(value())};
            if (std::fabs(o.radiant->second) > 90)
                throw VexlorError(QStringLiteral("a declination lies within -90 and 90 degrees"));
        } else if (arg == QLatin1String("--station")) {
            const int column = countIndexOf(value());
            const double latitude = toDouble(value());
            const double longitude = toDouble(value());
            if (std::fabs(latitude) > 90 || std::fabs(longitude) > 180)
                throw VexlorError(QStringLiteral("--station takes a latitude of -90 to 90 and a "
                                                 "longitude of -180 to 180 degrees"));
            o.stations.push_back({column, latitude, longitude});
        } else if (arg == QLatin1String("--into")) {
            into = countIndexOf(value());
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw VexlorError(QStringLiteral("unknown argument '%1'").arg(arg));
        } else {
            o.files << arg;
            o.into.push_back(into);
        }
    }
    if (!o.shower.isEmpty() && o.lambda)
        throw VexlorError(QStringLiteral("give --shower or --lambda, not both"));
    if (o.stacked()) {
        if (!o.from.isEmpty() || !o.to.isEmpty() || o.automatic)
            throw VexlorError(QStringLiteral("the stacked profile (--shower, --lambda) takes no "
                                             "--from, --to or --auto"));
        if (o.files.isEmpty())
            throw VexlorError(QString::fromLatin1(Usage).trimmed());
        return o;
    }
    const bool fit = !o.from.isEmpty() || !o.to.isEmpty();
    if (o.files.isEmpty() || (fit && (o.from.isEmpty() || o.to.isEmpty())) ||
        (!fit && o.save.isEmpty() && o.colorgramme.isEmpty() && o.networkExport.isEmpty()))
        throw VexlorError(QString::fromLatin1(Usage).trimmed());
    if (o.month && o.networkExport.isEmpty())
        throw VexlorError(QStringLiteral("--month goes with --network-export"));
    if (o.bootstrap > 0 && !o.automatic)
        throw VexlorError(QStringLiteral("--bootstrap repeats the search of --auto (or resamples "
                                         "the stacked profile): give both"));
    return o;
}

// The table column of a count column's name: Sum is 2, N1 to N10 are 3 to 12.
int columnOf(const QString &name)
{
    if (name.compare(QLatin1String("Sum"), Qt::CaseInsensitive) == 0)
        return 2;
    if (name.startsWith(u'N', Qt::CaseInsensitive)) {
        bool ok = false;
        int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 10)
            return n + 2;
    }
    throw VexlorError(QStringLiteral("'%1' is not a count column (Sum, N1 to N10)").arg(name));
}

void print(const char *name, const QString &value)
{
    std::printf("%s %s\n", name, value.toUtf8().constData());
}

// The figures of one fit, one per line as "name value".
void printResult(size_t rows, const Peak &peak, const ModelParams &params, double dO)
{
    print("rows", QString::number(rows));
    print("peak", QString::number(peak.PeakValue));
    print("peak_offset", QString::number(peak.PeakOffset));
    print("a", QString::number(params.a));
    print("b", QString::number(params.b));
    print("position", QString::number(params.P));
    print("maximum", QString::number(params.M));
    print("dO", RunCsv::exact(dO));
}

// As Auto Calc: the best a, b and position, and the seconds the search took.
SearchBest search(const std::vector<TRadData> &DataRows, const Peak &peak, SearchScores *scores,
                  double &seconds)
{
    if (!searchable(peak))
        throw VexlorError(QStringLiteral("the largest count lies within the first six rows"));
    QElapsedTimer timer;
    timer.start();
    const SearchBest best = autoSearch(
        DataRows, peak.PeakOffset, [](int) {}, 0, scores);
    seconds = timer.nsecsElapsed() / 1e9;
    return best;
}

// The rows of the Run as CSV, through the one writer of files.
void writeCsv(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
              const QString &out)
{
    SafeSave::writeOrFail(out, RunCsv::format(DataRows, ModelRows));
    print("csv", out);
}

// The table of the files, read as the window's commands read them (the
// choice among the readers by the files' content).
std::vector<ObserverFiles::StationInfo> loadTable(const QStringList &files,
                                                  const ObserverFiles::Options &import,
                                                  GridModel &grid,
                                                  const std::vector<int> &into = {})
{
    TableFiles::Loaded loaded = TableFiles::load(files, import, into);
    if (const std::optional<ObserverFiles::Summary> &s = loaded.imported) {
        print("import_files", QString::number(s->files));
        print("import_hours", QString::number(s->hours));
        print("import_days", QString::number(s->days));
        print("import_missing_hours", QString::number(s->missingHours));
        print("import_marked_hours", QString::number(s->markedHours));
    }
    grid.replaceRows(std::move(loaded.rows));
    return loaded.stations;
}

// The colorgramme of a count column as a PNG picture.
void saveColorgramme(const GridModel &grid, const Options &o)
{
    const Colorgramme::Data data = Colorgramme::collect(grid, columnOf(o.column));
    // The window's English texts.
    using Text = LanguageTexts::Text;
    const Colorgramme::Texts texts = Colorgramme::textsFor(
        data, o.column,
        {LanguageTexts::english(Text::ColorgrammeTitle), LanguageTexts::english(Text::HourAxis),
         LanguageTexts::english(Text::NoCount), LanguageTexts::english(Text::NoCountsInColumn),
         LanguageTexts::english(Text::SpanTooLong), LanguageTexts::english(Text::MarkedLegend)});
    Colorgramme::savePng(data, o.size, texts, o.colorgramme);
    print("colorgramme", o.colorgramme);
}

// Writes the table as Save (XLS) or Save (TXT) does, by OUT's extension.
void saveTable(const GridModel &grid, const QString &out)
{
    TableFiles::save(grid, out, out.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive));
    print("saved", out);
}

// The network's files of every month (or of --month) into a folder, as
// Export for Network writes them: one set, written all or none, replacing
// files that exist only with --replace.
void exportNetwork(const GridModel &grid, const Options &o, const Settings &settings)
{
    const NetworkExport::Station station = settings.station(NetworkExport::stationFieldNames());
    std::vector<NetworkExport::File> files =
        NetworkPicture::withPictures(grid, columnOf(o.column), station);
    if (o.month) {
        files = NetworkExport::ofMonth(files, *o.month);
        if (files.empty())
            throw VexlorError(QStringLiteral("the table has no counts in %1 for %2")
                                  .arg(o.column, o.month->toString(QStringLiteral("yyyy-MM"))));
    }
    if (files.empty())
        throw VexlorError(QStringLiteral("the table has no counts in %1").arg(o.column));
    std::vector<SafeSave::SetFile> set;
    QStringList existing;
    for (const NetworkExport::File &f : files) {
        const QString path = QDir(o.networkExport).filePath(f.name);
        set.push_back({path, f.bytes});
        if (QFileInfo::exists(path))
            existing << path;
    }
    if (!existing.isEmpty() && !o.replace)
        throw VexlorError(QStringLiteral("nothing was written: %1 exist%2 already (--replace "
                                         "replaces them)")
                              .arg(existing.join(QStringLiteral(", ")),
                                   existing.size() == 1 ? QStringLiteral("s") : QString()));
    try {
        SafeSave::writeSet(set);
    } catch (const SafeSave::ESetFailed &e) {
        QString text = QStringLiteral("Unable to write to %1: %2").arg(e.file(), e.reason());
        if (!e.written().isEmpty())
            text += QStringLiteral("; written: ") + e.written().join(QStringLiteral(", "));
        throw EInOutError(text + QStringLiteral("; not written: ") +
                          e.notWritten().join(QStringLiteral(", ")));
    }
    for (const SafeSave::SetFile &f : set)
        print("network_file", f.path);
}

// Every file the options would write, checked before anything is read or
// written: two outputs to one file would leave only the last, and a file
// that exists is replaced only when --replace asks for it, so a refusal
// writes nothing at all.
void checkOutputs(const Options &o)
{
    QStringList targets, existing;
    for (const QString *out :
         {&o.save, &o.csv, &o.picture, &o.colorgramme, &o.landscape, &o.profile}) {
        if (out->isEmpty())
            continue;
        const QString target = QFileInfo(SafeSave::targetOf(*out)).absoluteFilePath();
        if (targets.contains(target))
            throw VexlorError(
                QStringLiteral("'%1' is given for two outputs: give each its own file").arg(*out));
        targets << target;
        // A link that leads nowhere is replaced by the save as well.
        const QFileInfo info(*out);
        if (info.exists() || info.isSymLink())
            existing << QStringLiteral("'%1'").arg(*out);
    }
    if (!existing.isEmpty() && !o.replace)
        throw VexlorError(
            QStringLiteral("%1 %2 already: nothing was written (--replace "
                           "replaces existing outputs)")
                .arg(existing.join(QStringLiteral(", ")),
                     existing.size() == 1 ? QStringLiteral("exists") : QStringLiteral("exist")));
}

// Writes several files as one: each through the one writer, and when one
// fails, the ones written before it are put back as they were (removed
// when they did not exist). A file to be replaced whose bytes cannot be
// kept to put back stops the writing before anything is written.
void writeAll(const std::vector<std::pair<QString, QByteArray>> &files)
{
    constexpr qint64 KeptLimit = 1LL << 30;
    std::vector<std::pair<QString, std::optional<QByteArray>>> before;
    for (const auto &[path, bytes] : files) {
        std::optional<QByteArray> old;
        const QString target = SafeSave::targetOf(path);
        if (QFileInfo::exists(target)) {
            try {
                old = FileRead::wholeFile(target, KeptLimit);
            } catch (const FileRead::EReadFailed &e) {
                throw VexlorError(QStringLiteral("%1 cannot be read to be put back if a later "
                                                 "output fails (%2): nothing was written")
                                      .arg(path, e.reason()));
            }
        }
        before.emplace_back(path, old);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        try {
            SafeSave::writeOrFail(files[i].first, files[i].second);
        } catch (...) {
            // The first failure is the one said; putting back goes on
            // past a failure of its own.
            for (size_t k = 0; k < i; ++k) {
                try {
                    if (before[k].second)
                        SafeSave::write(before[k].first, *before[k].second);
                    else
                        QFile::remove(before[k].first);
                } catch (const std::exception &) {
                }
            }
            throw;
        }
    }
}

// The stacked profile of the chosen columns in a shower's or a typed window.
int runStacked(const Options &o, const Settings &settings)
{
    GridModel grid;
    const std::vector<ObserverFiles::StationInfo> stations =
        loadTable(o.files, o.import, grid, o.into);

    const ShowerList::Shower *shower = o.shower.isEmpty() ? nullptr : ShowerList::find(o.shower);
    const ShowerSeasons::Window window =
        shower ? ShowerSeasons::window(*shower)
               : ShowerSeasons::window(o.lambda->first, o.lambda->second);
    // The columns' stations: from the settings file, the station blocks of
    // the files put into columns, and --station, the later over the earlier.
    std::vector<ShowerSeasons::Column> columns;
    for (const QString &name : o.columns) {
        ShowerSeasons::Column c;
        c.column = columnOf(name);
        const int index = c.column - 2;
        c.name = index == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(index);
        const Settings::ColumnStation &kept = settings.columnStation(index);
        c.station.name = kept.name;
        c.station.latitude = kept.latitude;
        c.station.longitude = kept.longitude;
        for (size_t f = 0; f < stations.size(); ++f) {
            if (o.into[f] != index)
                continue;
            const ObserverFiles::StationInfo &info = stations[f];
            if (!info.name.isEmpty())
                c.station.name = info.name;
            if (std::isfinite(info.latitude)) {
                c.station.latitude = info.latitude;
                c.station.longitude = info.longitude;
            }
        }
        for (const Options::StationPlace &p : o.stations)
            if (p.column == index) {
                c.station.latitude = p.latitude;
                c.station.longitude = p.longitude;
            }
        columns.push_back(c);
    }
    ShowerSeasons::Collected collected = ShowerSeasons::collect(grid, window, columns);
    print("rows_without_time", QString::number(collected.rowsWithoutTime));
    print("empty_cells", QString::number(collected.emptyCells));
    print("marked_rows", QString::number(collected.markedRows));
    for (const QString &left : collected.leftOut)
        print("dataset_left_out", left);

    StackedFit::Options options;
    if (shower)
        options.radiant = ShowerList::trackOf(*shower);
    if (o.radiant)
        options.radiant =
            ShowerList::Track{window.middle(), o.radiant->first, o.radiant->second, 0, 0};
    options.modulation =
        o.modulation.value_or(StackedFit::defaultModulation(options.radiant.has_value(), columns));
    Progress progress;
    const StackedFit::Result fit =
        StackedFit::fit(std::move(collected.datasets), window, options, &progress);
    std::optional<StackedBootstrap::Result> boot;
    if (o.bootstrap > 0) {
        Progress resampling;
        boot = StackedBootstrap::run(fit, o.bootstrap, o.seed, &resampling);
    }
    const StackedBootstrap::Result *b = boot ? &*boot : nullptr;
    for (const QString &line : StackedReport::lines(fit, b))
        std::printf("%s\n", line.toUtf8().constData());

    std::vector<std::pair<QString, QByteArray>> outputs;
    if (!o.csv.isEmpty())
        outputs.emplace_back(o.csv, StackedReport::csv(fit, b));
    if (!o.picture.isEmpty()) {
        const QString title = shower ? QStringLiteral("%1 %2").arg(QLatin1String(shower->code),
                                                                   QLatin1String(shower->name))
                                     : QStringLiteral("λ☉ %1° to %2°")
                                           .arg(window.from, 0, 'f', 2)
                                           .arg(std::fmod(window.to, 360.0), 0, 'f', 2);
        outputs.emplace_back(
            o.picture,
            StackedFigure::encode(fit, StackedFigure::englishTexts(fit, title), o.picture, o.size));
    }
    writeAll(outputs);
    if (!o.csv.isEmpty())
        print("csv", o.csv);
    if (!o.picture.isEmpty())
        print("picture", o.picture);
    return 0;
}

int run(const Options &o, const Settings &settings)
{
    checkOutputs(o);
    if (o.stacked())
        return runStacked(o, settings);
    GridModel grid;
    loadTable(o.files, o.import, grid);
    if (!o.save.isEmpty())
        saveTable(grid, o.save);
    if (!o.colorgramme.isEmpty())
        saveColorgramme(grid, o);
    if (!o.networkExport.isEmpty())
        exportNetwork(grid, o, settings);
    if (o.from.isEmpty())
        return 0;

    const int column = columnOf(o.column);
    // Dates are texts of the program's date format, as the window writes them.
    const QDate from = DateConv::fromTextOrThrow(o.from);
    const QDate to = DateConv::fromTextOrThrow(o.to);
    std::optional<RunPipeline::Rows> rows =
        RunPipeline::read(grid, DateConv::toText(from), DateConv::toText(to), column);
    if (!rows)
        throw VexlorError(QStringLiteral("the dates %1 to %2 select no rows").arg(o.from, o.to));
    const Peak peak = rows->peak;
    ModelParams params;
    SearchScores scores;
    double searchSeconds = 0;
    // The report's own fit searches the whole selection: a file Auto Calc
    // refuses still gets it, before the refusal.
    const auto wholeRange = [&](const std::vector<TRadData> &DataRows) {
        for (const QString &line : WholeRangeReport::run(DataRows, o.bootstrap, o.seed))
            std::printf("%s\n", line.toUtf8().constData());
    };
    if (o.automatic && !searchable(peak))
        wholeRange(rows->DataRows);
    if (o.automatic) {
        const SearchBest best =
            search(rows->DataRows, peak, o.landscape.isEmpty() ? nullptr : &scores, searchSeconds);
        // As Auto Calc ends: a Run with the best of them and the peak, the
        // best position cut to the last row as the window's final Run has it.
        params = {best.BestA, best.BestB,
                  RunPipeline::searchedPosition(best.BestPosition, int(rows->DataRows.size())),
                  std::clamp(peak.PeakValue, 1, 32767)};
    } else {
        params.a = o.a;
        params.b = o.b;
        // As a Run started on the data page: the peak's place (never cut:
        // the window refuses a peak past its control rather than cut it)
        // and value, within the up-down's range of 1 to 32 767.
        params.P = o.pos.value_or(RunPipeline::peakPosition(peak));
        params.M = o.max.value_or(std::clamp(peak.PeakValue, 1, 32767));
    }
    const RunRecord run = RunPipeline::fit(std::move(*rows), params);
    const std::vector<TRadData> &DataRows = run.DataRows, &ModelRows = run.ModelRows;
    const double dO = run.dO;
    if (o.automatic) {
        // The final Run's dO: the best score itself, bit for bit, unless the
        // position was cut to the last row.
        printResult(DataRows.size(), peak, {params.a, params.b, params.P, peak.PeakValue}, dO);
        print("seconds", QString::number(searchSeconds, 'f', 4));
    } else {
        printResult(DataRows.size(), peak, params, dO);
    }
    const FitReport::Report report = FitReport::make(DataRows, params, dO);
    for (const QString &line : FitReport::peakLines(report))
        std::printf("%s\n", line.toUtf8().constData());
    if (o.automatic)
        wholeRange(DataRows);
    if (!o.landscape.isEmpty()) {
        const PositionProfile::Landscape land =
            o.automatic ? PositionProfile::fromScores(scores, peak.PeakOffset, params.P)
                        : PositionProfile::landscape(DataRows, params.P);
        SafeSave::writeOrFail(o.landscape, FitReport::landscapeCsv(land));
        print("landscape", o.landscape);
    }
    if (!o.profile.isEmpty()) {
        Progress progress;
        const PositionProfile::Profile profile = PositionProfile::compute(DataRows, progress);
        SafeSave::writeOrFail(o.profile, FitReport::profileCsv(profile));
        print("position_profile", o.profile);
        for (const QString &line : FitReport::profileLines(profile, peak.PeakOffset))
            // After --auto the report's verdict has been printed under
            // this name already: one answer per name.
            if (!o.automatic || !line.startsWith(QLatin1String("position_undetermined ")))
                std::printf("%s\n", line.toUtf8().constData());
    }
    if (!o.picture.isEmpty()) {
        const FigureData figure = Figure::ofRun(
            DataRows, ModelRows, params, dO,
            QStringLiteral("%1, %2 to %3").arg(QFileInfo(o.files.front()).fileName(), o.from, o.to),
            o.column,
            // The curves' English names, and their colours as the window
            // takes them from the settings file.
            {LanguageTexts::english(LanguageTexts::Label::Observed),
             LanguageTexts::english(LanguageTexts::Label::ShowerProfile),
             LanguageTexts::english(LanguageTexts::Label::Shower),
             LanguageTexts::english(LanguageTexts::Label::Sporadic)},
            settings.lineColors(), {true, true, true, true});
        Figure::save(figure, o.picture, o.size);
        print("picture", o.picture);
    }
    if (!o.csv.isEmpty())
        writeCsv(DataRows, ModelRows, o.csv);
    if (o.automatic)
        return 0;
    if (o.rows) {
        for (size_t j = 0; j < DataRows.size(); ++j) {
            const TRadData &d = DataRows[j];
            std::printf("%zu\t%s\t%d\t%s\t%s\t%s\t%s\n", j, d.Date.toUtf8().constData(), d.Hour,
                        RunCsv::exact(d.Value).toUtf8().constData(),
                        RunCsv::exact(ModelRows[j].Profile).toUtf8().constData(),
                        RunCsv::exact(d.Shower).toUtf8().constData(),
                        RunCsv::exact(d.Sporadic).toUtf8().constData());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing a picture needs fonts, and so a GUI application; it draws
    // offscreen, with no window and no display.
    bool picture = false;
    for (int i = 1; i < argc; ++i)
        picture = picture || std::strcmp(argv[i], "--picture") == 0 ||
                  std::strcmp(argv[i], "--colorgramme") == 0 ||
                  std::strcmp(argv[i], "--network-export") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (picture) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    try {
        // The arguments as their bytes were given (after Qt took its own):
        // a name that is not UTF-8 is refused, never turned into another.
        const Options options = parse(CommandArgs::decode(argc, argv));
        Settings settings(options.settings.isEmpty()
                              ? Settings::locate(QCoreApplication::applicationDirPath())
                              : Settings::Location{options.settings, QString()});
        if (!options.settings.isEmpty() && !QFileInfo(options.settings).isFile())
            throw VexlorError(
                QStringLiteral("the settings file %1 does not exist").arg(options.settings));
        settings.read();
        DateConv::setFormat(settings.dateFormat());
        return run(options, settings);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", failureText(e).toUtf8().constData());
        return 1;
    }
}
