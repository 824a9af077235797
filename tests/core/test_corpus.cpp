// Replays the committed fuzz corpus through the readers, so that a fault the
// fuzzers once found cannot come back.
#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        const QDir root(QStringLiteral(VEXLOR_TEST_DATA "/../../fuzz/corpus"));
        for (const char *target :
             {"text", "ini", "xlsx", "ods", "fit", "xls", "start", "observer", "paste"}) {
            const QDir dir(root.filePath(QLatin1String(target)));
            const QStringList files = dir.entryList(QDir::Files, QDir::Name);
            QVERIFY2(!files.isEmpty(), target);
            for (const QString &f : files)
                QTest::addRow("%s/%s", target, qPrintable(f)) << QString(target) << dir.filePath(f);
        }
    }
    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        // Each body aborts when a promise of its reader breaks.
        if (target == "text")
            Fuzz::textFile(bytes);
        else if (target == "ini")
            Fuzz::iniFile(bytes);
        else if (target == "xlsx")
            Fuzz::xlsx(bytes);
        else if (target == "ods")
            Fuzz::ods(bytes);
        else if (target == "xls")
            Fuzz::xls(bytes);
        else if (target == "start")
            Fuzz::settingsStart(bytes);
        else if (target == "observer")
            Fuzz::observerFile(bytes);
        else if (target == "paste")
            Fuzz::paste(bytes);
        else
            Fuzz::tableFit(bytes);
    }
};

QTEST_GUILESS_MAIN(TestCorpus)
#include "test_corpus.moc"
