// Observers' count files: the readers, the merge, the network export and the
// colorgramme's data.
#include "analysis/Colorgramme.h"
#include "app/DateConv.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/TextFormat.h"
#include "table/GridModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ObserverFiles;

namespace {

// Hours as "yyyy-MM-dd hh=count" joined by blanks, Sum only.
QString listed(const std::vector<Hour> &hours)
{
    QStringList out;
    for (const Hour &h : hours)
        out << QStringLiteral("%1 %2=%3")
                   .arg(h.date.toString(Qt::ISODate))
                   .arg(h.hour, 2, 10, QChar(u'0'))
                   .arg(h.countText(0));
    return out.join(u' ');
}

QString rowsText(const std::vector<GridRow> &rows, int columns = 3)
{
    QStringList out;
    for (const GridRow &r : rows) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << r.cell(c);
        out << cells.join(u',');
    }
    return out.join(u' ');
}

// A monthly table line for a day: the given cells, "???" for the rest.
QByteArray dayLine(const QByteArray &day, const QList<QByteArray> &cells)
{
    QByteArray line = day + '|';
    for (int h = 0; h < 24; ++h)
        line += (h < cells.size() ? cells[h].rightJustified(4) : QByteArray(" ???")) + '|';
    return line;
}

QByteArray header(const QByteArray &month)
{
    QByteArray line = month + '|';
    for (int h = 0; h < 24; ++h)
        line += QByteArray(" ") + QByteArray::number(h).rightJustified(2, '0') + "h|";
    return line;
}

QByteArray utf16le(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return out;
}

QString write(QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

} // namespace

class TestObserverFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { DateConv::setFormat(QStringLiteral("dd.MM.yyyy")); }

    void formats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("hours");

        QTest::newRow("monthly, missing hours and station block")
            << "Vsetin_022015rmob.TXT"
            << header("feb") + "\r\n" + dayLine("01", {"145", "133", "???", "0"}) + "\r\n" +
                   dayLine("02", {"??? ", "?", "", "7"}) + "\r\n[Observer]Somebody\r\n[City]X\r\n"
            << int(Format::MonthlyTable)
            << "2015-02-01 00=145 2015-02-01 01=133 2015-02-01 03=0 2015-02-02 03=7";
        QTest::newRow("monthly, days from 0, unpadded, a day of 1111, LF CR")
            << "x_112011RMOB.txt"
            << QByteArray("nov| 00h | 01h |\n\r0|37||\n\r1|1111|1111|\n\r29|5|6|\n\r")
            << int(Format::MonthlyTable) << "2011-11-01 00=37 2011-11-30 00=5 2011-11-30 01=6";
        QTest::newRow("hourly list, leading zeros, LF")
            << "RMOB-202408.dat" << QByteArray("2024080100 , 00 , 84\n2024080101,01,07\n\n")
            << int(Format::HourlyList) << "2024-08-01 00=84 2024-08-01 01=7";
        QTest::newRow("hourly list past the year 2147")
            << "RMOB-404802.dat" << QByteArray("4048020105 , 05 , 3\n") << int(Format::HourlyList)
            << "4048-02-01 05=3";
        QTest::newRow("daily list")
            << "/some/where/05012020.STA" << QByteArray("0;25\r\n23;003\r\n")
            << int(Format::DailyList) << "2020-01-05 00=25 2020-01-05 23=3";
        QTest::newRow("CSV with semicolons and a quoted field")
            << "counts.csv"
            << QByteArray("\"Date\";HOUR;sum;Note\n2024-08-01;5;\"12\";\"a; b\"\n"
                          "02.08.2024;06;0;\"say \"\"hi\"\"\"\n")
            << int(Format::Csv) << "2024-08-01 05=12 2024-08-02 06=0";
        QTest::newRow("CSV with commas, no Sum column")
            << "c.csv" << QByteArray("date,hour,N2\n2024-08-01,5,3\n") << int(Format::Csv)
            << "2024-08-01 05=";
        QTest::newRow("Vexlor layout as UTF-16")
            << "unicode.txt"
            << utf16le(QString::fromLatin1(TextFormat::HeaderLine) +
                       "\r\n01.08.2024\t4\t17\t1\r\n\r\n01.08.2024\t5\t18\r\n")
            << int(Format::Vexlor) << "2024-08-01 04=17 2024-08-01 05=18";
        QTest::newRow("Vexlor layout, UTF-8 with a byte-order mark")
            << "v.txt"
            << QByteArray("\xEF\xBB\xBF"
                          "Date\t\tHour\n01.08.2024\t4\t17\n")
            << int(Format::Vexlor) << "2024-08-01 04=17";
    }
    void formats()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QFETCH(QString, hours);
        const FileHours read = parse(bytes, name);
        QCOMPARE(int(read.format), format);
        QCOMPARE(listed(read.hours), hours);
    }

    void otherColumns()
    {
        const FileHours csv = parse("Date,Hour,Sum,N1,N10\n2024-08-01,5,3,+1,9\n", "a.csv");
        QCOMPARE(csv.hours.size(), size_t(1));
        QCOMPARE(csv.hours[0].countText(1), QStringLiteral("1"));
        QCOMPARE(csv.hours[0].countText(10), QStringLiteral("9"));
        const FileHours monthly =
            parse(header("feb") + "\n" + dayLine("1", {"1"}) + "\n[Latitude ]050d0000 N\n",
                  "A_022015rmob.txt");
        QCOMPARE(monthly.station.at(QStringLiteral("Latitude")), QStringLiteral("050d0000 N"));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");

        QTest::newRow("day 32") << "A_012015rmob.TXT" << header("jan") + "\n" + dayLine("32", {"1"})
                                << 2 << "day 32 lies past the end of the month: January 2015";
        QTest::newRow("day 29 of a February")
            << "A_022015rmob.TXT" << header("feb") + "\n" + dayLine("29", {"1"}) << 2
            << "February 2015 has 28 days";
        QTest::newRow("day 31 counted from 0 in November")
            << "A_112011rmob.TXT"
            << header("nov") + "\n" + dayLine("0", {"1"}) + "\n" + dayLine("30", {"1"}) << 3
            << "day 31 counted from 1";
        QTest::newRow("count with a fraction")
            << "A_012015rmob.TXT" << header("jan") + "\n" + dayLine("01", {"1", "2.5"}) << 2
            << "'2.5', is not a whole number";
        QTest::newRow("month of the name and of the table differ")
            << "A_012015rmob.TXT" << header("feb") + "\n"
            << 1 << "headed 'feb'";
        QTest::newRow("name without month") << "table.txt" << header("feb") + "\n"
                                            << 0 << "does not give the table's month";
        QTest::newRow("too many cells")
            << "A_012015rmob.TXT" << header("jan") + "\n" + dayLine("01", {}) + "5|" << 2
            << "25 hour cells";
        QTest::newRow("hour 24 in a list")
            << "RMOB-202408.dat" << QByteArray("2024080124 , 24 , 1\n") << 1
            << "'24' is not an hour of day";
        QTest::newRow("hour fields disagree")
            << "RMOB-202408.dat" << QByteArray("2024080100 , 00 , 1\n2024080101 , 02 , 1\n") << 2
            << "does not match";
        QTest::newRow("31 February in a list")
            << "RMOB-202402.dat" << QByteArray("2024023100 , 00 , 1\n") << 1
            << "day 31 lies past the end of the month";
        QTest::newRow("negative count in a list")
            << "RMOB-202408.dat" << QByteArray("2024080100 , 00 , -1\n") << 1 << "'-1'";
        QTest::newRow("hour 24 in a daily list")
            << "05012020.STA" << QByteArray("24;1\n") << 1 << "'24' is not an hour of day";
        QTest::newRow("daily list without a date")
            << "x.STA" << QByteArray("1;1\n") << 0 << "does not give the day";
        QTest::newRow("CSV date") << "a.csv" << QByteArray("Date;Hour;Sum\n2024-13-01;1;1\n") << 2
                                  << "'2024-13-01' is not a date";
        QTest::newRow("CSV open quote")
            << "a.csv" << QByteArray("Date;Hour;Sum\n\"2024-08-01;1;1\n") << 2 << "quoted field";
        QTest::newRow("Vexlor hour") << "v.txt" << QByteArray("h\tx\n01.08.2024\t25\t1\n") << 2
                                     << "'25' is not an hour of day";
        QTest::newRow("not a format")
            << "notes.txt" << QByteArray("Hello, world\n") << 1 << "none of the formats";
        QTest::newRow("binary") << "x.bin" << QByteArray("a\0b", 3) << 0 << "not a text file";
        QTest::newRow("empty") << "x.txt" << QByteArray("\n\n") << 0 << "empty";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        try {
            parse(bytes, name);
            QFAIL("the file was read");
        } catch (const EImportError &e) {
            QCOMPARE(e.line(), line);
            QVERIFY2(e.reason().contains(reason), qPrintable(e.reason()));
            QVERIFY(e.text().contains(name));
        }
    }

    void merge_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("failure");

        QTest::newRow("disjoint, out of order")
            << QByteArray("2024080102 , 02 , 9\n2024073123 , 23 , 8\n")
            << "31.07.2024,23,8 01.08.2024,0,84 01.08.2024,1,81 01.08.2024,2,9"
            << "";
        QTest::newRow("overlap with equal counts")
            << QByteArray("2024080101 , 01 , 81\n2024080102 , 02 , 9\n")
            << "01.08.2024,0,84 01.08.2024,1,81 01.08.2024,2,9"
            << "";
        QTest::newRow("overlap with other counts")
            << QByteArray("2024080101 , 01 , 80\n") << ""
            << "the hour 01.08.2024 01h UT is given twice with different counts: Sum 81 in";
    }
    void merge()
    {
        QFETCH(QByteArray, second);
        QFETCH(QString, rows);
        QFETCH(QString, failure);
        std::vector<FileHours> files;
        files.push_back(parse("2024080100 , 00 , 84\n2024080101 , 01 , 81\n", "RMOB-202408.dat"));
        files.push_back(parse(second, "second/RMOB-202408.dat"));
        try {
            const Merged m = ObserverFiles::merge(std::move(files));
            QVERIFY(failure.isEmpty());
            QCOMPARE(rowsText(m.rows), rows);
        } catch (const EImportError &e) {
            QVERIFY2(e.reason().startsWith(failure) && !failure.isEmpty(), qPrintable(e.text()));
            QVERIFY(e.reason().contains(QStringLiteral("\"RMOB-202408.dat\" (line 2)")));
            QVERIFY(e.reason().contains(QStringLiteral("second")));
        }
    }

    void summary()
    {
        const qint64 d0 = QDate(2024, 8, 1).toJulianDay() * 24;
        // 00h, 01h, then 05h, then 02h of the next day: gaps of 3 and 20 hours.
        const Summary s = summarize({d0, d0 + 1, d0 + 5, d0 + 26}, 2);
        QCOMPARE(s.files, 2);
        QCOMPARE(s.hours, qsizetype(4));
        QCOMPARE(s.days, qsizetype(2));
        QCOMPARE(s.missingHours, qint64(23));
        QCOMPARE(s.gaps.size(), size_t(2));
        QCOMPARE(s.gaps[0].hour, 2);
        QCOMPARE(s.gaps[0].hours, qint64(3));
        QCOMPARE(s.gaps[1].date, QDate(2024, 8, 1));
        QCOMPARE(s.gaps[1].hour, 6);
        QCOMPARE(s.moreGaps, qsizetype(0));

        std::vector<qint64> sparse;
        for (int k = 0; k < 30; ++k)
            sparse.push_back(d0 + 2 * k);
        const Summary many = summarize(sparse, 1);
        QCOMPARE(many.gaps.size(), size_t(MaxListedGaps));
        QCOMPARE(many.moreGaps, qsizetype(29 - MaxListedGaps));
        QCOMPARE(many.missingHours, qint64(29));
    }

    // The exported files import back into the rows they came from, as the
    // monthly tables alone, as the hourly lists alone, and both together.
    void exportRoundTrip_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("monthly tables") << "*rmob.TXT";
        QTest::newRow("hourly lists") << "RMOB-*.dat";
        QTest::newRow("both") << "*";
    }
    void exportRoundTrip()
    {
        QFETCH(QString, pattern);
        GridModel grid;
        std::vector<GridRow> rows;
        const QDate start(2024, 1, 30);
        for (int k = 0; k < 24 * 5; k += 1 + k % 3) { // gaps, across a month's end
            GridRow r;
            r.setCell(0, DateConv::toText(start.addDays(k / 24)));
            r.setCell(1, QString::number(k % 24));
            r.setCell(2, QString::number(k * 7 % 53));
            r.setCell(5, QStringLiteral("999")); // another column is not exported
            rows.push_back(r);
        }
        grid.replaceRows(rows);
        const NetworkExport::Station station = {
            {QStringLiteral("Observer"), QStringLiteral("My Station")},
            {QStringLiteral("Longitude"), QStringLiteral("-10.5")},
            {QStringLiteral("Latitude"), QStringLiteral("50,25")}};
        const std::vector<NetworkExport::File> files = NetworkExport::build(grid, 2, station);
        QCOMPARE(files.size(), size_t(4));
        QCOMPARE(files[0].name, QStringLiteral("My_Station_012024rmob.TXT"));
        QCOMPARE(files[1].name, QStringLiteral("RMOB-202401.dat"));
        QCOMPARE(files[2].name, QStringLiteral("My_Station_022024rmob.TXT"));
        QVERIFY(files[0].bytes.contains("\r\n[Observer]My Station\r\n[Country]\r\n[City]\r\n"
                                        "[Longitude]010d3000 W\r\n[Latitude ]050d1500 N\r\n"
                                        "[Longitude GMAP]-10.500000\r\n[Latitude GMAP]50.250000\r\n"
                                        "[Frequencies]\r\n"));
        QVERIFY(files[0].bytes.contains("\r\n 01| ???| ???|"));

        QTemporaryDir dir;
        QStringList paths;
        for (const NetworkExport::File &f : files)
            if (QDir::match(pattern, f.name))
                paths << write(dir, f.name, f.bytes);
        const Merged back = import(paths);
        QCOMPARE(rowsText(back.rows), rowsText(rows));
        QCOMPARE(back.summary.hours, qsizetype(rows.size()));
    }

    void exportRefused_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("failure");
        QTest::newRow("a fraction") << "1.5"
                                    << "Row 2 cannot be exported: '1.5'";
        QTest::newRow("a negative count") << "-3"
                                          << "Row 2 cannot be exported: '-3'";
        QTest::newRow("the hour twice") << "12"
                                        << "Row 2 cannot be exported: its hour";
    }
    void exportRefused()
    {
        QFETCH(QString, count);
        QFETCH(QString, failure);
        GridModel grid;
        grid.setRowCountWithHeader(3);
        for (int row : {1, 2}) {
            grid.setCell(0, row, QStringLiteral("01.08.2024"));
            grid.setCell(1, row, QStringLiteral("3"));
        }
        grid.setCell(2, 1, QStringLiteral("11"));
        grid.setCell(2, 2, count);
        try {
            NetworkExport::build(grid, 2, {{QStringLiteral("Observer"), QStringLiteral("x")}});
            QFAIL("exported");
        } catch (const VexlorError &e) {
            QVERIFY2(e.text().startsWith(failure), qPrintable(e.text()));
        }
    }

    void fileNamePart()
    {
        QCOMPARE(NetworkExport::fileNamePart(QStringLiteral(" a/b c:d ")),
                 QStringLiteral("a_b_c_d"));
        QCOMPARE(NetworkExport::degreesText(0.0002, 'E', 'W'), QStringLiteral("000d0001 E"));
    }

    void colorgrammeData()
    {
        GridModel grid;
        grid.setRowCountWithHeader(6);
        const QStringList cells[] = {{"02.08.2024", "5", "12"},
                                     {"04.08.2024", "23", "40"},
                                     {"02.08.2024", "5", "99"}, // the hour again
                                     {"bad", "1", "3"},
                                     {"03.08.2024", "1", ""}};
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                grid.setCell(c, r + 1, cells[r][c]);
        const Colorgramme::Data d = Colorgramme::collect(grid, 2);
        QCOMPARE(d.first, QDate(2024, 8, 2));
        QCOMPARE(d.days, 3);
        QCOMPARE(d.countedHours, qsizetype(2));
        QCOMPARE(d.maximum, 40);
        QCOMPARE(d.counts[size_t(d.index(0, 5))], 12);
        QCOMPARE(d.rows[size_t(d.index(0, 5))], 1);
        QCOMPARE(d.counts[size_t(d.index(2, 23))], 40);
        QCOMPARE(d.counts[size_t(d.index(1, 1))], -1);

        // The cells under the picture's corners, and outside it.
        const Colorgramme::Layout l = Colorgramme::layoutFor(d, QSize(800, 400));
        const auto first = Colorgramme::cellAt(l, QPointF(l.plot.topLeft()));
        QVERIFY(first && first->day == 0 && first->hour == 0);
        const auto last = Colorgramme::cellAt(l, QPointF(l.plot.bottomRight()));
        QVERIFY(last && last->day == 2 && last->hour == 23);
        QVERIFY(!Colorgramme::cellAt(l, QPointF(l.plot.left() - 1, l.plot.top())));

        grid.setCell(0, 4, QStringLiteral("01.01.1900"));
        const Colorgramme::Data wide = Colorgramme::collect(grid, 2);
        QVERIFY(wide.tooLong);
        QVERIFY(wide.counts.empty());
    }

    // Ten years on a narrow picture: the one busy hour of the record still
    // shows in red.
    void colorgrammeKeepsAOneDayPeak()
    {
        GridModel grid;
        std::vector<GridRow> rows;
        for (int d = 0; d < 3650; ++d) {
            GridRow r;
            r.setCell(0, DateConv::toText(QDate(2015, 1, 1).addDays(d)));
            r.setCell(1, QStringLiteral("12"));
            r.setCell(2, QString::number(d == 1234 ? 500 : 10));
            rows.push_back(r);
        }
        grid.replaceRows(rows);
        const Colorgramme::Data data = Colorgramme::collect(grid, 2);
        const QImage image = Colorgramme::render(data, QSize(600, 300), {});
        const Colorgramme::Layout l = Colorgramme::layoutFor(data, image.size());
        const int y = l.plot.top() + l.plot.height() * 25 / 48; // 12h
        int red = 0;
        for (int x = l.plot.left() + 1; x < l.plot.right(); ++x)
            red += image.pixelColor(x, y) == Colorgramme::colorOf(500, 500);
        QVERIFY(red >= 1);
        QVERIFY(red <= 2);
    }

    void colorScale()
    {
        QCOMPARE(Colorgramme::colorOf(0, 100), QColor(0, 0, 128));
        QCOMPARE(Colorgramme::colorOf(100, 100), QColor(220, 0, 0));
        QCOMPARE(Colorgramme::colorOf(500, 100), QColor(220, 0, 0));
        QVERIFY(Colorgramme::colorOf(50, 100) != Colorgramme::missingColor());
    }
};

QTEST_MAIN(TestObserverFiles)
#include "test_observerfiles.moc"
