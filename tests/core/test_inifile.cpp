// The settings file: reading rules, byte-exact writes, failed writes.
#include "app/Errors.h"
#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("VEXLOR.ini"))
    {
        QString path = m_dir.filePath(name);
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

private slots:
    void readString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[self]\nLanguage=en\n") << "self"
                               << "Language"
                               << "en";
        QTest::newRow("case of section and key") << QByteArray("[SELF]\nlanguage=ru\n") << "self"
                                                 << "LANGUAGE"
                                                 << "ru";
        QTest::newRow("blanks around") << QByteArray("[self]\n  Language =   en  \r\n") << "self"
                                       << "Language"
                                       << "en";
        QTest::newRow("double quotes") << QByteArray("[s]\nk=\" a b \"\n") << "s"
                                       << "k"
                                       << " a b ";
        QTest::newRow("single quotes") << QByteArray("[s]\nk='x'\n") << "s"
                                       << "k"
                                       << "x";
        QTest::newRow("unmatched quotes kept") << QByteArray("[s]\nk=\"x'\n") << "s"
                                               << "k"
                                               << "\"x'";
        QTest::newRow("inner quotes kept") << QByteArray("[s]\nk=Koef. \"a\"\n") << "s"
                                           << "k"
                                           << "Koef. \"a\"";
        QTest::newRow("empty value") << QByteArray("[s]\nk=\n") << "s"
                                     << "k"
                                     << "";
        QTest::newRow("missing key") << QByteArray("[s]\nj=1\n") << "s"
                                     << "k"
                                     << "default";
        QTest::newRow("key of another section") << QByteArray("[a]\nk=1\n[s]\nj=2\n") << "s"
                                                << "k"
                                                << "default";
        QTest::newRow("section header with blanks") << QByteArray(" [ s ] \nk=v\n") << "s"
                                                    << "k"
                                                    << "v";
        QTest::newRow("no final line end") << QByteArray("[s]\nk=v") << "s"
                                           << "k"
                                           << "v";
        QTest::newRow("equals sign in value") << QByteArray("[s]\nk=a=b\n") << "s"
                                              << "k"
                                              << "a=b";
    }
    void readString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        IniFile ini(write(file));
        QCOMPARE(ini.readString(section, key, QStringLiteral("default")), expected);
    }

    void valueIsCutAt2047Characters()
    {
        QByteArray value(3000, 'x');
        IniFile ini(write("[s]\nk=" + value + "\n"));
        QCOMPARE(ini.readString("s", "k", {}).size(), 2047);
    }

    void missingFileGivesDefaults()
    {
        IniFile ini(m_dir.filePath("none.ini"));
        QCOMPARE(ini.readString("self", "Language", "zz"), QString("zz"));
        QCOMPARE(ini.readInteger("self", "SH0", 16711680), 16711680);
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "255" << 255;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("0x") << "0xFF0000" << 16711680;
        QTest::newRow("0X") << "0XFF0000" << 16711680;
        QTest::newRow("dollar") << "$FF0000" << 16711680;
        QTest::newRow("hex digits without prefix") << "FF0000" << 12345;
        QTest::newRow("words") << "blue" << 12345;
        QTest::newRow("empty") << "" << 12345;
        QTest::newRow("fraction") << "1.5" << 12345;
        QTest::newRow("too large") << "99999999999" << 12345;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
        QTest::newRow("just over") << "2147483648" << 12345;
        QTest::newRow("full 32-bit hex") << "$FFFFFFFF" << -1;
        QTest::newRow("quoted") << "\"42\"" << 42;
    }
    void readInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        IniFile ini(write("[self]\nGAGC=" + value.toUtf8() + "\n"));
        QCOMPARE(ini.readInteger("self", "GAGC", 12345), expected);
    }

    void writeKeepsEveryOtherByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace in place, CR LF kept")
            << QByteArray("; comment\r\n[self]\r\nSH0=1\r\nGBC = 2\r\n\r\n[en]\r\nM1=&File\r\n")
            << QByteArray("; comment\r\n[self]\r\nSH0=1\r\nGBC=255\r\n\r\n[en]\r\nM1=&File\r\n");
        QTest::newRow("add to its section, before blank line")
            << QByteArray("[self]\nSH0=1\n\n[en]\nM1=x\n")
            << QByteArray("[self]\nSH0=1\nGBC=255\n\n[en]\nM1=x\n");
        QTest::newRow("add a section at the end")
            << QByteArray("[en]\r\nM1=x\r\n")
            << QByteArray("[en]\r\nM1=x\r\n[self]\r\nGBC=255\r\n");
        QTest::newRow("file without final line end")
            << QByteArray("[self]\nSH0=1") << QByteArray("[self]\nSH0=1\nGBC=255\n");
        QTest::newRow("last line ends with a lone CR")
            << QByteArray("[self]\r") << QByteArray("[self]\r\nGBC=255\r\n");
        QTest::newRow("section name in other case")
            << QByteArray("[SELF]\ngbc=1\n") << QByteArray("[SELF]\nGBC=255\n");
    }
    void writeKeepsEveryOtherByte()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QString path = write(before);
        IniFile(path).writeInteger("self", "GBC", 255);
        QCOMPARE(bytesOf(path), after);
    }

    void writeCreatesTheFile()
    {
        QString path = m_dir.filePath("new.ini");
        IniFile(path).writeString("self", "Language", "ru");
        QCOMPARE(bytesOf(path), QByteArray("[self]\r\nLanguage=ru\r\n"));
        QCOMPARE(IniFile(path).readString("self", "Language", {}), QString("ru"));
    }

    void windows1251FileKeepsItsBytes()
    {
        // "Файл" in Windows-1251, and a key written beside it.
        QByteArray cyr("\xD4\xE0\xE9\xEB");
        QString path = write("[ru]\r\nM1=" + cyr + "\r\n[self]\r\nLanguage=en\r\n");
        IniFile ini(path);
        QCOMPARE(ini.readString("ru", "M1", {}), QString::fromUtf8("Файл"));
        ini.writeString("self", "Language", "ru");
        QCOMPARE(bytesOf(path), QByteArray("[ru]\r\nM1=" + cyr + "\r\n[self]\r\nLanguage=ru\r\n"));
    }

    void utf8FileReadsAsUtf8()
    {
        IniFile ini(write("[ru]\nM1=Файл\n"));
        QCOMPARE(ini.readString("ru", "M1", {}), QString::fromUtf8("Файл"));
    }

    void failedWriteReportsThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing directory")
            << m_dir.filePath("missing/VEXLOR.ini")
            << QString("the folder %1 does not exist")
                   .arg(QDir::toNativeSeparators(m_dir.filePath("missing")));
        QTest::newRow("directory in place of the file")
            << m_dir.filePath("adir") << QString("it is a directory");
    }
    void failedWriteReportsThePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QDir(m_dir.path()).mkpath("adir");
        try {
            IniFile(path).writeInteger("self", "GBC", 1);
            QFAIL("the write did not fail");
        } catch (const EIniFileError &e) {
            QCOMPARE(
                e.text(),
                QString("Unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason));
        }
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
