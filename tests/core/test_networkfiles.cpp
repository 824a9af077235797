// The network's files: a set of files written all or nothing.
#include "app/SafeSave.h"
#include "tests/SmallDisk.h"

#include <QDir>
#include <QFile>
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
};

QTEST_GUILESS_MAIN(TestNetworkFiles)
#include "test_networkfiles.moc"
