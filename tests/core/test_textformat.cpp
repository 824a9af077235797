// The field splitter and the text observation format.
#include "app/Errors.h"
#include "files/ExtractField.h"
#include "files/TextFormat.h"
#include "table/GridModel.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList cellsOf(const GridRow &row)
{
    QStringList out;
    for (int c = 0; c < GridRow::Columns; ++c)
        out << row.cell(c);
    return out;
}

QStringList padded(QStringList cells)
{
    while (cells.size() < GridRow::Columns)
        cells << QString();
    return cells;
}

} // namespace

class TestTextFormat : public QObject {
    Q_OBJECT
private slots:
    void extractField_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a TAB TAB b: 1") << "a\t\tb"
                                        << "\t" << 1 << "a";
        QTest::newRow("a TAB TAB b: 2") << "a\t\tb"
                                        << "\t" << 2 << "";
        QTest::newRow("a TAB TAB b: 3") << "a\t\tb"
                                        << "\t" << 3 << "b";
        QTest::newRow("a TAB TAB b: 4") << "a\t\tb"
                                        << "\t" << 4 << "";
        QTest::newRow("no delimiter: 1") << "abc"
                                         << "\t" << 1 << "abc";
        QTest::newRow("no delimiter: 2") << "abc"
                                         << "\t" << 2 << "";
        QTest::newRow("ending with delimiter") << "a\t"
                                               << "\t" << 2 << "";
        QTest::newRow("multi-character") << "1<>22<>333"
                                         << "<>" << 2 << "22";
        QTest::newRow("multi-character last") << "1<>22<>333"
                                              << "<>" << 3 << "333";
        QTest::newRow("partial delimiter is text") << "1<2<>3"
                                                   << "<>" << 1 << "1<2";
        QTest::newRow("case-sensitive") << "xHy"
                                        << "h" << 1 << "xHy";
        QTest::newRow("chart label date") << "05.11.2008\r17h (3)"
                                          << "\r" << 1 << "05.11.2008";
        QTest::newRow("chart label rest") << "05.11.2008\r17h (3)"
                                          << "\r" << 2 << "17h (3)";
        QTest::newRow("empty line") << ""
                                    << "\t" << 1 << "";
    }
    void extractField()
    {
        QFETCH(QString, line);
        QFETCH(QString, delimiter);
        QFETCH(int, n);
        QFETCH(QString, expected);
        QCOMPARE(ExtractField(line, delimiter, n), expected);
    }

    // The reader splits a line in one pass; it must give exactly the fields
    // that ExtractField gives, for any line.
    void rowSplitMatchesExtractField()
    {
        QRandomGenerator rng(7);
        const QString alphabet = QStringLiteral("ab\t\t1 ");
        for (int i = 0; i < 2000; ++i) {
            QString line;
            const int length = rng.bounded(40);
            for (int k = 0; k < length; ++k)
                line += alphabet[rng.bounded(alphabet.size())];
            GridRow row = GridRow::fromLine(line, u'\t');
            for (int n = 1; n <= GridRow::Columns; ++n)
                QCOMPARE(row.cell(n - 1), ExtractField(line, "\t", n));
        }
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QStringList>>("rows");
        const QStringList empty = padded({});
        QTest::newRow("empty file") << QByteArray() << QList<QStringList>{empty};
        QTest::newRow("header only") << QByteArray("Date\t\tHour\r\n") << QList<QStringList>{empty};
        QTest::newRow("header without line end") << QByteArray("Date") << QList<QStringList>{empty};
        QTest::newRow("CR LF lines") << QByteArray("H\r\n05.11.2008\t1\t7\r\n05.11.2008\t2\t9\r\n")
                                     << QList<QStringList>{padded({"05.11.2008", "1", "7"}),
                                                           padded({"05.11.2008", "2", "9"})};
        QTest::newRow("LF lines, no final line end")
            << QByteArray("H\n05.11.2008\t1\t7\n05.11.2008\t2\t9")
            << QList<QStringList>{padded({"05.11.2008", "1", "7"}),
                                  padded({"05.11.2008", "2", "9"})};
        QTest::newRow("two fields")
            << QByteArray("H\n05.11.2008\t3\n") << QList<QStringList>{padded({"05.11.2008", "3"})};
        QStringList twenty;
        for (int i = 1; i <= 20; ++i)
            twenty << QString::number(i);
        QTest::newRow("twenty fields keep fourteen")
            << ("H\n" + twenty.join('\t').toUtf8() + "\n") << QList<QStringList>{twenty.mid(0, 14)};
        QTest::newRow("trailing empty lines add no rows")
            << QByteArray("H\r\nx\t1\r\n\r\n\r\n") << QList<QStringList>{padded({"x", "1"})};
        QTest::newRow("empty line inside kept as a row")
            << QByteArray("H\nx\t1\n\ny\t2\n")
            << QList<QStringList>{padded({"x", "1"}), empty, padded({"y", "2"})};
        QTest::newRow("header content ignored")
            << QByteArray("anything at all\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\nx\n")
            << QList<QStringList>{padded({"x"})};
        // A file written without the header line keeps its first row.
        QTest::newRow("no header: a first line with an hour")
            << QByteArray("05.11.2008\t0\t7\r\n05.11.2008\t1\t9\r\n")
            << QList<QStringList>{padded({"05.11.2008", "0", "7"}),
                                  padded({"05.11.2008", "1", "9"})};
        QTest::newRow("no header: an ISO date alone")
            << QByteArray("2008-11-05\n2008-11-06\n")
            << QList<QStringList>{padded({"2008-11-05"}), padded({"2008-11-06"})};
        QTest::newRow("header of words with empty fields")
            << QByteArray("Date\t\tHour\tSum\tN1\n05.11.2008\t\t3\t4\t5\n")
            << QList<QStringList>{padded({"05.11.2008", "", "3", "4", "5"})};
        QTest::newRow("Windows-1251 bytes")
            << QByteArray("H\n\xEF\xF2\t1\n")
            << QList<QStringList>{padded({QString::fromUtf8("пт"), "1"})};
        QTest::newRow("UTF-8 Cyrillic")
            << QByteArray("H\nпт\t1\n")
            << QList<QStringList>{padded({QString::fromUtf8("пт"), "1"})};
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QStringList>, rows);
        std::vector<GridRow> parsed = TextFormat::parse(bytes);
        QCOMPARE(qsizetype(parsed.size()), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(cellsOf(parsed[size_t(i)]), rows[i]);
    }

    void formatWritesHeaderThirteenFieldsAndCrLf()
    {
        GridModel grid;
        grid.setRowCountWithHeader(3);
        grid.setCell(0, 1, "05.11.2008");
        grid.setCell(1, 1, "4");
        grid.setCell(12, 1, "99");
        grid.setCell(13, 1, "filler is not written");
        grid.setCell(0, 0, "header texts are not written");
        QByteArray expected = "Date\t\tHour\tSum\tN1\tN2\tN3\tN4\tN5\tN6\tN7\tN8\tN9\tN10\r\n"
                              "05.11.2008\t4\t\t\t\t\t\t\t\t\t\t\t99\r\n"
                              "\t\t\t\t\t\t\t\t\t\t\t\t\r\n";
        QCOMPARE(TextFormat::format(grid), expected);
    }

    void controlCharactersInCellsBecomeSpaces()
    {
        GridModel grid;
        grid.setCell(0, 1, "a\tb");
        grid.setCell(1, 1, "c\r\nd");
        std::vector<GridRow> back = TextFormat::parse(TextFormat::format(grid));
        QCOMPARE(back.size(), size_t(1));
        QCOMPARE(back[0].cell(0), QString("a b"));
        QCOMPARE(back[0].cell(1), QString("c  d"));
        QCOMPARE(back[0].cell(2), QString());
    }

    void roundTripKeepsColumnsZeroToTwelve()
    {
        GridModel grid;
        grid.setRowCountWithHeader(4);
        for (int r = 1; r < 4; ++r)
            for (int c = 0; c < 14; ++c)
                grid.setCell(c, r, QStringLiteral("r%1c%2 ä").arg(r).arg(c));
        grid.setCell(5, 2, QString()); // an empty cell in the middle
        GridModel back;
        back.replaceRows(TextFormat::parse(TextFormat::format(grid)));
        QCOMPARE(back.rowCountWithHeader(), 4);
        for (int r = 1; r < 4; ++r) {
            for (int c = 0; c < 13; ++c)
                QCOMPARE(back.cell(c, r), grid.cell(c, r));
            QCOMPARE(back.cell(13, r), QString());
        }
    }

    void loadFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.txt";
        QTest::newRow("a directory") << "adir";
    }
    void loadFailures()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("adir");
        const QString path = dir.filePath(name);
        try {
            TextFormat::load(path);
            QFAIL("no failure");
        } catch (const EInOutError &e) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
        }
    }

    void saveFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing directory") << "missing/out.txt";
        QTest::newRow("onto a directory") << "adir";
    }
    void saveFailures()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("adir");
        GridModel grid;
        QVERIFY_THROWS_EXCEPTION(EInOutError, TextFormat::save(grid, dir.filePath(name)));
        QVERIFY(QFileInfo(dir.filePath("adir")).isDir());
    }

    void gridRowCountKeepsRows()
    {
        GridModel grid;
        QCOMPARE(grid.rowCountWithHeader(), 2);
        grid.setRowCountWithHeader(4);
        grid.setCell(3, 2, "x");
        grid.setRowCountWithHeader(3);
        QCOMPARE(grid.cell(3, 2), QString("x"));
        grid.setRowCountWithHeader(5);
        QCOMPARE(grid.cell(3, 2), QString("x"));
        QCOMPARE(grid.cell(3, 4), QString());
        grid.setRowCountWithHeader(0);
        QCOMPARE(grid.rowCountWithHeader(), 2);
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "test_textformat.moc"
