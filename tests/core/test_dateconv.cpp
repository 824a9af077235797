// The date conversion: the setting's format, the locale's, strict reading.
#include "app/DateConv.h"
#include "app/Errors.h"

#include <QLocale>
#include <QTest>

class TestDateConv : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        DateConv::setFormat({});
        DateConv::setTodaySource({});
    }

    void localeFormatsKeepFourDigitYears_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("en_US") << "en_US"
                               << "11/5/2008";
        QTest::newRow("de_DE") << "de_DE"
                               << "05.11.2008";
        QTest::newRow("ru_RU") << "ru_RU"
                               << "05.11.2008";
        QTest::newRow("en_GB") << "en_GB"
                               << "05/11/2008";
        QTest::newRow("ja_JP") << "ja_JP"
                               << "2008/11/05";
    }
    void localeFormatsKeepFourDigitYears()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QString fmt = DateConv::localeShortFormat(QLocale(locale));
        QVERIFY2(fmt.contains("yyyy"), qPrintable(fmt));
        DateConv::setFormat(fmt);
        QCOMPARE(DateConv::toText(QDate(2008, 11, 5)), text);
        QCOMPARE(DateConv::fromText(text), std::optional<QDate>(QDate(2008, 11, 5)));
    }

    void strictReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("good") << "05.11.2008" << true;
        QTest::newRow("31st of February") << "31.02.2008" << false;
        QTest::newRow("leading blank") << " 05.11.2008" << false;
        QTest::newRow("trailing blank") << "05.11.2008 " << false;
        QTest::newRow("other order") << "2008-11-05" << false;
        QTest::newRow("month 13") << "05.13.2008" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("words") << "yesterday" << false;
        QTest::newRow("29th of February in a leap year") << "29.02.2008" << true;
    }
    void strictReading()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        DateConv::setFormat("dd.MM.yyyy");
        QCOMPARE(DateConv::fromText(text).has_value(), valid);
    }

    void failureNamesTheText()
    {
        DateConv::setFormat("dd.MM.yyyy");
        try {
            DateConv::fromTextOrThrow("31.02.2008");
            QFAIL("no failure");
        } catch (const EConvertError &e) {
            QCOMPARE(e.text(), QString("'31.02.2008' is not a valid date"));
        }
    }

    void todayComesFromTheClock()
    {
        DateConv::setTodaySource([] { return QDate(2010, 1, 2); });
        QCOMPARE(DateConv::today(), QDate(2010, 1, 2));
        DateConv::setTodaySource({});
        QCOMPARE(DateConv::today(), QDate::currentDate());
    }
};

QTEST_GUILESS_MAIN(TestDateConv)
#include "test_dateconv.moc"
