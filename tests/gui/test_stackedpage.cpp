// Import into chosen columns and the STACKED page in the window.
#include "../core/StackedSynthetic.h"
#include "WindowFixture.h"
#include "analysis/gui/StackedView.h"
#include "app/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <cmath>

namespace {

// A monthly table of August 2024 with a count of base + hour in every
// hour, and a station block naming the observer and (when given) a place.
QByteArray monthlyTable(int base, const QByteArray &observer, const QByteArray &place = {})
{
    QByteArray out = "aug|";
    for (int h = 0; h < 24; ++h)
        out += QString::asprintf(" %02dh|", h).toLatin1();
    out += "\r\n";
    for (int d = 0; d < 31; ++d) {
        out += QString::asprintf("%02d|", d + 1).toLatin1();
        for (int h = 0; h < 24; ++h)
            out += QString::asprintf("%4d|", base + h).toLatin1();
        out += "\r\n";
    }
    return out + "[Observer]" + observer + "\r\n" + place;
}

} // namespace

class TestStackedPage : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    // The count of a table cell (column 2 Sum, 3 N1 ...) of data row r.
    QString cell(int column, int row) const { return w->strGrid->cell(column, row); }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    }
    void cleanup()
    {
        w = nullptr;
        m_f.reset();
    }

    // Two stations' files of the same month: Import refuses them (their
    // hours disagree), Import into Columns makes two columns of them, each
    // named by its station block, and keeps the stations' places.
    void importIntoColumns_data()
    {
        QTest::addColumn<QStringList>("answer");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("as proposed") << QStringList{} << 2 << 3;
        QTest::newRow("chosen") << QStringList{"n4", "N2"} << 6 << 4;
    }
    void importIntoColumns()
    {
        QFETCH(QStringList, answer);
        QFETCH(int, first);
        QFETCH(int, second);
        const QString a = m_f->writeFile("alpha_082024rmob.txt",
                                         monthlyTable(10, "Alpha",
                                                      "[Latitude GMAP]50.25\r\n[Longitude GMAP]"
                                                      "-4.5\r\n"));
        const QString b = m_f->writeFile("beta_082024rmob.txt", monthlyTable(100, "Beta"));

        const int empty = w->strGrid->rowCountWithHeader();
        m_f->dialogs.openFilesAnswers.push_back({a, b});
        w->Import1Click();
        QVERIFY(m_f->dialogs.texts().last().contains(QStringLiteral("given twice")));
        QCOMPARE(w->strGrid->rowCountWithHeader(), empty); // unchanged

        m_f->dialogs.openFilesAnswers.push_back({a, b});
        m_f->dialogs.formAnswers.push_back(
            [answer](const QStringList &values) -> std::optional<QStringList> {
                return answer.isEmpty() ? values : answer;
            });
        w->ImportColumns1Click();
        QCOMPARE(m_f->dialogs.forms.back().second, (QStringList{"Sum", "N1"}));
        QVERIFY(m_f->dialogs.forms.back().first.at(0).contains(QStringLiteral("Alpha")));
        QCOMPARE(w->strGrid->rowCountWithHeader(), 31 * 24 + 1);
        for (int row : {1, 7, 31 * 24}) {
            const int h = (row - 1) % 24;
            QCOMPARE(cell(first, row), QString::number(10 + h));
            QCOMPARE(cell(second, row), QString::number(100 + h));
            for (int c = 2; c < 13; ++c)
                if (c != first && c != second)
                    QVERIFY(cell(c, row).isEmpty());
        }
        // The stations, kept in the settings file for the columns.
        Settings kept(Settings::pathIn(m_f->dir.path()));
        kept.read();
        QCOMPARE(kept.columnStation(first - 2).name, QStringLiteral("Alpha"));
        QCOMPARE(kept.columnStation(first - 2).latitude, 50.25);
        QCOMPARE(kept.columnStation(first - 2).longitude, -4.5);
        QCOMPARE(kept.columnStation(second - 2).name, QStringLiteral("Beta"));
        QVERIFY(std::isnan(kept.columnStation(second - 2).latitude));
    }

    // A column that is none, or two stations into one column, changes
    // nothing and says why.
    void importIntoColumnsRefused()
    {
        const QString a = m_f->writeFile("a_082024rmob.txt", monthlyTable(10, "Alpha"));
        const QString b = m_f->writeFile("b_082024rmob.txt", monthlyTable(100, "Beta"));
        const int empty = w->strGrid->rowCountWithHeader();
        for (const QStringList &answer : {QStringList{"Sum", "N11"}, QStringList{"N3", "N3"}}) {
            m_f->dialogs.openFilesAnswers.push_back({a, b});
            m_f->dialogs.formAnswers.push_back(
                [answer](const QStringList &) -> std::optional<QStringList> { return answer; });
            w->ImportColumns1Click();
            QCOMPARE(w->strGrid->rowCountWithHeader(), empty);
        }
        const QStringList shown = m_f->dialogs.texts();
        QVERIFY(shown.at(shown.size() - 2).contains(QStringLiteral("N11")));
        QVERIFY(shown.last().contains(QStringLiteral("given twice")));
    }

    // The page after GRAPH: a typed window and two stations' columns,
    // computed off the GUI thread; the maximum found, the numbers and the
    // chart saved; the texts of the chosen language.
    void stackedPage()
    {
        QTabWidget *tabs = w->PageControl1;
        QVERIFY(tabs->indexOf(w->tsStacked) > tabs->indexOf(w->tsGraph));
        QCOMPARE(tabs->tabText(tabs->indexOf(w->tsStacked)), QStringLiteral("STACKED"));

        StackedSynthetic::Truth t;
        t.years = 3;
        t.daysEachSide = 3;
        t.stations = StackedSynthetic::twoStations();
        GridModel synthetic;
        StackedSynthetic::fill(synthetic, t, 5);
        w->strGrid->replaceRows(synthetic.rows());

        StackedView &page = *w->tsStacked;
        page.showerList->setCurrentIndex(0); // the typed window
        page.from->setValue(t.lambdaMax - 4);
        page.to->setValue(t.lambdaMax + 4);
        page.columns[1]->setChecked(true);
        QCOMPARE(page.chosenColumns(), (std::vector<int>{0, 1}));
        QVERIFY(page.start().isEmpty());
        QVERIFY(page.busy());
        QVERIFY(page.cancelButton->isVisibleTo(&page));
        page.waitForJob();
        const StackedView::Outcome *o = page.outcome();
        QVERIFY(o && o->fit.valid);
        QCOMPARE(o->fit.datasets.size(), size_t(6));
        QVERIFY(std::fabs(o->fit.lambdaMax - t.lambdaMax) < 0.2);
        QVERIFY(page.numbers->text().contains(QStringLiteral("λmax")));
        // A typed window has no radiant: the free hours' model, said on the page.
        QCOMPARE(o->fit.modulation, StackedFit::Modulation::Hourly);
        QVERIFY(page.numbers->text().contains(w->text(LanguageTexts::Text::StackedModelUsed)
                                                  .arg(w->text(LanguageTexts::Text::StackedHourly))
                                                  .arg(6)
                                                  .arg(o->fit.joint.rows)));

        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("stack.csv"));
        page.saveNumbersButton->click();
        QVERIFY(m_f->readFile("stack.csv").startsWith("record,column,station,year"));
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("stack.svg"));
        page.savePictureButton->click();
        QVERIFY(m_f->readFile("stack.svg").contains("<svg"));
        QVERIFY(m_f->dialogs.errors.isEmpty());

        // No column: says so and starts nothing.
        for (QCheckBox *box : page.columns)
            box->setChecked(false);
        QCOMPARE(page.start(), w->text(LanguageTexts::Text::StackedNoColumns));
        QVERIFY(!page.busy());
    }

    // A shower of the list and every chosen column's place: Compute takes
    // the radiant's model; a column without a place, the free hours'. A
    // model the user chose stays chosen.
    void defaultModel()
    {
        StackedView &page = *w->tsStacked;
        page.showerList->setCurrentIndex(
            page.showerList->findText(QStringLiteral("ETA"), Qt::MatchStartsWith));
        QVERIFY(page.shower() && QLatin1String(page.shower()->code) == QLatin1String("ETA"));
        page.columns[1]->setChecked(true); // Sum and N1
        const auto places = [this, &page](const QString &longitude) {
            m_f->dialogs.formAnswers.push_back(
                [longitude](const QStringList &) -> std::optional<QStringList> {
                    return QStringList{"A", "50.1", "14.4", "B", "43.6", longitude};
                });
            page.stationsButton->click();
        };
        const auto modelTaken = [&page] {
            const QString refused = page.start();
            if (!refused.isEmpty())
                return QStringLiteral("refused: ") + refused;
            const int model = page.modelList->currentData().toInt();
            page.cancelButton->click(); // the model is chosen before the job
            page.waitForJob();
            return model == int(StackedFit::Modulation::Radiant) ? QStringLiteral("radiant")
                                                                 : QStringLiteral("hourly");
        };
        places(QStringLiteral("1.4"));
        QCOMPARE(modelTaken(), QStringLiteral("radiant"));
        places(QString());
        QCOMPARE(modelTaken(), QStringLiteral("hourly"));
        places(QStringLiteral("1.4"));
        page.modelList->setCurrentIndex(
            page.modelList->findData(int(StackedFit::Modulation::Hourly)));
        emit page.modelList->activated(page.modelList->currentIndex());
        QCOMPARE(modelTaken(), QStringLiteral("hourly"));
    }

    // Cancel ends the job soon and leaves the page idle with a result that
    // says it was cancelled.
    void cancel()
    {
        StackedSynthetic::Truth t;
        t.stations = StackedSynthetic::twoStations();
        GridModel synthetic;
        StackedSynthetic::fill(synthetic, t, 9);
        w->strGrid->replaceRows(synthetic.rows());
        StackedView &page = *w->tsStacked;
        page.columns[1]->setChecked(true);
        page.replicates->setValue(200);
        QVERIFY(page.start().isEmpty());
        page.cancelButton->click();
        page.waitForJob();
        QVERIFY(!page.busy());
        const StackedView::Outcome *o = page.outcome();
        QVERIFY(o);
        QVERIFY(o->fit.cancelled || (o->bootstrap && o->bootstrap->cancelled));
        QVERIFY(page.computeButton->isEnabled());
    }

    // The stations' form keeps what it is given and refuses a place that
    // is none.
    void stations()
    {
        StackedView &page = *w->tsStacked;
        page.columns[2]->setChecked(true); // Sum and N2
        m_f->dialogs.formAnswers.push_back([](const QStringList &) -> std::optional<QStringList> {
            return QStringList{"Ondřejov", "49.91", "14.78", "Toulouse", "95", "1.4"};
        });
        page.stationsButton->click();
        QVERIFY(m_f->dialogs.texts().last().contains(QStringLiteral("95")));
        m_f->dialogs.formAnswers.push_back([](const QStringList &) -> std::optional<QStringList> {
            return QStringList{"Ondřejov", "49.91", "14.78", "Toulouse", "43.6", "1.4"};
        });
        page.stationsButton->click();
        page.stationsButton->click(); // shows what is kept, and is cancelled
        Settings kept(Settings::pathIn(m_f->dir.path()));
        kept.read();
        QCOMPARE(kept.columnStation(0).name, QStringLiteral("Ondřejov"));
        QCOMPARE(kept.columnStation(2).latitude, 43.6);
        QCOMPARE(kept.columnStation(2).longitude, 1.4);
        QCOMPARE(m_f->dialogs.forms.back().second.at(1), QStringLiteral("49.91"));
    }
};

QTEST_MAIN(TestStackedPage)
#include "test_stackedpage.moc"
