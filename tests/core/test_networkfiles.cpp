// The network's files: a set of files written all or nothing.
#include "analysis/Colorgramme.h"
#include "analysis/NetworkPicture.h"
#include "app/DateConv.h"
#include "app/SafeSave.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "table/GridModel.h"
#include "tests/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

// vexlor-fit run in folder with the program's shipped settings beside it.
Outcome runFit(const QStringList &args, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral(VEXLOR_FIT), args);
    p.waitForFinished(120000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// The settings of a station, for vexlor-fit's --settings.
QByteArray stationIni()
{
    return "[self]\r\nLanguage=en\r\nDateFormat=dd.MM.yyyy\r\n\r\n[station]\r\nObserver=Station "
           "One\r\nCity=Vsetin\r\n";
}

// Two colours are alike within the losses of JPEG.
bool near(QRgb a, const QColor &b, int tolerance = 40)
{
    return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) +
               std::abs(qBlue(a) - b.blue()) <=
           tolerance;
}

// A monthly table as other writers give it: a day line for every day
// number from first to last, counts from count(day, hour) (-1 for ???).
template <class Count> QByteArray monthlyTable(const char *month, int first, int last, Count count)
{
    QByteArray out = QByteArray(month) + "|";
    for (int h = 0; h < 24; ++h)
        out += QString::asprintf(" %02dh|", h).toLatin1();
    out += "\r\n";
    for (int d = first; d <= last; ++d) {
        out += QString::asprintf(" %02d|", d).toLatin1();
        for (int h = 0; h < 24; ++h) {
            const int v = count(d, h);
            out += v < 0 ? QByteArray("??? |") : QString::asprintf("%4d|", v).toLatin1();
        }
        out += "\r\n";
    }
    return out + "[Observer]Other\r\n[Soft FTP]Other writer 2.1\r\n";
}

} // namespace

class TestNetworkFiles : public QObject {
    Q_OBJECT

private slots:
    void setReplacesEveryFile()
    {
        QTemporaryDir dir;
        put(dir.filePath("a.TXT"), "old a");
        SafeSave::writeSet({{dir.filePath("a.TXT"), "new a"}, {dir.filePath("b.dat"), "new b"}});
        QCOMPARE(contents(dir.filePath("a.TXT")), QByteArray("new a"));
        QCOMPARE(contents(dir.filePath("b.dat")), QByteArray("new b"));
        QCOMPARE(entries(dir.path()), QStringList({"a.TXT", "b.dat"}));
    }

    // A file of the set that cannot be written leaves every file as it was
    // and no temporary file behind; the failure names the file and lists
    // the whole set as not written.
    void failedSetWritesNothing_data()
    {
        QTest::addColumn<int>("failing");
        QTest::newRow("first file") << 0;
        QTest::newRow("second file") << 1;
        QTest::newRow("third file") << 2;
    }
    void failedSetWritesNothing()
    {
        QFETCH(int, failing);
        QTemporaryDir dir;
        put(dir.filePath("Station_052025rmob.TXT"), "the station's own table");
        put(dir.filePath("RMOB-202505.dat"), "the station's own list");
        std::vector<SafeSave::SetFile> set = {
            {dir.filePath("Station_052025rmob.TXT"), "new table"},
            {dir.filePath("RMOB-202505.dat"), "new list"},
            {dir.filePath("Station_052025.jpg"), "new picture"},
        };
        set[size_t(failing)].path =
            dir.filePath("missing/") + QFileInfo(set[size_t(failing)].path).fileName();
        const QStringList before = entries(dir.path());
        try {
            SafeSave::writeSet(set);
            QFAIL("the set was written");
        } catch (const SafeSave::ESetFailed &e) {
            QCOMPARE(e.file(), set[size_t(failing)].path);
            QVERIFY(e.written().isEmpty());
            QCOMPARE(e.notWritten().size(), 3);
            QVERIFY(e.reason().contains("does not exist"));
        }
        QCOMPARE(entries(dir.path()), before);
        QCOMPARE(contents(dir.filePath("RMOB-202505.dat")), QByteArray("the station's own list"));
        QCOMPARE(contents(dir.filePath("Station_052025rmob.TXT")),
                 QByteArray("the station's own table"));
    }

    // A disk that fills up with the second file: the first is not replaced.
    void fullDiskWritesNothing()
    {
        SmallDisk disk("64k");
        if (!disk.mounted())
            QSKIP("a tmpfs cannot be mounted here (the test needs root)");
        put(disk.filePath("RMOB-202505.dat"), "the station's own list");
        const QStringList before = disk.files();
        try {
            SafeSave::writeSet({{disk.filePath("RMOB-202505.dat"), "new list"},
                                {disk.filePath("big.TXT"), QByteArray(256 * 1024, 'x')}});
            QFAIL("the set was written");
        } catch (const SafeSave::ESetFailed &e) {
            QCOMPARE(e.file(), disk.filePath("big.TXT"));
            QCOMPARE(e.notWritten().size(), 2);
        }
        QCOMPARE(disk.files(), before);
        QCOMPARE(contents(disk.filePath("RMOB-202505.dat")), QByteArray("the station's own list"));
    }

    // Other writers always write 31 day lines (or 0 to 30): the lines of
    // days a month lacks are passed over when they hold only ???, refused
    // when they hold a count.
    void thirtyOneDayLines_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("countOnLast"); // -1: the last line holds only ???
        QTest::addColumn<QString>("refusal");
        QTest::newRow("days 1 to 31") << 1 << -1 << QString();
        QTest::newRow("days 0 to 30") << 0 << -1 << QString();
        QTest::newRow("day 31 with a count")
            << 1 << 7
            << QString("line 32: day 31 lies past the end of the month: April 2025 has 30 days");
        QTest::newRow("day 30 of 0 to 30 with a count")
            << 0 << 7 << QString("day 30 (day 31 counted from 1) lies past the end of the month");
    }
    void thirtyOneDayLines()
    {
        QFETCH(int, first);
        QFETCH(int, countOnLast);
        QFETCH(QString, refusal);
        const int last = first + 30;
        const QByteArray bytes = monthlyTable("apr", first, last, [&](int d, int h) {
            return d == last ? (h == 5 ? countOnLast : -1) : 10 + (d * 24 + h) % 13;
        });
        try {
            const ObserverFiles::FileHours hours =
                ObserverFiles::parse(bytes, QStringLiteral("Other_042025rmob.TXT"));
            QVERIFY2(refusal.isEmpty(), "the table was read");
            QCOMPARE(hours.hours.size(), size_t(720));
            QCOMPARE(hours.hours.front().date, QDate(2025, 4, 1));
            QCOMPARE(hours.hours.back().date, QDate(2025, 4, 30));
            QCOMPARE(hours.hours.back().counts[0], 10 + ((last - 1) * 24 + 23) % 13);
        } catch (const ObserverFiles::EImportError &e) {
            QVERIFY2(!refusal.isEmpty() && e.text().contains(refusal), qPrintable(e.text()));
        }
    }

    // The monthly table as the network's other writers lay it out: the day
    // column three characters wide, and [Soft FTP] naming the writer unless
    // the user named one.
    void monthlyTableLayout_data()
    {
        QTest::addColumn<QString>("softFtp");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("left empty") << QString() << QByteArray("[Soft FTP]Vexlor 1.0\r\n");
        QTest::newRow("set by the user")
            << QString("MyScript 3") << QByteArray("[Soft FTP]MyScript 3\r\n");
    }
    void monthlyTableLayout()
    {
        QFETCH(QString, softFtp);
        QFETCH(QByteArray, written);
        DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
        GridModel grid;
        grid.setRowCountWithHeader(3);
        grid.setCell(0, 1, QStringLiteral("01.05.2025"));
        grid.setCell(1, 1, QStringLiteral("0"));
        grid.setCell(2, 1, QStringLiteral("12"));
        grid.setCell(0, 2, QStringLiteral("10.05.2025"));
        grid.setCell(1, 2, QStringLiteral("23"));
        grid.setCell(2, 2, QStringLiteral("7"));
        const std::vector<NetworkExport::File> files =
            NetworkExport::build(grid, 2, {{"Observer", "S"}, {"SoftFTP", softFtp}});
        const QByteArray table = files.at(0).bytes;
        QVERIFY(table.startsWith("may| 00h|"));
        QVERIFY(table.contains("\r\n 01|  12| ???|"));
        QVERIFY(table.contains("\r\n 10| ???|"));
        QVERIFY(table.contains("|   7|\r\n 11|"));
        QVERIFY(table.contains(written));
        // The day lines line up with the header line.
        const QList<QByteArray> lines = table.split('\n');
        QCOMPARE(lines[1].indexOf('|'), lines[0].indexOf('|'));
        QCOMPARE(lines[1].size(), lines[0].size());
    }

    // vexlor-fit with one file reads it as Open (TXT) only when it begins
    // with the own header line; anything else goes through Import's formats
    // and is refused as Import refuses it. A file of the own fields without
    // the header keeps its first row (Open (TXT) would pass it over).
    void oneFileChosenByContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("rows"); // saved
        QTest::newRow("YYMMDDHH stamps")
            << QByteArray("24080100 , 00 , 84\r\n24080101 , 01 , 81\r\n") << 1
            << QByteArray("Cannot import") << 0;
        QTest::newRow("prose") << QByteArray("hello world\n") << 1 << QByteArray("Cannot import")
                               << 0;
        QTest::newRow("own layout with its header")
            << QByteArray("Date\t\tHour\tSum\r\n01.05.2025\t0\t5\r\n") << 0 << QByteArray("saved")
            << 1;
        QTest::newRow("own layout, 13 fields")
            << QByteArray("01.05.2025\t0\t5\t\t\t\t\t\t\t\t\t\t\r\n") << 0 << QByteArray("saved")
            << 1;
        QTest::newRow("own layout, 13 and 14 fields, a mark")
            << QByteArray("01.05.2025\t0\t5\t\t\t\t\t\t\t\t\t\t\r\n"
                          "01.05.2025\t1\t7\t\t\t\t\t\t\t\t\t\t\tBAD:ES\r\n")
            << 0 << QByteArray("import_marked_hours 1") << 2;
        QTest::newRow("hourly list")
            << QByteArray("2025050100 , 00 , 84\r\n") << 0 << QByteArray("import_hours 1") << 1;
    }
    void oneFileChosenByContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, expected);
        QFETCH(int, rows);
        QTemporaryDir dir;
        put(dir.filePath("in.dat"), bytes);
        const Outcome o = runFit({"in.dat", "--save", "out.txt"}, dir.path());
        QCOMPARE(o.exitCode, exitCode);
        QVERIFY2((o.out + o.err).contains(expected), (o.out + o.err).constData());
        QCOMPARE(QFile::exists(dir.filePath("out.txt")), exitCode == 0);
        if (exitCode == 0)
            QCOMPARE(contents(dir.filePath("out.txt")).count("\n") - 1, qsizetype(rows));
    }

    // The picture: 700 by 220, the station's text and the last day's bars
    // on the left, the month's cells and their scale on the right, each
    // where the layout puts it.
    void pictureRegions()
    {
        NetworkPicture::Month month;
        month.first = QDate(2025, 5, 1);
        std::array<int, 24> none;
        none.fill(-1);
        month.days.assign(31, none);
        for (int d = 0; d < 10; ++d)
            for (int h = 0; h < 24; ++h)
                month.days[size_t(d)][size_t(h)] = d == 4 && h == 3 ? 200 : 20 + h;
        month.days[9][5] = -1; // an hour without a count on the last day
        month.maximum = 200;
        month.lastDay = 9;
        const QImage image =
            NetworkPicture::render(month, {{"Observer", "Station One"}, {"City", "Vsetin"}});
        QCOMPARE(image.size(), QSize(700, 220));
        const NetworkPicture::Layout l = NetworkPicture::layout(month);
        // The two halves do not overlap and stay inside the picture.
        QVERIFY(QRect(0, 0, 700, 220).contains(l.legend.adjusted(0, 0, 30, 0)));
        QVERIFY(l.bars.right() < l.plot.left() - 30);
        QVERIFY(l.text.bottom() < l.bars.top());
        const int cellW = l.plot.width() / 31, cellH = l.plot.height() / 24;
        QCOMPARE(cellW * 31, l.plot.width());
        const auto cell = [&](int d, int h) {
            return image.pixel(l.plot.left() + d * cellW + cellW / 2,
                               l.plot.top() + h * cellH + cellH / 2);
        };
        QVERIFY(near(cell(4, 3), Colorgramme::colorOf(200, 200), 0));
        QVERIFY(near(cell(0, 0), Colorgramme::colorOf(20, 200), 0));
        QVERIFY(near(cell(9, 5), Colorgramme::missingColor(), 0));
        QVERIFY(near(cell(20, 12), Colorgramme::missingColor(), 0));
        // The scale runs from 0 at the bottom to the maximum at the top.
        QVERIFY(near(image.pixel(l.legend.center().x(), l.legend.top()),
                     Colorgramme::colorOf(200, 200), 8));
        QVERIFY(near(image.pixel(l.legend.center().x(), l.legend.bottom()),
                     Colorgramme::colorOf(0, 200), 8));
        // The bars of day 10: hour 23 is the day's highest, reaching the
        // top of the bars' box; hour 5 has no bar.
        const double barW = l.bars.width() / 24.0;
        const auto barX = [&](int h) { return l.bars.left() + int((h + 0.5) * barW); };
        QVERIFY(near(image.pixel(barX(23), l.bars.top() + 1), Colorgramme::colorOf(43, 200), 0));
        QVERIFY(near(image.pixel(barX(0), l.bars.bottom() - 1), Colorgramme::colorOf(20, 200), 0));
        QVERIFY(near(image.pixel(barX(0), l.bars.top() + 1), Qt::white, 0));
        QVERIFY(near(image.pixel(barX(5), l.bars.bottom() - 20), Qt::white, 0));
        // The station's text is drawn in its box.
        int dark = 0;
        for (int y = l.text.top(); y <= l.text.bottom(); ++y)
            for (int x = l.text.left(); x <= l.text.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 100;
        QVERIFY(dark > 50);
    }

    // vexlor-fit writes the month's three files, refuses to replace them
    // without --replace (writing nothing), and --month picks one month.
    void networkExportFromTheCommandLine()
    {
        QTemporaryDir dir;
        put(dir.filePath("VEXLOR.ini"), stationIni());
        QByteArray list;
        for (int k = 0; k < 40 * 24; ++k) {
            const QDate date = QDate(2025, 4, 20).addDays(k / 24);
            list += QStringLiteral("%1%2 , %3 , %4\r\n")
                        .arg(date.toString("yyyyMMdd"))
                        .arg(k % 24, 2, 10, QChar(u'0'))
                        .arg(k % 24, 2, 10, QChar(u'0'))
                        .arg(10 + k % 17)
                        .toLatin1();
        }
        put(dir.filePath("counts.dat"), list);
        QDir(dir.path()).mkdir("out");
        const QStringList args = {"counts.dat", "--network-export", "out", "--settings",
                                  "VEXLOR.ini"};
        Outcome o = runFit(args + QStringList{"--month", "2025-05"}, dir.path());
        QCOMPARE(o.exitCode, 0);
        const QStringList may = {"RMOB-202505.dat", "Station_One_052025.jpg",
                                 "Station_One_052025rmob.TXT"};
        QCOMPARE(entries(dir.filePath("out")), may);
        QVERIFY(o.out.contains("network_file out/Station_One_052025.jpg\n"));
        const QImage picture(dir.filePath("out/Station_One_052025.jpg"));
        QCOMPARE(picture.size(), QSize(700, 220));
        const QByteArray table = contents(dir.filePath("out/Station_One_052025rmob.TXT"));

        // Every month now: May's files exist, so nothing is written.
        put(dir.filePath("out/RMOB-202505.dat"), "the station's own list");
        o = runFit(args, dir.path());
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains("nothing was written") && o.err.contains("--replace"),
                 o.err.constData());
        QCOMPARE(entries(dir.filePath("out")), may);
        QCOMPARE(contents(dir.filePath("out/RMOB-202505.dat")),
                 QByteArray("the station's own list"));

        o = runFit(args + QStringList{"--replace"}, dir.path());
        QCOMPARE(o.exitCode, 0);
        QCOMPARE(entries(dir.filePath("out")),
                 QStringList({"RMOB-202504.dat", "RMOB-202505.dat", "Station_One_042025.jpg",
                              "Station_One_042025rmob.TXT", "Station_One_052025.jpg",
                              "Station_One_052025rmob.TXT"}));
        QCOMPARE(contents(dir.filePath("out/Station_One_052025rmob.TXT")), table);
        QCOMPARE(contents(dir.filePath("out/RMOB-202505.dat")).count('\n'), 29 * 24);

        o = runFit(args + QStringList{"--month", "2025-08", "--replace"}, dir.path());
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains("no counts in Sum for 2025-08"), o.err.constData());
        o = runFit({"counts.dat", "--month", "2025-08"}, dir.path());
        QCOMPARE(o.exitCode, 1);
    }

    // National tables in local time: day D's first columns belong to UT
    // day D - 1 (and across a month's and a year's start); IF, ES, NS and
    // %n cells become marked hours; the offset comes from the zone, from a
    // line of UT hours, or from the caller.
    void localTimeTables_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("option"); // -99: none
        QTest::addColumn<QDate>("firstDate");
        QTest::addColumn<int>("firstHour");
        const QByteArray hours =
            " 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23";
        QTest::newRow("JST, March") << QByteArray("Mar|" + hours + "JST\n---+-----\n")
                                    << "rmoj202503.txt" << -99 << QDate(2025, 2, 28) << 15;
        QTest::newRow("JST, January: the year before")
            << QByteArray("Jan|" + hours + "JST\n") << "obs_2025_01.txt" << -99
            << QDate(2024, 12, 31) << 15;
        QTest::newRow("a line of UT hours")
            << QByteArray("Radio Meteor Observation in Japan, Mar. 2025\nMar|" + hours +
                          "\nMar| 15 16 17 18 19 20 21 22 23 00 01 02 03 04 05 06 07 08 09 10 "
                          "11 12 13 14UT\n")
            << "report.txt" << -99 << QDate(2025, 2, 28) << 15;
        QTest::newRow("offset given")
            << QByteArray("Mar|" + hours + "\n") << "t2025.txt" << 2 << QDate(2025, 2, 28) << 22;
        QTest::newRow("UT table") << QByteArray("Mar|" + hours + "UT\n") << "t2025.txt" << -99
                                  << QDate(2025, 3, 1) << 0;
    }
    void localTimeTables()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, name);
        QFETCH(int, option);
        QFETCH(QDate, firstDate);
        QFETCH(int, firstHour);
        QByteArray bytes = header;
        bytes += "01 |  2  2  2  8  1  0  3  4  5  6  7  8  9 10 11 12 13 14 15 16 IF ES %0 NS\n";
        bytes += "02 |  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  7\n";
        bytes += "\nNotes: IF interference\n";
        ObserverFiles::Options options;
        if (option != -99)
            options.utcOffset = option;
        ObserverFiles::FileHours file;
        try {
            file = ObserverFiles::parse(bytes, name, 0, options);
        } catch (const VexlorError &e) {
            QFAIL(qPrintable(e.text()));
        }
        QCOMPARE(file.format, ObserverFiles::Format::LocalTable);
        QCOMPARE(file.hours.size(), size_t(48));
        QCOMPARE(file.hours.front().date, firstDate);
        QCOMPARE(file.hours.front().hour, firstHour);
        QCOMPARE(file.hours.front().counts[0], 2);
        QCOMPARE(file.hours[3].counts[0], 8);
        const ObserverFiles::Merged merged = ObserverFiles::merge({file});
        QCOMPARE(merged.summary.markedHours, qsizetype(4));
        QCOMPARE(merged.summary.missingHours, qint64(0));
        // Local 02 23h is the last hour; its UT hour is first + 47.
        const qint64 last = QDate(firstDate).toJulianDay() * 24 + firstHour + 47;
        QCOMPARE(merged.rows.back().cell(0), DateConv::toText(QDate::fromJulianDay(last / 24)));
        QCOMPARE(merged.rows.back().cell(1), QString::number(last % 24));
        QCOMPARE(merged.rows.back().cell(2), QString("7"));
        QCOMPARE(merged.rows[20].cell(13), QString("BAD:IF"));
        QCOMPARE(merged.rows[20].cell(2), QString());
        QCOMPARE(merged.rows[22].cell(13), QString("BAD:%0"));
    }

    void localTimeTableWithoutOffset()
    {
        const QByteArray bytes =
            "Mar| 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23\n"
            "01 |  2  2  2  8  1  0  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19 20\n";
        QVERIFY_THROWS_EXCEPTION(ObserverFiles::ENeedsOffset,
                                 ObserverFiles::parse(bytes, QStringLiteral("t2025.txt")));
        QByteArray bad = bytes;
        bad.replace("  8 ", " XX ");
        ObserverFiles::Options options;
        options.utcOffset = 9;
        try {
            ObserverFiles::parse(bad, QStringLiteral("t2025.txt"), 0, options);
            QFAIL("a cell of junk was read");
        } catch (const ObserverFiles::EImportError &e) {
            QVERIFY2(e.text().contains("line 2: the cell of 03h, 'XX'"), qPrintable(e.text()));
        }
    }

    // --utc-offset for an hourly list kept in local time; the summary
    // counts the marked hours.
    void utcOffsetFromTheCommandLine()
    {
        QTemporaryDir dir;
        put(dir.filePath("RMOB-202501.dat"), "2025010100 , 00 , 5\r\n2025010101 , 01 , 6\r\n");
        const Outcome o =
            runFit({"RMOB-202501.dat", "--utc-offset", "2", "--save", "out.txt"}, dir.path());
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.out.contains("import_marked_hours 0\n"), o.out.constData());
        const QByteArray saved = contents(dir.filePath("out.txt"));
        QVERIFY2(saved.contains("31.12.2024\t22\t5") && saved.contains("31.12.2024\t23\t6"),
                 saved.constData());
        QCOMPARE(runFit({"RMOB-202501.dat", "--utc-offset", "15", "--save", "x.txt"}, dir.path())
                     .exitCode,
                 1);
    }

    // Logs of echoes, a line per echo: each echo counts in the UT hour it
    // falls in (hh:00:00 up to the next hh:00:00), across the day's, the
    // month's and the year's end, in local time by the caller's offset or
    // by the zone the line names; an hour without an echo gets no row.
    void echoLogs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("option"); // -99: none
        QTest::addColumn<QString>("hours");
        QTest::newRow("the hour's boundaries")
            << QByteArray("2025-08-12 13:00:00 -87.1 dB\n2025-08-12 13:59:59.9 -80\n"
                          "2025-08-12 14:00:00.0 -85\n2025-08-12 14:30 -90\n")
            << -99 << "12.08.2025 13=2 12.08.2025 14=2";
        QTest::newRow("the year's end, a zone Z, CR LF")
            << QByteArray("2024-12-31 23:59:59\r\n2025-01-01T00:00:00Z\r\n"
                          "2025-01-01T00:00:01Z\r\n")
            << -99 << "31.12.2024 23=1 01.01.2025 00=2";
        QTest::newRow("a leap second stays in its hour")
            << QByteArray("2016-12-31 23:59:60\n2016-12-31 23:00:00\n") << -99 << "31.12.2016 23=2";
        QTest::newRow("local time UT+9 across the month's start")
            << QByteArray("2025-03-01 08:59:59\n2025-03-01 09:00:00\n2025-03-01 09:10:00\n") << 9
            << "28.02.2025 23=1 01.03.2025 00=2";
        QTest::newRow("local time UT-5 across the year's end")
            << QByteArray("2024-12-31 19:00:00\n2024-12-31 18:59:00\n") << -5
            << "31.12.2024 23=1 01.01.2025 00=1";
        QTest::newRow("the line's zone wins over the offset")
            << QByteArray("2025-03-01 05:30:00+05:30\n2025-02-28 19:45-0415\n") << 9
            << "01.03.2025 00=2";
        QTest::newRow("comments, day first, semicolons, out of order")
            << QByteArray("# meteor log of a station\n\n01.08.2024;21:15:32;35 dB\n"
                          "01.08.2024;20:01:02;30 dB\n# restart\n01.08.2024;21:59:00;31\n")
            << -99 << "01.08.2024 20=1 01.08.2024 21=2";
        QTest::newRow("slashes and commas")
            << QByteArray("2024/08/01,05:00:01,-87.5,1.2\n2024/08/01,07:00:00,-80,0.4\n") << -99
            << "01.08.2024 05=1 01.08.2024 07=1";
    }
    void echoLogs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, option);
        QFETCH(QString, hours);
        DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
        ObserverFiles::Options options;
        if (option != -99)
            options.utcOffset = option;
        QCOMPARE(ObserverFiles::sniff(bytes, QStringLiteral("echoes.log")),
                 ObserverFiles::Format::EchoLog);
        ObserverFiles::Merged merged;
        try {
            merged = ObserverFiles::merge(
                {ObserverFiles::parse(bytes, QStringLiteral("echoes.log"), 0, options)});
        } catch (const VexlorError &e) {
            QFAIL(qPrintable(e.text()));
        }
        QStringList got;
        for (const GridRow &row : merged.rows)
            got << QStringLiteral("%1 %2=%3")
                       .arg(row.cell(0))
                       .arg(row.cell(1).toInt(), 2, 10, QChar(u'0'))
                       .arg(row.cell(2));
        QCOMPARE(got.join(u' '), hours);
    }

    // A line that is not an echo, or a time that is none, refuses the log
    // and names the line; an hour without an echo is a missing hour.
    void echoLogRefusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a line of junk")
            << QByteArray("2025-08-12 13:00:00\n2025-08-12 13:01:00\nsignal lost\n")
            << "line 3: 'signal lost' does not begin with the date and time of an echo";
        QTest::newRow("no such day") << QByteArray("2025-08-12 13:00\n2025-02-30 10:00:00\n")
                                     << "line 2: '2025-02-30 10:00:00' is no date";
        QTest::newRow("no such hour") << QByteArray("2025-08-12 13:00\n2025-08-12 24:00:00\n")
                                      << "line 2: '2025-08-12 24:00:00' is no time of day";
        QTest::newRow("no such zone")
            << QByteArray("2025-08-12 13:00+15:00\n") << "line 1: '+15:00' is no time zone";
    }
    void echoLogRefusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        try {
            ObserverFiles::parse(bytes, QStringLiteral("echoes.log"));
            QFAIL("the log was read");
        } catch (const ObserverFiles::EImportError &e) {
            QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
        }
    }

    void echoLogGapsAreMissingHours()
    {
        const QByteArray bytes = "2025-08-12 10:10:00\n2025-08-12 12:10:00\n";
        const ObserverFiles::Merged merged =
            ObserverFiles::merge({ObserverFiles::parse(bytes, QStringLiteral("echoes.log"))});
        QCOMPARE(merged.rows.size(), size_t(2));
        QCOMPARE(merged.summary.missingHours, qint64(1));
        QCOMPARE(merged.summary.gaps.front().hour, 11);
    }

    // A log has a line per echo: more lines than a table has rows are read
    // (a month of a busy station), and counted into their hours.
    void echoLogLongerThanATable()
    {
        const qsizetype lines = ObserverFiles::MaxHours + 1000;
        QByteArray bytes;
        bytes.reserve(lines * 20);
        for (qsizetype k = 0; k < lines; ++k)
            bytes += k % 2 ? "2025-08-12 13:00:00\n" : "2025-08-12 14:00:00\n";
        ObserverFiles::FileHours file;
        try {
            file = ObserverFiles::parse(bytes, QStringLiteral("busy.log"));
        } catch (const VexlorError &e) {
            QFAIL(qPrintable(e.text()));
        }
        QCOMPARE(file.hours.size(), size_t(2));
        QCOMPARE(qsizetype(file.hours[0].counts[0] + file.hours[1].counts[0]), lines);
    }

    // vexlor-fit reads one log of echoes as Import does, with --utc-offset.
    void echoLogFromTheCommandLine()
    {
        QTemporaryDir dir;
        put(dir.filePath("meteors.log"), "# station log\n2025-01-01 00:10:00 12\n"
                                         "2025-01-01 00:20:00 9\n2025-01-01 01:05:00 30\n");
        const Outcome o =
            runFit({"meteors.log", "--utc-offset", "1", "--save", "out.txt"}, dir.path());
        QCOMPARE(o.exitCode, 0);
        QVERIFY2(o.out.contains("import_hours 2\n"), o.out.constData());
        const QByteArray saved = contents(dir.filePath("out.txt"));
        QVERIFY2(saved.contains("31.12.2024\t23\t2") && saved.contains("01.01.2025\t0\t1"),
                 saved.constData());
    }
};

QTEST_MAIN(TestNetworkFiles)
#include "test_networkfiles.moc"
