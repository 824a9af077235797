// The report page in the window, Auto Calc's up-down ranges, and the
// report's lines of vexlor-fit.
#include "WindowFixture.h"
#include "analysis/Bootstrap.h"
#include "analysis/SolarLongitude.h"
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
        // The landscape of a plain Run is scored at its position.
        QCOMPARE(w->tsReport->landscape().position, P);
        QVERIFY(w->tsReport->landscape().valid());
    }

    void bootstrapAndProfileOnThePage()
    {
        openFile(showerFile());
        w->tbAutoCalc->trigger();
        ReportView *view = w->tsReport;
        view->replicates->setValue(20);
        view->bootstrapButton->click();
        QVERIFY(view->busy());
        QVERIFY(view->cancelButton->isVisibleTo(view));
        QVERIFY(!view->bootstrapButton->isEnabled());
        view->waitForJob();
        QVERIFY(view->report().bootstrap);
        QCOMPARE(int(view->report().bootstrap->replicates.size()) +
                     view->report().bootstrap->failed,
                 20);
        QVERIFY(view->summary().contains("68 %: a "));
        QVERIFY(view->summary().contains("95 %: a "));

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
                     text.contains("\nprofile_best_position "),
                 text.constData());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.csv"));
        view->saveReportButton->click();
        QVERIFY(m_f->readFile("report.csv").contains("\nposition_ci95,"));
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("report.png"));
        view->savePicturesButton->click();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(QImageReader(m_f->dir.filePath("report.png")).size(), QSize(1800, 600));

        // A new Run replaces the report, cancelling a job still running.
        view->replicates->setValue(5000);
        view->bootstrapButton->click();
        QVERIFY(view->busy());
        w->tbRunClick();
        QVERIFY(!view->busy());
        QVERIFY(!view->report().bootstrap);
    }

    void cancelKeepsWhatFinished()
    {
        openFile(showerFile());
        w->tbRunClick();
        ReportView *view = w->tsReport;
        view->replicates->setValue(100000);
        view->bootstrapButton->click();
        view->cancelButton->click();
        view->waitForJob();
        QVERIFY(view->report().bootstrap);
        QVERIFY(view->report().bootstrap->cancelled);
        QVERIFY(view->summary().contains("Cancelled after"));
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
