// The report page in the window, Auto Calc's up-down ranges, and the
// report's lines of vexlor-fit.
#include "WindowFixture.h"
#include "analysis/AutoSearch.h"
#include "analysis/Bootstrap.h"
#include "analysis/SolarLongitude.h"
#include "analysis/WholeRangeFit.h"
#include "analysis/gui/ReportView.h"

#include <QDateEdit>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <cmath>

namespace {

// Ten days of hours with a shower peaking at row 150 (past the up-downs'
// first maximum of 100), as a text file; flat: no shower at all.
QByteArray showerFile(bool flat = false)
{
    std::mt19937_64 rng(17);
    QByteArray out = "Date\t\tHour\tSum\r\n";
    for (int j = 0; j < 240; ++j) {
        const double sporadic = 25 + 10 * std::cos((j % 24 - 6) * M_PI / 12);
        const double x = j < 150 ? std::exp(-(150.0 - j) / 8) : std::exp(-(j - 150.0) / 20);
        const int count = Bootstrap::poisson(sporadic + (flat ? 0 : 120 * x), rng);
        out += QDate(2024, 8, 1).addDays(j / 24).toString("dd.MM.yyyy").toLatin1() + '\t' +
               QByteArray::number(j % 24) + '\t' + QByteArray::number(count) + "\r\n";
    }
    return out;
}

// Four days of hours whose shower peaks after the last row, so that the
// search's best position lies past it.
QByteArray risingFile()
{
    std::mt19937_64 rng(5);
    QByteArray out = "Date\t\tHour\tSum\r\n";
    for (int j = 0; j < 96; ++j) {
        const int count = Bootstrap::poisson(30 + 400 * std::exp(-(100.0 - j) / 6), rng);
        out += QDate(2024, 8, 1).addDays(j / 24).toString("dd.MM.yyyy").toLatin1() + '\t' +
               QByteArray::number(j % 24) + '\t' + QByteArray::number(count) + "\r\n";
    }
    return out;
}

QString fitOutput(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VEXLOR_FIT), args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput()) +
           (p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError()));
}

QString valueOf(const QString &output, const QString &name)
{
    for (const QString &line : output.split(u'\n'))
        if (line.startsWith(name + u' '))
            return line.mid(name.size() + 1);
    return {};
}

} // namespace

class TestReportPage : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    void openFile(const QByteArray &bytes, const QByteArray &language = "en")
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni(language));
        w->resize(870, 500);
        w->show();
        m_f->dialogs.openAnswers.push_back(m_f->writeFile("shower.txt", bytes));
        w->tbOpnTxt->trigger();
        w->dtp1->setDate(QDate(2024, 8, 1));
        w->dtp2->setDate(QDate(2024, 8, 10));
    }

private slots:
    void cleanup() { m_f.reset(); }

    // Auto Calc before any Run gives the up-downs the ranges a DATA-page Run
    // gives them, so its position past row 100 is not cut to 100.
    void autoCalcDoesNotCutItsAnswer()
    {
        openFile(showerFile());
        QCOMPARE(w->UpMInt->maximum(), 100);
        w->tbAutoCalc->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        const QString fit = fitOutput({m_f->dir.filePath("shower.txt"), "--from", "01.08.2024",
                                       "--to", "10.08.2024", "--auto"});
        const int position = valueOf(fit, "position").toInt();
        QVERIFY2(position > 100, qPrintable(fit));
        QCOMPARE(w->UpMInt->value(), position);
        QCOMPARE(w->UpMInt->maximum(), 239);
        QCOMPARE(w->LastRunParams.P, position);
        QCOMPARE(w->UpMax->value(), valueOf(fit, "peak").toInt());
        // The report's landscape is the search's own.
        const PositionProfile::Landscape &land = w->tsReport->landscape();
        QVERIFY(land.valid());
        QCOMPARE(land.position, position);
        QCOMPARE(land.bestA, valueOf(fit, "a").toInt());
        QCOMPARE(QString::asprintf("%.17g", land.bestDO), valueOf(fit, "dO"));
    }

    // A best position past the last row: the window's final Run and
    // vexlor-fit --auto both take the last row's offset.
    void searchPastTheLastRow()
    {
        openFile(risingFile());
        w->dtp2->setDate(QDate(2024, 8, 4));
        std::vector<TRadData> rows;
        readRows(w->strGrid->model(), selectRows(w->strGrid->model(), "01.08.2024", "04.08.2024"),
                 2, rows);
        const SearchBest best = autoSearch(rows, findPeak(rows).PeakOffset, [](int) {});
        QVERIFY2(best.BestPosition > 95, qPrintable(QString::number(best.BestPosition)));
        w->tbAutoCalc->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(w->LastRunParams.P, 95);
        const QString fit = fitOutput({m_f->dir.filePath("shower.txt"), "--from", "01.08.2024",
                                       "--to", "04.08.2024", "--auto"});
        QCOMPARE(valueOf(fit, "position"), QString("95"));
        QCOMPARE(valueOf(fit, "a"), QString::number(best.BestA));
        // The dO of the Run at row 95, as the window shows it.
        QCOMPARE(QString::number(valueOf(fit, "dO").toDouble(), 'f', 5), w->lZdO->text());
    }

    // Rows whose dates do not read are fitted as they stand and counted by
    // the report.
    void unreadableDatesAreCounted()
    {
        QList<QByteArray> lines = showerFile().split('\n');
        for (int j = 49; j <= 72; ++j) // the third day, file lines 49 to 72
            lines[j].replace("03.08.2024", "31.02.2024");
        openFile(lines.join('\n'));
        w->tbRunClick();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(w->m_run.DataRows.size(), size_t(240));
        w->tsReport->waitForJob(); // the count is the whole-range fit's
        QVERIFY2(w->tsReport->summary().contains("Dates that cannot be read: 24 rows"),
                 qPrintable(w->tsReport->summary()));
    }

    // Save Pictures while the landscape is still scored waits with Cancel:
    // a cancel writes nothing, a wait writes the picture with it.
    void savePicturesWaitsForTheLandscape_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("waited") << false;
    }
    void savePicturesWaitsForTheLandscape()
    {
        QFETCH(bool, cancel);
        openFile(showerFile());
        w->tbRunClick();
        QVERIFY(!w->tsReport->landscape().valid()); // its job starts
        const QString out = m_f->dir.filePath("figures.png");
        m_f->dialogs.saveAnswers.push_back(out);
        m_f->dialogs.cancelWaits.push_back(cancel);
        w->SaveReportPicturesClick();
        QCOMPARE(QFile::exists(out), !cancel || m_f->dialogs.waitTexts.isEmpty());
        QCOMPARE(m_f->dialogs.errors, QStringList());
        if (!cancel)
            QVERIFY(w->tsReport->landscape().valid());
    }

    void reportFollowsRun()
    {
        openFile(showerFile());
        QCOMPARE(w->tsReport->summary(), QString("Run the fit to see its report."));
        w->tbRunClick();
        const FitReport::Report &r = w->tsReport->report();
        const int P = w->LastRunParams.P;
        QCOMPARE(r.peak.date, QDate(2024, 8, 1).addDays(P / 24).toString("dd.MM.yyyy"));
        QCOMPARE(r.peak.hour, P % 24);
        QCOMPARE(r.peak.solarLongitude,
                 SolarLongitude::at(QDate(2024, 8, 1).addDays(P / 24), P % 24));
        const QString text = w->tsReport->summary();
        QVERIFY2(text.contains(QString("Maximum: %1 %2h UT (row offset %3)")
                                   .arg(r.peak.date)
                                   .arg(P % 24, 2, 10, QChar('0'))
                                   .arg(P)),
                 qPrintable(text));
        QVERIFY(text.contains(QString::fromUtf8("λ☉ (J2000.0): ")));
        QVERIFY(!text.contains("misses")); // ten whole days
        // The landscape of a plain Run is scored at its position, by a job
        // after the report's own fit, never while the page is painted.
        QVERIFY(!w->tsReport->landscape().valid());
        w->PageControl1->setCurrentWidget(w->tsReport);
        w->tsReport->canvas->grab();
        QVERIFY(!w->tsReport->landscape().valid());
        w->tsReport->waitForJob();
        QCOMPARE(w->tsReport->landscape().position, P);
        QVERIFY(w->tsReport->landscape().valid());
    }

    void bootstrapAndProfileOnThePage()
    {
        openFile(showerFile());
        w->tbAutoCalc->trigger();
        ReportView *view = w->tsReport;
        // The report's own fit runs first; the bootstrap resamples it.
        QVERIFY(view->busy());
        QVERIFY(!view->bootstrapButton->isEnabled());
        view->waitForJob();
        QVERIFY(view->wholeRange() && view->wholeRange()->valid);
        view->replicates->setValue(20);
        view->bootstrapButton->click();
        QVERIFY(view->busy());
        QVERIFY(view->cancelButton->isVisibleTo(view));
        QVERIFY(!view->bootstrapButton->isEnabled());
        view->waitForJob();
        QVERIFY(view->dayBootstrap());
        QCOMPARE(int(view->dayBootstrap()->replicates.size()) + view->dayBootstrap()->failed, 20);
        QVERIFY2(view->summary().contains("Day-block bootstrap, 68 %: "),
                 qPrintable(view->summary()));
        QVERIFY(view->summary().contains("Day-block bootstrap, 95 %: "));
        QVERIFY(view->summary().contains("Day-block bootstrap: 20 replicates answered, 0 failed"));

        view->profileButton->click();
        view->waitForJob();
        QVERIFY(view->report().profile);
        QCOMPARE(view->report().profile->points.size(), size_t(239));
        QVERIFY(view->summary().contains("Position profile: the best position is"));
        QVERIFY(!view->summary().contains("do not determine"));

        // The numbers as text and as CSV, the pictures as PNG.
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.txt"));
        view->saveReportButton->click();
        const QByteArray text = m_f->readFile("report.txt");
        QVERIFY2(text.contains("\npeak_solar_longitude ") && text.contains("\na_ci95 ") &&
                     text.contains("\nprofile_best_position ") &&
                     text.contains("\ninterval_method day_bootstrap\n") &&
                     text.contains("\nbootstrap_replicates 20\n") &&
                     text.contains("\nposition_undetermined no\n"),
                 text.constData());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.csv"));
        view->saveReportButton->click();
        const QByteArray csv = m_f->readFile("report.csv");
        QVERIFY(csv.startsWith("name,value,value2\nsource,shower.txt,\n"));
        QVERIFY(csv.contains("\nposition_ci95,"));
        QVERIFY(csv.contains("\nposition_undetermined_reason,-,\n"));
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.png"));
        view->savePicturesButton->click();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(QImageReader(m_f->dir.filePath("report.png")).size(), QSize(1800, 600));

        // A new Run replaces the report, cancelling a job still running, and
        // fits the whole range again.
        view->replicates->setValue(5000);
        view->bootstrapButton->click();
        QVERIFY(view->busy());
        w->tbRunClick();
        QVERIFY(!view->dayBootstrap());
        QVERIFY(!view->wholeRange());
        QVERIFY(view->summary().contains("Fitting the whole range"));
        view->waitForJob();
        QVERIFY(view->wholeRange());
        QVERIFY(!view->dayBootstrap());
    }

    void cancelKeepsWhatFinished()
    {
        openFile(showerFile());
        w->tbRunClick();
        ReportView *view = w->tsReport;
        view->waitForJob();
        view->replicates->setValue(100000);
        view->bootstrapButton->click();
        view->cancelButton->click();
        view->waitForJob();
        QVERIFY(view->dayBootstrap());
        QVERIFY(view->dayBootstrap()->cancelled);
        QVERIFY(view->summary().contains("Cancelled after"));
        // Cancelling the report's own fit says so, and the next Run fits again.
        w->tbRunClick();
        view->cancelButton->click();
        view->waitForJob();
        QVERIFY(!view->wholeRange());
        QVERIFY(view->summary().contains("The report's own fit was cancelled"));
        QVERIFY(!view->landscape().valid()); // waiting after it: dropped too
        w->tbRunClick();
        view->waitForJob();
        QVERIFY(view->wholeRange() && view->wholeRange()->valid);
    }

    // Without a shower the profile is flat: the report says so in words.
    void undeterminedMaximum()
    {
        openFile(showerFile(true), "ru");
        w->tbRunClick();
        w->tsReport->startProfile();
        w->tsReport->waitForJob();
        QVERIFY2(w->tsReport->summary().contains(
                     QString::fromUtf8("Данные не определяют положение максимума")),
                 qPrintable(w->tsReport->summary()));
        QCOMPARE(w->PageControl1->tabText(3), QString::fromUtf8("ОТЧЁТ"));
    }

    // After every Run and Auto Calc the page shows the report's own fit,
    // computed off the window's thread: its maximum, the intervals as date,
    // hour and λ☉, and its verdict beside the 95 % interval, in the
    // language's words and decimal separator.
    void wholeRangeAfterEveryFit_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<bool>("autoCalc");
        QTest::addColumn<bool>("flat");
        QTest::newRow("en Run") << QByteArray("en") << false << false;
        QTest::newRow("en Auto Calc") << QByteArray("en") << true << false;
        QTest::newRow("ru Auto Calc") << QByteArray("ru") << true << false;
        QTest::newRow("en no shower") << QByteArray("en") << false << true;
        QTest::newRow("ru no shower") << QByteArray("ru") << false << true;
    }
    void wholeRangeAfterEveryFit()
    {
        QFETCH(QByteArray, language);
        QFETCH(bool, autoCalc);
        QFETCH(bool, flat);
        openFile(showerFile(flat), language);
        if (autoCalc)
            w->tbAutoCalc->trigger();
        else
            w->tbRunClick();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        ReportView *view = w->tsReport;
        view->waitForJob();
        QVERIFY(view->wholeRange());
        const WholeRangeFit::Result &fit = *view->wholeRange();
        QVERIFY(fit.valid);
        const bool ru = language == "ru";
        const QString text = view->summary();
        // The fit on the page is the one vexlor-fit and the core give.
        QCOMPARE(fit.position, WholeRangeFit::fit(view->rows()).position);
        const int P = int(fit.position);
        const QString lambda = QString::number(fit.solarLongitude, 'f', 3);
        QVERIFY2(text.contains((ru ? QString::fromUtf8("Максимум: ") : QString("Maximum: ")) +
                               QDate(2024, 8, 1).addDays(P / 24).toString("dd.MM.yyyy") +
                               QString(" %1h UT, λ☉ ").arg(P % 24, 2, 10, QChar('0')) +
                               (ru ? QString(lambda).replace('.', ',') : lambda)),
                 qPrintable(text));
        QVERIFY(text.contains(QString::fromUtf8(ru ? "hh:30 UT" : "at its middle, hh:30 UT")));
        QVERIFY(text.contains(ru ? QString::fromUtf8("B+ ") : QString("B+ ")));
        // The verdict, in words, on the line of the 95 % interval.
        const QString undetermined =
            ru ? QString::fromUtf8("Данные не определяют положение максимума: ")
               : QString("The data do not determine the maximum: ");
        QString line95;
        for (const QString &line : text.split("<br>"))
            if (line.startsWith("95 %: "))
                line95 = line;
        QVERIFY2(!line95.isEmpty(), qPrintable(text));
        QCOMPARE(fit.undetermined, flat);
        QCOMPARE(line95.contains(undetermined), flat);
        if (flat)
            QVERIFY(line95.contains(WholeRangeFit::verdictText(fit, w->m_texts).toHtmlEscaped()));
        // Which answer the intervals belong to.
        const bool same = fit.position == w->LastRunParams.P && fit.a == w->LastRunParams.a &&
                          fit.b == w->LastRunParams.b;
        QVERIFY(text.contains(
            w->text(same ? LanguageTexts::Text::IntervalsBoth : LanguageTexts::Text::IntervalsHere)
                .toHtmlEscaped()));
        // The saved pictures carry these words, never the page's "press".
        const ReportFigures::Texts file = view->figureTexts(true);
        QVERIFY(file.caption.join('\n').contains(undetermined) == flat);
        QCOMPARE(file.empty, w->text(LanguageTexts::Text::NotComputed));
        QCOMPARE(file.emptyLandscape, w->text(LanguageTexts::Text::NotComputed));
        QVERIFY(!file.histogram.contains("%") && !file.histogram.contains(" R "));
    }

    // A file Auto Calc refuses (its largest count in the third row) still
    // gets the report's own fit, on the page and in Save Report.
    void refusedByAutoCalcStillReported()
    {
        QList<QByteArray> lines = showerFile().split('\n');
        QList<QByteArray> fields = lines[3].split('\t');
        fields[2] = "999\r";
        lines[3] = fields.join('\t');
        openFile(lines.join('\n'));
        w->tbAutoCalc->trigger();
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages[0].text, w->msg(6));
        ReportView *view = w->tsReport;
        QVERIFY(view->hasRows());
        QVERIFY(!view->hasRun());
        view->waitForJob();
        QVERIFY(view->wholeRange() && view->wholeRange()->valid);
        QVERIFY(std::abs(view->wholeRange()->position - 150) <= 6);
        const QString text = view->summary();
        QVERIFY2(text.contains("Auto Calc refused this selection"), qPrintable(text));
        QVERIFY(text.contains("Maximum: "));
        QVERIFY(!view->profileButton->isEnabled()); // the dO profile needs a Run
        QVERIFY(view->bootstrapButton->isEnabled());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("refused.txt"));
        view->saveReportButton->click();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        const QByteArray saved = m_f->readFile("refused.txt");
        QVERIFY2(saved.startsWith("source shower.txt\ncolumn Sum\nrange 01.08.2024 10.08.2024\n"
                                  "rows 240\nauto_calc_refused yes\n"),
                 saved.constData());
        QVERIFY(saved.contains("\nreport_position "));
    }

    // Rows whose date cannot be read are left out of the report's own fit
    // and counted in words, with the plural the number asks for.
    void unreadableDatesCounted_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<int>("bad");
        QTest::addColumn<QString>("words");
        QTest::newRow("en 1") << QByteArray("en") << 1
                              << "Dates that cannot be read: 1 row, left out";
        QTest::newRow("en 3") << QByteArray("en") << 3
                              << "Dates that cannot be read: 3 rows, left out";
        QTest::newRow("ru 1") << QByteArray("ru") << 1
                              << QString::fromUtf8("Даты, которые нельзя прочитать: 1 строка;");
        QTest::newRow("ru 3") << QByteArray("ru") << 3
                              << QString::fromUtf8("Даты, которые нельзя прочитать: 3 строки;");
        QTest::newRow("ru 5") << QByteArray("ru") << 5
                              << QString::fromUtf8("Даты, которые нельзя прочитать: 5 строк;");
    }
    void unreadableDatesCounted()
    {
        QFETCH(QByteArray, language);
        QFETCH(int, bad);
        QFETCH(QString, words);
        // 30.02.2024 and 31.02.2024 in rows inside the range.
        QList<QByteArray> lines = showerFile().split('\n');
        for (int k = 0; k < bad; ++k) {
            QList<QByteArray> fields = lines[100 + k].split('\t');
            fields[0] = QByteArray::number(30 + k % 2) + ".02.2024";
            lines[100 + k] = fields.join('\t');
        }
        openFile(lines.join('\n'), language);
        w->tbRunClick();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        w->tsReport->waitForJob();
        QVERIFY(w->tsReport->wholeRange());
        QCOMPARE(w->tsReport->wholeRange()->rows.withoutTime, bad);
        QVERIFY2(w->tsReport->summary().contains(words), qPrintable(w->tsReport->summary()));
    }

    // Save Report's CSV: a file name a spreadsheet would read as a formula
    // stays text, quoted where it holds a comma.
    void reportCsvIsSafe()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        m_f->dialogs.openAnswers.push_back(m_f->writeFile("=HYPERLINK(1),x.txt", showerFile()));
        w->tbOpnTxt->trigger();
        w->dtp1->setDate(QDate(2024, 8, 1));
        w->dtp2->setDate(QDate(2024, 8, 10));
        w->tbRunClick();
        w->tsReport->waitForJob();
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.csv"));
        w->tsReport->saveReportButton->click();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        const QByteArray csv = m_f->readFile("report.csv");
        QVERIFY2(csv.startsWith("name,value,value2\nsource,\"'=HYPERLINK(1),x.txt\",\n"),
                 csv.constData());
        QVERIFY(csv.contains("\nrange,01.08.2024,10.08.2024\n"));
        // Every line has the header's three fields, the numbers as numbers.
        QVERIFY(csv.contains("\nrows,240,\n"));
        QVERIFY(csv.contains("\nreport_hour,"));
        for (const QByteArray &line : csv.split('\n')) {
            if (line.isEmpty())
                continue;
            int commas = 0;
            bool quoted = false;
            for (char c : line) {
                quoted = c == '"' ? !quoted : quoted;
                commas += !quoted && c == ',';
            }
            QVERIFY2(commas == 2 && !quoted, line.constData());
        }
    }

    void fitPrintsTheReport()
    {
        m_f = std::make_unique<WindowFixture>();
        const QString file = m_f->writeFile("shower.txt", showerFile());
        const QString land = m_f->dir.filePath("land.csv"), prof = m_f->dir.filePath("prof.csv");
        const QString out =
            fitOutput({file, "--from", "01.08.2024", "--to", "10.08.2024", "--auto", "--bootstrap",
                       "12", "--seed", "3", "--landscape", land, "--position-profile", prof});
        for (const char *name :
             {"peak_date", "peak_hour", "peak_solar_longitude", "fwhm_rows", "missing_hours",
              "bootstrap_replicates", "bootstrap_seconds", "a_ci68", "b_ci95", "position_ci95",
              "solar_longitude_ci68", "profile_best_position", "profile_best_dO"})
            QVERIFY2(!valueOf(out, name).isEmpty(), name);
        QCOMPARE(valueOf(out, "bootstrap_replicates"), QString("12"));
        // The report's own fit follows Auto Calc's lines, its intervals from
        // the day-block replicates, one verdict under its name.
        QCOMPARE(valueOf(out, "interval_method"), QString("day_bootstrap"));
        QCOMPARE(valueOf(out, "bootstrap_failed"), QString("0"));
        QVERIFY(std::abs(valueOf(out, "report_position").toInt() - 150) <= 6);
        QCOMPARE(out.count("\nposition_undetermined "), 1);
        QCOMPARE(valueOf(out, "position_undetermined"), QString("no"));
        QCOMPARE(valueOf(out, "missing_hours"), QString("0"));
        const int position = valueOf(out, "position").toInt();
        QCOMPARE(valueOf(out, "peak_date"),
                 QDate(2024, 8, 1).addDays(position / 24).toString("dd.MM.yyyy"));
        QVERIFY(valueOf(out, "peak_solar_longitude").section('.', 1).size() >= 4);
        QFile l(land), p(prof);
        QVERIFY(l.open(QIODevice::ReadOnly) && p.open(QIODevice::ReadOnly));
        const QByteArray landscape = l.readAll(), profile = p.readAll();
        QCOMPARE(landscape.count('\n'), 10001);
        QVERIFY(landscape.startsWith("a,b,dO\n1,1,"));
        QVERIFY(profile.startsWith("position,a,b,dO\n"));
        // The profile at the search's position is the search's best there.
        QVERIFY(profile.contains(QString("\n%1,%2,%3,%4\n")
                                     .arg(position)
                                     .arg(valueOf(out, "a"), valueOf(out, "b"), valueOf(out, "dO"))
                                     .toLatin1()));
        // The same seed gives the same intervals.
        const QString again = fitOutput({file, "--from", "01.08.2024", "--to", "10.08.2024",
                                         "--auto", "--bootstrap", "12", "--seed", "3"});
        QCOMPARE(valueOf(again, "position_ci95"), valueOf(out, "position_ci95"));
        QVERIFY(fitOutput({file, "--from", "01.08.2024", "--to", "10.08.2024", "--bootstrap", "5"})
                    .contains("--bootstrap repeats the search of --auto"));
        // A file Auto Calc refuses (its largest count in the third row) still
        // gets the report's own fit, before the refusal.
        QList<QByteArray> lines = showerFile().split('\n');
        QList<QByteArray> fields = lines[3].split('\t');
        fields[2] = "999\r";
        lines[3] = fields.join('\t');
        const QString refused = fitOutput({m_f->writeFile("refused.txt", lines.join('\n')),
                                           "--from", "01.08.2024", "--to", "10.08.2024", "--auto"});
        QVERIFY2(refused.contains("the largest count lies within the first six rows"),
                 qPrintable(refused));
        QVERIFY(!valueOf(refused, "report_position").isEmpty());
        QVERIFY(!valueOf(refused, "position_undetermined").isEmpty());
    }
};

QTEST_MAIN(TestReportPage)
#include "test_reportpage.moc"
