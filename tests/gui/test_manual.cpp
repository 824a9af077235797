// The manual as the program ships it: both languages in the resources, the
// same sections in each, and every link inside a manual leading somewhere.
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextDocument>

namespace {

QString manual(const QString &language)
{
    QFile f(QStringLiteral(":/manual/manual.%1.html").arg(language));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QSet<QString> captures(const QString &text, const QString &pattern)
{
    QSet<QString> out;
    for (const auto &m : QRegularExpression(pattern).globalMatch(text))
        out.insert(m.captured(1));
    return out;
}

} // namespace

// The window library holds the resources; its initialisation is the
// window's, so the test initialises them itself.
static void initManualResources()
{
    Q_INIT_RESOURCE(resources);
}

class TestManual : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { initManualResources(); }

    void links_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Russian") << "ru";
    }

    // Every "#name" link has its anchor, both as an id (browsers) and as an
    // <a name> (the program's own viewer), and the page has a title.
    void links()
    {
        QFETCH(QString, language);
        const QString text = manual(language);
        QVERIFY(!text.isEmpty());
        const QSet<QString> ids = captures(text, QStringLiteral("id=\"([^\"]+)\""));
        const QSet<QString> names = captures(text, QStringLiteral("<a name=\"([^\"]+)\""));
        QCOMPARE(names, ids);
        const QSet<QString> targets = captures(text, QStringLiteral("href=\"#([^\"]+)\""));
        for (const QString &target : targets)
            QVERIFY2(ids.contains(target), qPrintable(target));
        QTextDocument document;
        document.setHtml(text);
        QVERIFY(!document.metaInformation(QTextDocument::DocumentTitle).isEmpty());
        QVERIFY(document.toPlainText().size() > 20000);
    }

    // The translation has every section of the English manual, and the
    // same sections are left to be written in both.
    void sameSections()
    {
        const QString en = manual(QStringLiteral("en")), ru = manual(QStringLiteral("ru"));
        QCOMPARE(captures(ru, QStringLiteral("id=\"([^\"]+)\"")),
                 captures(en, QStringLiteral("id=\"([^\"]+)\"")));
        const QString toWrite = QStringLiteral("<!-- To be written: ([^.(]+)");
        QCOMPARE(captures(ru, toWrite), captures(en, toWrite));
    }
};

QTEST_MAIN(TestManual)
#include "test_manual.moc"
