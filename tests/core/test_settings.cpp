// The settings and the language texts: typed values with their defaults,
// one reading for all of them, writes, and the shipped file's texts.
#include "app/Colors.h"
#include "app/Errors.h"
#include "app/LanguageTexts.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray &bytes)
    {
        const QString path = Settings::pathIn(m_dir.path());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    // The keys and values of one section of the shipped settings file.
    static QHash<QString, QString> shippedSection(const QString &name)
    {
        QFile f(QStringLiteral(VEXLOR_TEST_DATA "/../../resources/VEXLOR.ini"));
        f.open(QIODevice::ReadOnly);
        QHash<QString, QString> out;
        bool in = false;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n')) {
            const QString t = line.trimmed();
            if (t.startsWith(u'[')) {
                in = t == u'[' + name + u']';
                continue;
            }
            const qsizetype eq = t.indexOf(u'=');
            if (in && eq > 0)
                out.insert(t.left(eq), t.mid(eq + 1));
        }
        return out;
    }

private slots:
    void init() { QFile::remove(Settings::pathIn(m_dir.path())); }

    void values_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<QColor>("line0");
        QTest::addColumn<QColor>("line3");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("grid");
        const QColor blue(0, 0, 255), green(0, 128, 0), white(255, 255, 255), black(0, 0, 0);
        QTest::newRow("no file") << QByteArray() << ""
                                 << "" << blue << green << white << black;
        QTest::newRow("all set")
            << QByteArray("[self]\nLanguage=ru\nDateFormat=yyyy-MM-dd\nSH0=255\nSH3=$FF00\n"
                          "GBC=0x0000FF\nGAGC=65280\n")
            << "ru"
            << "yyyy-MM-dd" << QColor(255, 0, 0) << QColor(0, 255, 0) << QColor(255, 0, 0)
            << QColor(0, 255, 0);
        QTest::newRow("unreadable colours give the defaults")
            << QByteArray("[SELF]\nsh0=red\nSH3=FF00\nGBC=\nGAGC=1.5\n") << ""
            << "" << blue << green << white << black;
        QTest::newRow("another section's keys are not ours")
            << QByteArray("[en]\nLanguage=en\nSH0=255\n") << ""
            << "" << blue << green << white << black;
    }
    void values()
    {
        QFETCH(QByteArray, file);
        if (!file.isNull())
            write(file);
        Settings s(Settings::pathIn(m_dir.path()));
        s.read();
        QTEST(s.language(), "language");
        QTEST(s.dateFormat(), "dateFormat");
        QTEST(s.lineColor(0), "line0");
        QTEST(s.lineColor(3), "line3");
        QTEST(s.background(), "background");
        QTEST(s.axisGrid(), "grid");
        QCOMPARE(s.lineColors().size(), size_t(Settings::Lines));
        QCOMPARE(s.lineColors()[3], s.lineColor(3));
    }

    void oneReadingServesValuesAndTexts()
    {
        write("[self]\nLanguage=de\nGBC=255\n[de]\nX2=Abbrechen\nMSG1=eins\nM1=Datei\nM10=Neu\n"
              "M111=Ende\nPC2=GRAFIK\nTB5=Start\nSG13=Rest\nSG2=\n");
        Settings s(Settings::pathIn(m_dir.path()));
        s.read();
        // The file changes after the reading: nothing read from it shows.
        write("[self]\nLanguage=ru\n[de]\nX2=changed\nMSG1=changed\n");
        const LanguageTexts texts = s.texts(s.language());
        QCOMPARE(s.language(), QString("de"));
        QCOMPARE(texts.text(LanguageTexts::Text::Cancel), QString("Abbrechen"));
        QCOMPARE(texts.message(1), QString("eins"));
        QCOMPARE(texts.menu(1), QString("Datei"));
        // A copy answers from the same reading.
        const LanguageTexts copy = texts;
        QCOMPARE(copy.value("m1"), QString("Datei"));
        QCOMPARE(copy.menu(1, 0), QString("Neu"));
        QCOMPARE(copy.menu(1, 11), QString("Ende"));
        QCOMPARE(copy.menu(2), QString());
        QCOMPARE(copy.tab(2), QString("GRAFIK"));
        QCOMPARE(copy.toolTip(5), QString("Start"));
        QCOMPARE(copy.header(13), QString("Rest"));
        QCOMPARE(copy.header(2), QString());
        // Reading again takes the file as it is now.
        s.read();
        QCOMPARE(s.language(), QString("ru"));
        QCOMPARE(s.texts("de").message(1), QString("changed"));
    }

    void writesKeepTheRestAndReadAnew()
    {
        const QString path = write("; mine\n[self]\nLanguage=en\n[station]\nObserver=A\n");
        Settings s(path);
        s.read();
        s.setLineColor(2, QColor(1, 2, 3));
        s.setBackground(QColor(0, 0, 255));
        s.setAxisGrid(QColor(255, 0, 0));
        s.setLanguage("ru");
        s.setStationValue("City", "Kyiv");
        QCOMPARE(s.lineColor(2), QColor(1, 2, 3));
        QCOMPARE(s.language(), QString("ru"));
        QCOMPARE(bytesOf(path), QByteArray("; mine\n[self]\nLanguage=ru\nSH2=197121\nGBC=16711680\n"
                                           "GAGC=255\n[station]\nObserver=A\nCity=Kyiv\n"));
        const Settings::Station station = s.station({"Observer", "City", "Email"});
        QCOMPARE(station.at("Observer"), QString("A"));
        QCOMPARE(station.at("City"), QString("Kyiv"));
        QCOMPARE(station.at("Email"), QString());
    }

    void aFailedWriteChangesNothingKept()
    {
        const QString path = Settings::pathIn(m_dir.path());
        QVERIFY(QDir(m_dir.path()).mkdir("VEXLOR.ini"));
        Settings s(path);
        s.read(); // a folder reads as no file
        QCOMPARE(s.background(), QColor(255, 255, 255));
        try {
            s.setBackground(QColor(1, 1, 1));
            QFAIL("the write must fail");
        } catch (const EIniFileError &e) {
            QCOMPARE(e.text(), QString("Unable to write to %1: it is a directory")
                                   .arg(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(s.background(), QColor(255, 255, 255));
        QDir(m_dir.path()).rmdir("VEXLOR.ini");
    }

    void textsOfASection_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("observed");
        QTest::addColumn<QString>("message2");
        QTest::newRow("no language") << QByteArray("[en]\nX2=Stop\nL8=Seen\nMSG2=two\n") << ""
                                     << "Cancel"
                                     << "Observed"
                                     << "";
        QTest::newRow("keys of the section")
            << QByteArray("[en]\nX2=Stop\nL8=Seen\nMSG2=two\n") << "EN"
            << "Stop"
            << "Seen"
            << "two";
        QTest::newRow("missing keys give English, messages empty")
            << QByteArray("[ru]\nM1=x\n") << "ru"
            << "Cancel"
            << "Observed"
            << "";
        QTest::newRow("present but empty stays empty")
            << QByteArray("[ru]\nX2=\nL8=\nMSG2=\n") << "ru"
            << ""
            << ""
            << "";
    }
    void textsOfASection()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, code);
        write(file);
        Settings s(Settings::pathIn(m_dir.path()));
        s.read();
        const LanguageTexts texts = s.texts(code);
        QCOMPARE(texts.code(), code);
        QTEST(texts.text(LanguageTexts::Text::Cancel), "cancel");
        QTEST(texts.label(LanguageTexts::Label::Observed), "observed");
        QTEST(texts.message(2), "message2");
        QCOMPARE(texts.messages().size(), size_t(LanguageTexts::MessageCount));
    }

    // Plural groups take the form the number asks for: English's two, the
    // three of Russian; a group that does not fit is left as written.
    void plurals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("n");
        QTest::addColumn<QString>("expected");
        const QString en = QStringLiteral("%1 {1:row|rows}");
        const QString ru = QStringLiteral("%1 {1:строка|строки|строк}");
        QTest::newRow("en 1") << en << 1.0 << "%1 row";
        QTest::newRow("en 0") << en << 0.0 << "%1 rows";
        QTest::newRow("en 2") << en << 2.0 << "%1 rows";
        QTest::newRow("en 1.5") << en << 1.5 << "%1 rows";
        QTest::newRow("en 21") << en << 21.0 << "%1 rows";
        QTest::newRow("ru 1") << ru << 1.0 << "%1 строка";
        QTest::newRow("ru 3") << ru << 3.0 << "%1 строки";
        QTest::newRow("ru 5") << ru << 5.0 << "%1 строк";
        QTest::newRow("ru 11") << ru << 11.0 << "%1 строк";
        QTest::newRow("ru 12") << ru << 12.0 << "%1 строк";
        QTest::newRow("ru 21") << ru << 21.0 << "%1 строка";
        QTest::newRow("ru 22") << ru << 22.0 << "%1 строки";
        QTest::newRow("ru 111") << ru << 111.0 << "%1 строк";
        QTest::newRow("ru 0") << ru << 0.0 << "%1 строк";
        QTest::newRow("ru 2.8") << ru << 2.8 << "%1 строки";
        QTest::newRow("second number") << QStringLiteral("{2:a|b} {1:c|d}") << 1.0 << "b c";
        QTest::newRow("no such number") << QStringLiteral("{3:a|b}") << 1.0 << "{3:a|b}";
        QTest::newRow("one form") << QStringLiteral("{1:a} x") << 1.0 << "{1:a} x";
        QTest::newRow("not closed") << QStringLiteral("x {1:a|b") << 1.0 << "x {1:a|b";
        QTest::newRow("braces alone") << QStringLiteral("{} {x}") << 1.0 << "{} {x}";
    }
    void plurals()
    {
        QFETCH(QString, text);
        QFETCH(double, n);
        QTEST(LanguageTexts::plurals(text, {n, 2}), "expected");
    }

    // Numbers take the language's decimal separator; without a language
    // (vexlor-fit) a point, and never a group separator.
    void numbersOfTheLanguage()
    {
        QCOMPARE(LanguageTexts().locale().toString(12345.5, 'f', 1), QString("12345.5"));
        const QByteArray ini = "[ru]\nX2=Отмена\n[en]\nX2=Cancel\n";
        const QString path = QDir(m_dir.path()).filePath("plural.ini");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();
        const IniFile file(path);
        QCOMPARE(LanguageTexts(file, "ru").locale().toString(12345.5, 'f', 1), QString("12345,5"));
        QCOMPARE(LanguageTexts(file, "en").locale().toString(12345.5, 'f', 1), QString("12345.5"));
    }

    void builtInEnglishIsTheShippedEnglish()
    {
        // The English texts stand in the program and in the sample file;
        // both must say the same, and Russian must have every one of them.
        const QHash<QString, QString> en = shippedSection("en"), ru = shippedSection("ru");
        for (int n = 1; n <= LanguageTexts::TextCount; ++n) {
            const QString key = QStringLiteral("X%1").arg(n);
            const auto text = LanguageTexts::Text(n);
            QVERIFY2(en.contains(key), qPrintable(key));
            QCOMPARE(en[key], LanguageTexts::english(text));
            QVERIFY2(!ru.value(key).isEmpty(), qPrintable(key));
            // The same placeholders in both languages.
            static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
            QStringList inEnglish, inRussian;
            for (const auto &m : placeholder.globalMatch(en[key]))
                inEnglish << m.captured();
            for (const auto &m : placeholder.globalMatch(ru[key]))
                inRussian << m.captured();
            inEnglish.sort();
            inRussian.sort();
            QVERIFY2(inEnglish == inRussian, qPrintable(key));
            // Plural groups: English's two forms, Russian's three, for the
            // same numbers.
            static const QRegularExpression group(QStringLiteral("\\{(\\d+):([^}]*)\\}"));
            QStringList englishGroups, russianGroups;
            for (const auto &m : group.globalMatch(en[key])) {
                QVERIFY2(m.captured(2).count(u'|') == 1, qPrintable(key));
                englishGroups << m.captured(1);
            }
            for (const auto &m : group.globalMatch(ru[key])) {
                QVERIFY2(m.captured(2).count(u'|') == 2, qPrintable(key));
                russianGroups << m.captured(1);
            }
            englishGroups.removeDuplicates();
            russianGroups.removeDuplicates();
            englishGroups.sort();
            russianGroups.sort();
            QVERIFY2(englishGroups == russianGroups, qPrintable(key));
        }
        QVERIFY(!en.contains(QStringLiteral("X%1").arg(LanguageTexts::TextCount + 1)));
        for (int n = 1; n <= LanguageTexts::LabelCount; ++n)
            QVERIFY(!LanguageTexts::english(LanguageTexts::Label(n)).isEmpty());
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
