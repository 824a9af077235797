// cmake --install into a temporary DESTDIR: every file where the desktop
// and Debian look for it and nothing else, a desktop entry and file types
// that agree with each other and with what the desktop's MIME database
// makes of the observers' file names, and installed programs that run from
// there with the shipped settings and write nothing into the installation.
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString AppId = QStringLiteral("org.vexlor.Vexlor");

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listing(const QString &dir, QDir::Filters filters = QDir::Files)
{
    QStringList out;
    QDirIterator it(dir, filters | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

// The keys of the [Desktop Entry] group.
QHash<QString, QString> entryKeys(const QByteArray &bytes)
{
    QHash<QString, QString> out;
    bool in = false;
    for (const QString &line : QString::fromUtf8(bytes).split(u'\n')) {
        if (line.startsWith(u'['))
            in = line == QLatin1String("[Desktop Entry]");
        else if (const qsizetype eq = line.indexOf(u'='); in && eq > 0)
            out.insert(line.left(eq), line.mid(eq + 1));
    }
    return out;
}

// A gzip member's first bytes: the magic number and deflate.
bool isGzip(const QByteArray &bytes)
{
    return bytes.startsWith("\x1f\x8b\x08");
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root; // the DESTDIR
    QString usr(const QString &path) const { return m_root + QStringLiteral("/usr/") + path; }
    static QString source(const QString &path)
    {
        return QStringLiteral(VEXLOR_TEST_DATA "/../../") + path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = m_dir.filePath(QStringLiteral("root"));
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_root);
        install.setProcessEnvironment(env);
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(VEXLOR_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(VEXLOR_BUILD_DIR),
                       QStringLiteral("--prefix"), QStringLiteral("/usr")});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());

        // The desktop's MIME database: the installed types before the
        // system's, and no user's own.
        qputenv("XDG_DATA_DIRS", (usr(QStringLiteral("share")) + u':' +
                                  qEnvironmentVariable("XDG_DATA_DIRS", "/usr/share"))
                                     .toUtf8());
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data-home")).toUtf8());
    }

    void tree_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sameAs"); // a source file it is a copy of
        QTest::addColumn<QString>("mode");   // "exe", "file", "gzip"

        QTest::newRow("program") << "bin/vexlor" << QString() << "exe";
        QTest::newRow("vexlor-fit") << "bin/vexlor-fit" << QString() << "exe";
        QTest::newRow("shipped settings") << "share/vexlor/VEXLOR.ini"
                                          << "resources/VEXLOR.ini"
                                          << "file";
        for (const char *sample :
             {"geminids_2008.txt", "perseids_2009.txt", "quadrantids_2009.txt"})
            QTest::newRow(sample) << QStringLiteral("share/vexlor/samples/%1").arg(sample)
                                  << QStringLiteral("resources/samples/%1").arg(sample) << "file";
        for (const char *language : {"en", "ru"})
            QTest::newRow(language)
                << QStringLiteral("share/doc/vexlor/manual.%1.html").arg(language)
                << QStringLiteral("resources/manual/manual.%1.html").arg(language) << "file";
        QTest::newRow("copyright") << "share/doc/vexlor/copyright"
                                   << "packaging/copyright"
                                   << "file";
        QTest::newRow("changelog") << "share/doc/vexlor/changelog.gz" << QString() << "gzip";
        for (const char *language : {"en", "ru"})
            QTest::newRow(qPrintable(QStringLiteral("doc-base %1").arg(language)))
                << QStringLiteral("share/doc-base/vexlor-manual-%1").arg(language) << QString()
                << "file";
        QTest::newRow("desktop entry") << "share/applications/" + AppId + ".desktop"
                                       << "packaging/" + AppId + ".desktop"
                                       << "file";
        QTest::newRow("metainfo") << "share/metainfo/" + AppId + ".metainfo.xml"
                                  << "packaging/" + AppId + ".metainfo.xml"
                                  << "file";
        QTest::newRow("file types") << "share/mime/packages/vexlor.xml"
                                    << "packaging/vexlor-mime.xml"
                                    << "file";
        QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/" + AppId + ".svg"
                              << "resources/icons/vexlor.svg"
                              << "file";
        QTest::newRow("man vexlor") << "share/man/man1/vexlor.1.gz" << QString() << "gzip";
        QTest::newRow("man vexlor-fit") << "share/man/man1/vexlor-fit.1.gz" << QString() << "gzip";
    }

    void tree()
    {
        QFETCH(QString, path);
        QFETCH(QString, sameAs);
        QFETCH(QString, mode);
        const QFileInfo info(usr(path));
        QVERIFY2(info.isFile() && !info.isSymLink(), qPrintable(path));
        if (!sameAs.isEmpty())
            QVERIFY(bytesOf(info.filePath()) == bytesOf(source(sameAs)));
        // Written by its owner (root, the package manager) alone.
        const QFile::Permissions othersWrite = QFile::WriteGroup | QFile::WriteOther;
        QCOMPARE(info.permissions() & othersWrite, QFile::Permissions());
        const QFile::Permissions executable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        if (mode == QLatin1String("exe"))
            QCOMPARE(info.permissions() & executable, executable);
        else
            QCOMPARE(info.permissions() & executable, QFile::Permissions());
        if (mode == QLatin1String("gzip"))
            QVERIFY(isGzip(bytesOf(info.filePath())));
    }

    // Nothing more: no settings file beside the programs (that would make
    // them portable and write into the installation), no libraries or
    // headers of the build, no tests.
    void nothingElse()
    {
        QStringList expected;
        for (const char *path :
             {"bin/vexlor", "bin/vexlor-fit", "share/vexlor/VEXLOR.ini",
              "share/vexlor/samples/geminids_2008.txt", "share/vexlor/samples/perseids_2009.txt",
              "share/vexlor/samples/quadrantids_2009.txt", "share/doc/vexlor/manual.en.html",
              "share/doc/vexlor/manual.ru.html", "share/doc/vexlor/copyright",
              "share/doc/vexlor/changelog.gz", "share/doc-base/vexlor-manual-en",
              "share/doc-base/vexlor-manual-ru", "share/applications/org.vexlor.Vexlor.desktop",
              "share/metainfo/org.vexlor.Vexlor.metainfo.xml", "share/mime/packages/vexlor.xml",
              "share/icons/hicolor/scalable/apps/org.vexlor.Vexlor.svg",
              "share/man/man1/vexlor.1.gz", "share/man/man1/vexlor-fit.1.gz"})
            expected << QStringLiteral("usr/") + QLatin1String(path);
        expected.sort();
        QCOMPARE(listing(m_root), expected);
    }

    // The desktop entry starts the program with the files it was given,
    // under the icon installed, for the types the file type list defines.
    void desktopEntry()
    {
        const auto entry = entryKeys(bytesOf(usr("share/applications/" + AppId + ".desktop")));
        QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("vexlor %F"));
        QVERIFY(QFileInfo(usr(QStringLiteral("bin/") + entry.value(QStringLiteral("TryExec"))))
                    .isExecutable());
        QCOMPARE(entry.value(QStringLiteral("Categories")), QStringLiteral("Science;Astronomy;"));
        QVERIFY(QFileInfo::exists(usr(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg")
                                          .arg(entry.value(QStringLiteral("Icon"))))));

        QStringList claimed =
            entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
        QStringList defined;
        const QRegularExpression type(QStringLiteral("<mime-type type=\"([^\"]+)\""));
        for (const auto &m :
             type.globalMatch(QString::fromUtf8(bytesOf(usr("share/mime/packages/vexlor.xml")))))
            defined << m.captured(1);
        claimed.sort();
        defined.sort();
        QCOMPARE(claimed, defined);
        QCOMPARE(defined.size(), 3);

        // The AppStream data names the same entry and types.
        const QString metainfo =
            QString::fromUtf8(bytesOf(usr("share/metainfo/" + AppId + ".metainfo.xml")));
        QVERIFY(metainfo.contains(QStringLiteral("<id>%1</id>").arg(AppId)));
        QVERIFY(metainfo.contains(
            QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(AppId)));
        for (const QString &t : defined)
            QVERIFY2(metainfo.contains(QStringLiteral("<mediatype>%1</mediatype>").arg(t)),
                     qPrintable(t));
    }

    // What the desktop makes of the observers' files with the installed
    // types: the network's names in any letter case, and Vexlor's own table
    // by its header where its name does not say (a *.txt stays plain text
    // for the desktop, whose names decide before the content).
    void mimeTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("type");

        const QByteArray month = "dec| 00h| 01h|\r\n01|  12|  14|\r\n";
        const QByteArray hours = "2024080100 , 00 , 84\r\n";
        const QByteArray table =
            bytesOf(source(QStringLiteral("resources/samples/geminids_2008.txt")));
        QTest::newRow("monthly table")
            << "Lockyer_Observatory_012015rmob.txt" << month << "text/x-rmob-table";
        QTest::newRow("monthly table in capitals")
            << "Vsetin_112011rmob.TXT" << month << "text/x-rmob-table";
        QTest::newRow("hourly list") << "RMOB-202408.dat" << hours << "text/x-rmob-hourly";
        QTest::newRow("hourly list, two-digit year")
            << "RMOB-2408.DAT" << hours << "text/x-rmob-hourly";
        QTest::newRow("Vexlor's table without an extension")
            << "geminids" << table << "text/x-vexlor-table";
        QTest::newRow("other text without an extension")
            << "notes" << QByteArray("Date Hour\n") << "text/plain";
    }

    void mimeTypes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, type);
        const QString path = m_dir.filePath(QStringLiteral("files/") + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        QCOMPARE(QMimeDatabase().mimeTypeForFile(path).name(), type);
    }

    // The installed vexlor-fit finds the shipped settings from where it
    // lies: under the tests' locale (C.UTF-8) the samples' dates read only
    // in their DateFormat. Neither it nor its reading makes a file anywhere.
    void installedVexlorFit()
    {
        const QStringList before = listing(m_root, QDir::AllEntries);
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QProcess fit;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        fit.setProcessEnvironment(env);
        fit.start(usr(QStringLiteral("bin/vexlor-fit")),
                  {usr(QStringLiteral("share/vexlor/samples/geminids_2008.txt")),
                   QStringLiteral("--from"), QStringLiteral("10.12.2008"), QStringLiteral("--to"),
                   QStringLiteral("16.12.2008")});
        QVERIFY(fit.waitForFinished(60000));
        const QByteArray out = fit.readAllStandardOutput();
        QVERIFY2(fit.exitCode() == 0, fit.readAllStandardError().constData());
        QVERIFY2(out.startsWith("rows 168\n"), out.constData());
        QVERIFY(QRegularExpression(QStringLiteral("\ndO \\d"))
                    .match(QString::fromUtf8(out))
                    .hasMatch());
        QCOMPARE(listing(m_root, QDir::AllEntries), before);
        QVERIFY(!QFileInfo::exists(config));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
