// The desktop program's core: counts by number in both languages, the
// numbers of a language, the file dialogs' names and extensions, dates as
// users type them, the window's memory in the settings file, the choice of
// a reader for files given without a command, and the station's place.
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/FileFilter.h"
#include "app/LanguageTexts.h"
#include "app/Settings.h"
#include "files/NetworkExport.h"
#include "files/TableFiles.h"
#include "files/workbook/Workbook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Text = LanguageTexts::Text;

class TestShell : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    // The texts of the shipped settings file in a language.
    static LanguageTexts shipped(const QString &code)
    {
        Settings s(QStringLiteral(VEXLOR_TEST_DATA "/../../resources/VEXLOR.ini"));
        s.read();
        return s.texts(code);
    }

private slots:
    void countsByNumber_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("text");
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("expected");
        const int rows = int(Text::RowCount), hours = int(Text::HourCount),
                  files = int(Text::FileCount);
        QTest::newRow("en 1 row") << "en" << rows << qint64(1) << "1 row";
        QTest::newRow("en 0 rows") << "en" << rows << qint64(0) << "0 rows";
        QTest::newRow("en 2 rows") << "en" << rows << qint64(2) << "2 rows";
        QTest::newRow("en 21 rows") << "en" << rows << qint64(21) << "21 rows";
        QTest::newRow("en 1 file") << "en" << files << qint64(1) << "1 file";
        QTest::newRow("en thousands") << "en" << hours << qint64(87600) << "87,600 hours";
        QTest::newRow("ru 1") << "ru" << rows << qint64(1) << "1 строка";
        QTest::newRow("ru 3") << "ru" << rows << qint64(3) << "3 строки";
        QTest::newRow("ru 5") << "ru" << rows << qint64(5) << "5 строк";
        QTest::newRow("ru 11") << "ru" << rows << qint64(11) << "11 строк";
        QTest::newRow("ru 12") << "ru" << rows << qint64(12) << "12 строк";
        QTest::newRow("ru 14") << "ru" << rows << qint64(14) << "14 строк";
        QTest::newRow("ru 21") << "ru" << rows << qint64(21) << "21 строка";
        QTest::newRow("ru 22") << "ru" << rows << qint64(22) << "22 строки";
        QTest::newRow("ru 0") << "ru" << rows << qint64(0) << "0 строк";
        QTest::newRow("ru 111") << "ru" << rows << qint64(111) << "111 строк";
        QTest::newRow("ru 101 hours") << "ru" << hours << qint64(101) << "101 час";
        QTest::newRow("ru 213 hours") << "ru" << hours << qint64(213) << "213 часов";
        QTest::newRow("ru 2 files") << "ru" << files << qint64(2) << "2 файла";
        // The Russian group separator is a no-break space.
        QTest::newRow("ru thousands")
            << "ru" << hours << qint64(1024) << QString::fromUtf8("1\u00a0024 часа");
    }
    void countsByNumber()
    {
        QFETCH(QString, code);
        QFETCH(int, text);
        QFETCH(qint64, n);
        QTEST(shipped(code).count(Text(text), n), "expected");
    }

    void pluralFormsOfAFile()
    {
        // A section with one form, or more forms than the rule knows.
        const QString path = writeFile("forms.ini", "[de]\nX113=Zeile|Zeilen\n[xx]\nX113=one\n"
                                                    "[yy]\nX113=a|b|c|d\n");
        Settings s(path);
        s.read();
        QCOMPARE(s.texts("de").count(Text::RowCount, 1), QString("1 Zeile"));
        QCOMPARE(s.texts("de").count(Text::RowCount, 7), QString("7 Zeilen"));
        QCOMPARE(s.texts("xx").count(Text::RowCount, 7).endsWith(" one"), true);
        QCOMPARE(s.texts("yy").count(Text::RowCount, 5).endsWith(" c"), true);
        QCOMPARE(LanguageTexts().count(Text::FileCount, 1), QLocale().toString(1) + " file");
    }

    void numbersOfTheLanguage_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("English") << "en"
                                 << "1234.05044";
        QTest::newRow("Russian") << "ru"
                                 << "1234,05044";
        QTest::newRow("German, no section") << "de"
                                            << "1234,05044";
    }
    void numbersOfTheLanguage()
    {
        QFETCH(QString, code);
        QTEST(shipped(code).decimal(1234.050444, 5), "expected");
    }

    void filterEntries_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("proposal");
        const QString text = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
        const QString books = "Books|*.xlsx;*.xls;*.ods|Excel|*.xlsx|All|*.*";
        const QString pictures = "PNG|*.png|SVG|*.svg|PDF|*.pdf";
        QTest::newRow("its own extension") << text << "/d/gem.txt" << 0 << "/d/gem.txt";
        QTest::newRow("letter case aside") << text << "/d/GEM.TXT" << 0 << "/d/GEM.TXT";
        QTest::newRow("another command's file") << books << "/d/fit.pdf" << -1 << "/d/fit.xlsx";
        QTest::newRow("no extension") << text << "/d/gem_edit" << -1 << "/d/gem_edit.txt";
        QTest::newRow("a later entry") << pictures << "/d/fit.pdf" << 2 << "/d/fit.pdf";
        QTest::newRow("a dot in a folder") << text << "/d.v2/gem" << -1 << "/d.v2/gem.txt";
        QTest::newRow("a blank in the name")
            << pictures << "/d/my fit.txt" << -1 << "/d/my fit.png";
        QTest::newRow("nothing proposed") << text << "" << -1 << "";
        QTest::newRow("a filter of wildcards") << "All|*"
                                               << "/d/x.abc" << -1 << "/d/x.abc";
    }
    void filterEntries()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QTEST(FileFilter::entryFor(filter, name), "entry");
        QTEST(FileFilter::proposal(filter, name), "proposal");
    }

    void typedNamesGetTheFiltersExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first entry") << "/d/gem_edit" << 0 << "/d/gem_edit.png";
        QTest::newRow("the entry chosen") << "/d/fit" << 2 << "/d/fit.pdf";
        QTest::newRow("wildcards: the first entry's") << "/d/fit" << 3 << "/d/fit.png";
        QTest::newRow("a dot too many") << "/d/fit." << 1 << "/d/fit.svg";
        QTest::newRow("an extension of its own stays") << "/d/fit.v2" << 0 << "/d/fit.v2";
    }
    void typedNamesGetTheFiltersExtension()
    {
        QFETCH(QString, name);
        QFETCH(int, entry);
        QTEST(FileFilter::withExtension(name, "PNG|*.png|SVG|*.svg|PDF|*.pdf|All|*.*", entry),
              "expected");
    }

    void typedDates_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("expected");
        const QDate may9(2025, 5, 9);
        QTest::newRow("the format's text") << "dd.MM.yyyy"
                                           << "09.05.2025" << may9;
        QTest::newRow("without leading zeros") << "dd.MM.yyyy"
                                               << "9.5.2025" << may9;
        QTest::newRow("other separators") << "dd.MM.yyyy"
                                          << "09/05/2025" << may9;
        QTest::newRow("digits only") << "dd.MM.yyyy"
                                     << "09052025" << may9;
        QTest::newRow("blanks around") << "dd.MM.yyyy"
                                       << " 9.5.2025 " << may9;
        QTest::newRow("ISO order") << "yyyy-MM-dd"
                                   << "2025-5-9" << may9;
        QTest::newRow("ISO digits") << "yyyy-MM-dd"
                                    << "20250509" << may9;
        QTest::newRow("month first") << "MM/dd/yyyy"
                                     << "5/9/2025" << may9;
        QTest::newRow("no such day") << "dd.MM.yyyy"
                                     << "31.02.2025" << QDate();
        QTest::newRow("two-digit year") << "dd.MM.yyyy"
                                        << "9.5.25" << QDate();
        QTest::newRow("letters") << "dd.MM.yyyy"
                                 << "9 May 2025" << QDate();
        QTest::newRow("too many digits") << "dd.MM.yyyy"
                                         << "090520251" << QDate();
        QTest::newRow("two numbers") << "dd.MM.yyyy"
                                     << "9.5" << QDate();
        QTest::newRow("empty") << "dd.MM.yyyy"
                               << "" << QDate();
    }
    void typedDates()
    {
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(QDate, expected);
        DateConv::setFormat(format);
        const std::optional<QDate> date = DateConv::fromTypedText(typed);
        DateConv::setFormat(QString());
        QCOMPARE(date.value_or(QDate()), expected);
    }

    void windowMemoryRoundTrips()
    {
        const QString path = writeFile("VEXLOR.ini", "[self]\r\nLanguage=en\r\n");
        // Names a settings line could not keep as they are: blanks at the
        // ends, quotes, an equals sign, a percent sign, Cyrillic letters.
        QStringList files = {" lead.txt", "/d/\"quoted\".txt", "/d/a=b.txt", "/d/100%.txt",
                             QString::fromUtf8("/д/метеоры.txt")};
        for (int n = 0; n < 6; ++n)
            files << QStringLiteral("/d/file%1.txt").arg(n);
        files << "/d/a=b.txt"; // twice: kept once, at its first place
        const QString tooLong = "/d/" + QString(IniFile::MaxValueLength, u'x');
        files.insert(2, tooLong);
        const QByteArray geometry("\x01\x02\xff geometry", 12);
        {
            Settings s(path);
            s.read();
            s.setRecentFiles(files, {{"OpenTxt", "/d/my folder"}, {"Open", "/d"}});
            s.setWindowPlace(geometry, "state", 3);
            QCOMPARE(s.recentFiles().size(), Settings::RecentCount);
        }
        Settings s(path);
        s.read();
        QStringList expected = files;
        expected.removeAll(tooLong);
        expected.removeLast();
        expected = expected.mid(0, Settings::RecentCount);
        QCOMPARE(s.recentFiles(), expected);
        QCOMPARE(s.lastFolder("OpenTxt"), QString("/d/my folder"));
        QCOMPARE(s.lastFolder("Open"), QString("/d"));
        QCOMPARE(s.lastFolder("SaveTxt"), QString());
        QCOMPARE(s.windowGeometry(), geometry);
        QCOMPARE(s.windowState(), QByteArray("state"));
        QCOMPARE(s.page(), 3);
        QCOMPARE(s.language(), QString("en")); // the rest of the file stays
        // The file keeps its CR LF line ends, and every value is ASCII.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains("\n\n") && !bytes.contains(QByteArray("txt\n")));
        for (char c : bytes)
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        // A shorter list leaves no old entry behind.
        s.setRecentFiles({"/d/only.txt"});
        Settings again(path);
        again.read();
        QCOMPARE(again.recentFiles(), QStringList{"/d/only.txt"});
        QCOMPARE(again.lastFolder("OpenTxt"), QString("/d/my folder"));
    }

    void aFailedWriteOfTheMemoryChangesNothingKept()
    {
        const QString dir = m_dir.filePath("blocked");
        QVERIFY(QDir().mkpath(dir + "/VEXLOR.ini")); // a folder where the file should be
        Settings s(Settings::pathIn(dir));
        s.read();
        QVERIFY_THROWS_EXCEPTION(EIniFileError, s.setRecentFiles({"/d/x.txt"}));
        QVERIFY(s.recentFiles().isEmpty());
        QVERIFY_THROWS_EXCEPTION(EIniFileError, s.setWindowPlace("g", "s", 1));
        QCOMPARE(s.page(), 0);
    }

    void readerByContent_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("reader"); // -1: refused
        const int text = int(TableFiles::Reader::Text), book = int(TableFiles::Reader::Workbook),
                  counts = int(TableFiles::Reader::CountFiles);
        QTest::newRow("own layout") << QStringList{"own.txt"} << text;
        // A file that does not look like the own layout goes to Import,
        // which refuses it in words rather than loading junk rows.
        QTest::newRow("no count format") << QStringList{"notes.txt"} << counts;
        QTest::newRow("a missing file") << QStringList{"missing.txt"} << text;
        // Open (TXT) would pass the first line over: Import's reader keeps it.
        QTest::newRow("own fields without the header") << QStringList{"bare.txt"} << counts;
        QTest::newRow("workbook") << QStringList{"active.xlsx"} << book;
        QTest::newRow("hourly list") << QStringList{"RMOB-202408.dat"} << counts;
        QTest::newRow("two own files") << QStringList{"own.txt", "own2.txt"} << counts;
        QTest::newRow("workbook among others")
            << QStringList{"RMOB-202408.dat", "active.xlsx"} << -1;
    }
    void readerByContent()
    {
        QFETCH(QStringList, files);
        QFETCH(int, reader);
        writeFile("own.txt", "Date\t\tHour\tSum\r\n01.08.2024\t0\t5\r\n");
        writeFile("own2.txt", "Date\t\tHour\tSum\r\n02.08.2024\t0\t5\r\n");
        writeFile("notes.txt", "just some words\n");
        writeFile("bare.txt", "01.08.2024\t0\t5\t\t\t\t\t\t\t\t\t\t\r\n");
        writeFile("RMOB-202408.dat", "2024080100 , 00 , 7\r\n2024080101 , 01 , 9\r\n");
        QFile::remove(m_dir.filePath("active.xlsx"));
        QVERIFY(QFile::copy(VEXLOR_TEST_DATA "/active.xlsx", m_dir.filePath("active.xlsx")));
        QStringList paths;
        for (const QString &f : files)
            paths << m_dir.filePath(f);
        if (reader < 0) {
            QVERIFY_THROWS_EXCEPTION(VexlorError, TableFiles::choose(paths));
            return;
        }
        QCOMPARE(int(TableFiles::choose(paths)), reader);
    }

    void stationPlaces_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("longitude east") << "Longitude"
                                        << "10.5" << true;
        QTest::newRow("longitude with a comma") << "Longitude"
                                                << "-179,9" << true;
        QTest::newRow("longitude at the edge") << "Longitude"
                                               << "180" << true;
        QTest::newRow("longitude past it") << "Longitude"
                                           << "180.01" << false;
        QTest::newRow("longitude far west") << "Longitude"
                                            << "-200" << false;
        QTest::newRow("latitude north") << "Latitude"
                                        << "89.99" << true;
        QTest::newRow("latitude past the pole") << "Latitude"
                                                << "-90.5" << false;
        QTest::newRow("latitude of words") << "Latitude"
                                           << "north" << false;
        QTest::newRow("latitude not set") << "Latitude"
                                          << "  " << true;
        QTest::newRow("not a number") << "Longitude"
                                      << "inf" << false;
        QTest::newRow("another field") << "City"
                                       << "400" << true;
    }
    void stationPlaces()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QTEST(NetworkExport::placeInRange(field, value), "taken");
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
