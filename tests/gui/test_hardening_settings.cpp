// The settings file shared by several writers and given values a read
// would change, and dates whose format has a two-digit year: what the user
// wrote comes back, or is refused in words.
#include "WindowFixture.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/IniFile.h"
#include "files/ObserverFiles.h"
#include "table/GridModel.h"

#include <QAction>
#include <QTest>

#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QString writeBytes(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("VEXLOR.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

// Writes keys <prefix>0 ... <prefix>count-1 of section self, each through a
// fresh object as the window's commands do.
void writeKeys(const QString &path, char prefix, int count)
{
    for (int k = 0; k < count; ++k)
        IniFile(path).writeString(QStringLiteral("self"), QStringLiteral("%1%2").arg(prefix).arg(k),
                                  QStringLiteral("v%1").arg(k));
}

} // namespace

class TestHardeningSettings : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { DateConv::setFormat({}); }

    // Two writers of many keys at once: every key of both survives.
    void concurrentWritersKeepEveryKey_data()
    {
        QTest::addColumn<bool>("processes");
        QTest::newRow("two threads") << false;
        QTest::newRow("two processes") << true;
    }
    void concurrentWritersKeepEveryKey()
    {
        QFETCH(bool, processes);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, "[self]\r\nLanguage=en\r\n[en]\r\nM1=File\r\n");
        constexpr int Keys = 200;
        if (processes) {
            const pid_t child = ::fork();
            if (child == 0) {
                try {
                    writeKeys(path, 'B', Keys);
                } catch (...) {
                    _exit(1);
                }
                _exit(0);
            }
            QVERIFY(child > 0);
            writeKeys(path, 'A', Keys);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        } else {
            std::thread other([&] { writeKeys(path, 'B', Keys); });
            writeKeys(path, 'A', Keys);
            other.join();
        }
        const IniFile ini(path);
        for (const char prefix : {'A', 'B'})
            for (int k = 0; k < Keys; ++k)
                QCOMPARE(ini.readString("self", QStringLiteral("%1%2").arg(prefix).arg(k), "lost"),
                         QStringLiteral("v%1").arg(k));
        QCOMPARE(ini.readString("en", "M1", {}), QStringLiteral("File"));
        QCOMPARE(ini.readString("self", "Language", {}), QStringLiteral("en"));
    }

    // A value comes back exactly as written, in either code page.
    void valuesComeBackAsWritten_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value");
        const QByteArray utf8 = "[station]\r\nCity=x\r\n";
        const QByteArray cp1251 = "[ru]\r\nM1=\xD4\xE0\xE9\xEB\r\n[station]\r\nCity=x\r\n";
        QTest::newRow("blanks at the ends") << utf8 << "  Ondřejov  ";
        QTest::newRow("enclosing quotes") << utf8 << "\"Radio Ham\"";
        QTest::newRow("enclosing single quotes") << utf8 << "'x'";
        QTest::newRow("a quote at one end") << utf8 << "\"open";
        QTest::newRow("quotes and blanks") << utf8 << " \"a\" ";
        QTest::newRow("letters of any script, UTF-8") << utf8 << "Ωμέγα 観測所 Обсерватория";
        QTest::newRow("Cyrillic, Windows-1251") << cp1251 << "Обсерватория  ";
        QTest::newRow("the longest value") << utf8 << QString(IniFile::MaxValueLength, u'w');
        QTest::newRow("empty") << utf8 << "";
    }
    void valuesComeBackAsWritten()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, file);
        IniFile(path).writeString("station", "City", value);
        QCOMPARE(IniFile(path).readString("station", "City", "none"), value);
        // The rest of the file keeps its bytes.
        const QByteArray after = bytesOf(path);
        QVERIFY(after.startsWith(file.left(file.indexOf("City="))));
    }

    // What a read would not give back is refused, and the file stays.
    void valuesRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reason");
        const QByteArray cp1251 = "[ru]\r\nM1=\xD4\xE0\xE9\xEB\r\n[station]\r\nCity=x\r\n";
        QTest::newRow("longer than a setting holds")
            << QByteArray("[station]\r\n") << QString(IniFile::MaxValueLength + 1, u'w')
            << "has 2048 characters; a setting holds at most 2047";
        QTest::newRow("a line break") << QByteArray("[station]\r\n") << "a\nb"
                                      << "holds a line break";
        QTest::newRow("Greek in a Windows-1251 file") << cp1251 << "Ωμέγα"
                                                      << "kept in the Windows-1251 code page";
        QTest::newRow("a file past its size")
            << "[station]\r\n" + QByteArray(IniFile::MaxFileSize - 100, ';') + "\r\n"
            << QString(200, u'w') << "would grow past 16 MB";
    }
    void valuesRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, file);
        try {
            IniFile(path).writeString("station", "City", value);
            QFAIL("written");
        } catch (const EIniFileError &e) {
            QVERIFY2(e.text().startsWith("Unable to write to ") && e.text().contains(reason),
                     qPrintable(e.text()));
        }
        QCOMPARE(bytesOf(path), file);
    }

    // The Station dialog keeps what was typed, blanks and quotes included.
    void stationKeepsWhatWasTyped()
    {
        WindowFixture f;
        TfrmMain &w = f.open(WindowFixture::sampleIni("en"));
        f.dialogs.formAnswers.push_back([](QStringList values) {
            values[0] = QStringLiteral("  \"Radio  Ham\" ");
            return std::optional<QStringList>(values);
        });
        w.Station1->trigger();
        QCOMPARE(f.dialogs.errors, QStringList());
        QCOMPARE(IniFile(w.settingsPath()).readString("station", "Observer", {}),
                 QStringLiteral("  \"Radio  Ham\" "));
    }

    // With a two-digit-year format every date keeps its century: the years
    // two digits name are written so, the others with four digits.
    void twoDigitYears_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("2025") << QDate(2025, 5, 6) << "06.05.25";
        QTest::newRow("1950, the first of two digits") << QDate(1950, 1, 1) << "01.01.50";
        QTest::newRow("2049, the last of two digits") << QDate(2049, 12, 31) << "31.12.49";
        QTest::newRow("29 February 2000") << QDate(2000, 2, 29) << "29.02.00";
        QTest::newRow("1925") << QDate(1925, 5, 6) << "06.05.1925";
        QTest::newRow("2071") << QDate(2071, 5, 6) << "06.05.2071";
        QTest::newRow("1900, no leap year") << QDate(1900, 2, 28) << "28.02.1900";
    }
    void twoDigitYears()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        DateConv::setFormat(QStringLiteral("dd.MM.yy"));
        QCOMPARE(DateConv::toText(date), text);
        QCOMPARE(DateConv::fromText(text), std::optional<QDate>(date));
        QVERIFY(!DateConv::fromText(QStringLiteral("30.02.25")));
    }

    // Imported 2025 hours keep their year through the table's texts, so
    // the report's solar longitude is that of 2025.
    void importKeepsTheCentury()
    {
        DateConv::setFormat(QStringLiteral("dd.MM.yy"));
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("RMOB-202505.dat")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("2025050603 , 03 , 17\n1925050603 , 03 , 5\n");
        f.close();
        const ObserverFiles::Merged m = ObserverFiles::import({f.fileName()});
        QCOMPARE(m.rows.size(), size_t(2));
        QCOMPARE(DateConv::fromText(m.rows[0].cell(0)), std::optional<QDate>(QDate(1925, 5, 6)));
        QCOMPARE(DateConv::fromText(m.rows[1].cell(0)), std::optional<QDate>(QDate(2025, 5, 6)));
    }
};

QTEST_MAIN(TestHardeningSettings)
#include "test_hardening_settings.moc"
