// Where the settings file lies: beside a build or a portable copy, in the
// user's configuration folder for an installed program, which reads the
// shipped file until its first change copies it and never writes beside
// itself or into its installation. vexlor-fit follows the same rule.
#include "app/Errors.h"
#include "app/Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every file and folder below dir, as relative paths.
QStringList listing(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

const QByteArray Shipped = "[self]\r\nLanguage=ru\r\nDateFormat=dd.MM.yyyy\r\nSH0=255\r\n"
                           "SH1=65280\r\n\r\n[station]\r\nObserver=Shipped\r\n\r\n"
                           "[ru]\r\nX2=Отмена\r\n";

enum Write { Language, LineColor, Background, AxisGrid, StationValue };

} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString bin() const { return m_dir.filePath(QStringLiteral("prefix/bin")); }
    QString shippedFolder() const { return m_dir.filePath(QStringLiteral("prefix/share/vexlor")); }
    QString shipped() const { return Settings::pathIn(shippedFolder()); }
    QString config() const { return m_dir.filePath(QStringLiteral("config")); }
    QString user() const { return Settings::pathIn(config() + QStringLiteral("/vexlor")); }

    // An installed program: bin/ with a program in it, share/vexlor/ with
    // the shipped file (unless shippedBytes is null).
    void install(const QByteArray &shippedBytes = Shipped)
    {
        QVERIFY(QDir().mkpath(bin()));
        QVERIFY(QDir().mkpath(shippedFolder()));
        writeBytes(bin() + QStringLiteral("/vexlor"), "program");
        if (!shippedBytes.isNull())
            writeBytes(shipped(), shippedBytes);
    }

    static void apply(Settings &s, int write)
    {
        switch (write) {
        case Language:
            s.setLanguage(QStringLiteral("en"));
            break;
        case LineColor:
            s.setLineColor(2, QColor(1, 2, 3));
            break;
        case Background:
            s.setBackground(QColor(4, 5, 6));
            break;
        case AxisGrid:
            s.setAxisGrid(QColor(7, 8, 9));
            break;
        case StationValue:
            s.setStationValue(QStringLiteral("Observer"), QStringLiteral("Radio Ham"));
            break;
        }
    }

    // What the installation holds: the program and the shipped file.
    void checkInstallationUntouched()
    {
        QCOMPARE(
            listing(m_dir.filePath(QStringLiteral("prefix"))),
            QStringList({"bin", "bin/vexlor", "share", "share/vexlor", "share/vexlor/VEXLOR.ini"}));
        QCOMPARE(bytesOf(shipped()), Shipped);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", config().toUtf8());
    }

    void init()
    {
        for (const QString &name : {QStringLiteral("prefix"), QStringLiteral("config")})
            QDir(m_dir.filePath(name)).removeRecursively();
        QFile::remove(m_dir.filePath(QStringLiteral("config")));
    }

    void locate_data()
    {
        QTest::addColumn<QStringList>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("portable");

        QTest::newRow("a build: VEXLOR.ini beside") << QStringList{"VEXLOR.ini"} << false << true;
        QTest::newRow("nothing beside, not installed") << QStringList{} << false << true;
        QTest::newRow("installed") << QStringList{} << true << false;
        QTest::newRow("installed with a VEXLOR.ini beside")
            << QStringList{"VEXLOR.ini"} << true << true;
        QTest::newRow("installed with the marker")
            << QStringList{"vexlor.portable"} << true << true;
        QTest::newRow("installed with a broken link beside")
            << QStringList{"link:VEXLOR.ini"} << true << true;
    }

    void locate()
    {
        QFETCH(QStringList, beside);
        QFETCH(bool, installed);
        QFETCH(bool, portable);
        QVERIFY(QDir().mkpath(bin()));
        if (installed)
            install();
        for (const QString &name : beside) {
            if (name.startsWith(QLatin1String("link:")))
                QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere")),
                                    bin() + u'/' + name.mid(5)));
            else
                writeBytes(bin() + u'/' + name, "[self]\n");
        }

        const Settings::Location location = Settings::locate(bin());
        if (portable) {
            QCOMPARE(location.file, Settings::pathIn(bin()));
            QVERIFY(location.defaults.isEmpty());
        } else {
            QCOMPARE(location.file, user());
            QCOMPARE(QFileInfo(location.defaults).canonicalFilePath(),
                     QFileInfo(shipped()).canonicalFilePath());
        }
        QCOMPARE(Settings(location).path(), location.file);
    }

    // Until the first change the shipped file is read, and nothing is made.
    void readsTheShippedFile()
    {
        install();
        Settings s(Settings::locate(bin()));
        s.read();
        QCOMPARE(s.language(), QStringLiteral("ru"));
        QCOMPARE(s.dateFormat(), QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(s.lineColor(0), QColor(255, 0, 0));
        QCOMPARE(s.station({QStringLiteral("Observer")}).at(QStringLiteral("Observer")),
                 QStringLiteral("Shipped"));
        QCOMPARE(s.texts(QStringLiteral("ru")).text(LanguageTexts::Text::Cancel),
                 QStringLiteral("Отмена"));
        QVERIFY(!QFileInfo::exists(config()));
        checkInstallationUntouched();
    }

    void firstWriteCopiesTheShippedFile_data()
    {
        QTest::addColumn<int>("write");
        QTest::addColumn<QByteArray>("changedLine"); // the line that differs
        QTest::addColumn<QByteArray>("addedAfter");  // or the line a new one follows

        QTest::newRow("language") << int(Language) << QByteArray("Language=en") << QByteArray();
        QTest::newRow("line colour")
            << int(LineColor) << QByteArray("SH2=197121") << QByteArray("SH1=65280");
        QTest::newRow("background")
            << int(Background) << QByteArray("GBC=394500") << QByteArray("SH1=65280");
        QTest::newRow("grid") << int(AxisGrid) << QByteArray("GAGC=591879")
                              << QByteArray("SH1=65280");
        QTest::newRow("station") << int(StationValue) << QByteArray("Observer=Radio Ham")
                                 << QByteArray();
    }

    void firstWriteCopiesTheShippedFile()
    {
        QFETCH(int, write);
        QFETCH(QByteArray, changedLine);
        QFETCH(QByteArray, addedAfter);
        install();
        Settings s(Settings::locate(bin()));
        s.read();
        apply(s, write);

        // The user's file is the shipped one with the one line changed (or
        // added in its section), in the shipped file's line ends.
        QByteArray expected = Shipped;
        const QByteArray key = changedLine.left(changedLine.indexOf('=') + 1);
        if (addedAfter.isEmpty()) {
            const qsizetype at = expected.indexOf("\n" + key) + 1;
            QVERIFY(at > 0);
            expected.replace(at, expected.indexOf('\r', at) - at, changedLine);
        } else {
            const qsizetype at = expected.indexOf(addedAfter + "\r\n") + addedAfter.size() + 2;
            expected.insert(at, changedLine + "\r\n");
        }
        QCOMPARE(bytesOf(user()), expected);
        checkInstallationUntouched();

        // The configuration folder made for the user alone.
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(QFileInfo(user()).absolutePath()).permissions() & others,
                 QFile::Permissions());

        // A new start reads the user's file: the change and the shipped rest.
        Settings again(Settings::locate(bin()));
        again.read();
        QCOMPARE(again.station({QStringLiteral("Observer")}).at(QStringLiteral("Observer")),
                 write == StationValue ? QStringLiteral("Radio Ham") : QStringLiteral("Shipped"));
        QCOMPARE(again.language(), write == Language ? QStringLiteral("en") : QStringLiteral("ru"));
    }

    // The window's own records (its place, the recent files and the
    // folders) are written as every other setting: into the user's copy,
    // never into the installation.
    void windowRecordsGoToTheUsersFile_data()
    {
        QTest::addColumn<bool>("place");
        QTest::newRow("window place") << true;
        QTest::newRow("recent files and folders") << false;
    }

    void windowRecordsGoToTheUsersFile()
    {
        QFETCH(bool, place);
        install();
        {
            Settings s(Settings::locate(bin()));
            s.read();
            if (place)
                s.setWindowPlace("geometry", "state", 2);
            else
                s.setRecentFiles({QStringLiteral("/d/gem.txt")}, {{"Open", "/d"}});
        }
        checkInstallationUntouched();
        QVERIFY(bytesOf(user()).startsWith(Shipped.left(Shipped.indexOf("[ru]"))));

        Settings again(Settings::locate(bin()));
        again.read();
        QCOMPARE(again.language(), QStringLiteral("ru")); // the shipped rest kept
        if (place) {
            QCOMPARE(again.windowGeometry(), QByteArray("geometry"));
            QCOMPARE(again.page(), 2);
        } else {
            QCOMPARE(again.recentFiles(), QStringList({QStringLiteral("/d/gem.txt")}));
            QCOMPARE(again.lastFolder(QStringLiteral("Open")), QStringLiteral("/d"));
        }
    }

    // Once the user has a file, later writes change it alone and a changed
    // shipped file (an upgrade) no longer shows.
    void laterWritesKeepTheUsersFile()
    {
        install();
        Settings s(Settings::locate(bin()));
        s.read();
        s.setLineColor(2, QColor(1, 2, 3));
        const QByteArray first = bytesOf(user());

        writeBytes(shipped(), QByteArray(Shipped).replace("SH0=255", "SH0=16711680"));
        Settings next(Settings::locate(bin()));
        next.read();
        QCOMPARE(next.lineColor(0), QColor(255, 0, 0));
        next.setBackground(QColor(4, 5, 6));
        QCOMPARE(bytesOf(user()),
                 QByteArray(first).replace("SH2=197121\r\n", "SH2=197121\r\nGBC=394500\r\n"));
        QCOMPARE(listing(bin()), QStringList{"vexlor"});
    }

    // A configuration folder that cannot be made: the write fails in words
    // naming the user's file, and nothing is written anywhere else.
    void failedFirstWrite()
    {
        install();
        writeBytes(config(), "a file where the folder should be");
        Settings s(Settings::locate(bin()));
        s.read();
        try {
            s.setLineColor(1, QColor(1, 2, 3));
            QFAIL("the write did not fail");
        } catch (const EIniFileError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("Unable to write to %1: ")
                                             .arg(QDir::toNativeSeparators(user()))),
                     qPrintable(e.text()));
        }
        QCOMPARE(s.lineColor(1), QColor(0, 255, 0)); // the kept value unchanged
        QCOMPARE(bytesOf(config()), QByteArray("a file where the folder should be"));
        checkInstallationUntouched();
        s.read();
        QCOMPARE(s.language(), QStringLiteral("ru"));
    }

    // An installation without its shipped file: the built-in values, and a
    // first write that makes a file of that key alone.
    void shippedFileMissing()
    {
        install(QByteArray());
        Settings s(Settings::locate(bin()));
        s.read();
        QCOMPARE(s.language(), QString());
        QCOMPARE(s.lineColor(0), QColor(0, 0, 255));
        s.setLanguage(QStringLiteral("ru"));
        QCOMPARE(bytesOf(user()), QByteArray("[self]\r\nLanguage=ru\r\n"));
        QCOMPARE(listing(m_dir.filePath(QStringLiteral("prefix"))),
                 QStringList({"bin", "bin/vexlor", "share", "share/vexlor"}));
    }

    // vexlor-fit reads the dates in the format of the file the rule
    // chooses, and writes nothing beside itself.
    void vexlorFitFollowsTheRule_data()
    {
        QTest::addColumn<QByteArray>("beside");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QByteArray>("userFile");
        QTest::addColumn<bool>("reads");

        const QByteArray iso = "[self]\nDateFormat=yyyy-MM-dd\n";
        const QByteArray dotted = "[self]\nDateFormat=dd.MM.yyyy\n";
        QTest::newRow("installed: the shipped dd.MM.yyyy")
            << QByteArray() << false << QByteArray() << false;
        QTest::newRow("installed: the user's yyyy-MM-dd") << QByteArray() << false << iso << true;
        QTest::newRow("installed: the user's dd.MM.yyyy")
            << QByteArray() << false << dotted << false;
        QTest::newRow("portable: the file beside") << iso << false << dotted << true;
        QTest::newRow("portable: the marker and the file beside") << iso << true << dotted << true;
    }

    void vexlorFitFollowsTheRule()
    {
        QFETCH(QByteArray, beside);
        QFETCH(bool, marker);
        QFETCH(QByteArray, userFile);
        QFETCH(bool, reads);
        install();
        const QString fit = bin() + QStringLiteral("/vexlor-fit");
        QVERIFY(QFile::copy(QStringLiteral(VEXLOR_FIT), fit));
        QStringList expectedBin{"vexlor", "vexlor-fit"};
        if (!beside.isNull()) {
            writeBytes(Settings::pathIn(bin()), beside);
            expectedBin << "VEXLOR.ini";
        }
        if (marker) {
            writeBytes(bin() + u'/' + Settings::portableMarker(), QByteArray());
            expectedBin << Settings::portableMarker();
        }
        if (!userFile.isNull())
            writeBytes(user(), userFile);
        const QString table = m_dir.filePath(QStringLiteral("table.txt"));
        QByteArray text = "Date\t\tHour\tSum\r\n";
        for (int day = 1; day <= 3; ++day)
            for (int hour = 0; hour < 24; ++hour)
                text += QStringLiteral("2009-02-0%1\t%2\t%3\r\n")
                            .arg(day)
                            .arg(hour)
                            .arg(10 + (day == 2 && hour > 8 ? 40 : hour % 3))
                            .toUtf8();
        writeBytes(table, text);

        QProcess p;
        p.start(fit, {table, QStringLiteral("--from"), QStringLiteral("2009-02-01"),
                      QStringLiteral("--to"), QStringLiteral("2009-02-03")});
        QVERIFY(p.waitForFinished(60000));
        const QByteArray out = p.readAllStandardOutput();
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(p.exitCode() == (reads ? 0 : 1), err.constData());
        QCOMPARE(out.startsWith("rows 72\n"), reads);
        if (!reads)
            QVERIFY2(err.contains("2009-02-01"), err.constData());
        expectedBin.sort();
        QCOMPARE(listing(bin()), expectedBin);
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settingslocation.moc"
