// The stacked page.
#include "StackedView.h"

#include "analysis/Bootstrap.h"
#include "analysis/StackedReport.h"
#include "app/Errors.h"
#include "table/GridModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

class StackedView::Canvas : public QWidget {
public:
    explicit Canvas(StackedView &view) : QWidget(&view), m_view(view) { setMinimumSize(600, 260); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        m_view.run([&] {
            static const StackedFit::Result none;
            const Outcome *o = m_view.outcome();
            const StackedFit::Result &fit = o ? o->fit : none;
            StackedFigure::draw(painter, QRectF(rect()), fit,
                                fit.valid ? StackedReport::stackedPoints(fit)
                                          : std::vector<std::vector<StackedReport::Point>>{},
                                m_view.figureTexts());
        });
    }

private:
    StackedView &m_view;
};

StackedView::StackedView(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    auto *choice = new QGridLayout;
    showerLabel = new QLabel(this);
    showerList = new QComboBox(this);
    showerList->addItem(QString()); // the typed window
    for (const ShowerList::Shower &s : ShowerList::all())
        showerList->addItem(
            QStringLiteral("%1  %2").arg(QLatin1String(s.code), QLatin1String(s.name)));
    fromLabel = new QLabel(this);
    toLabel = new QLabel(this);
    from = new QDoubleSpinBox(this);
    to = new QDoubleSpinBox(this);
    for (QDoubleSpinBox *box : {from, to}) {
        box->setRange(0, 360);
        box->setDecimals(2);
        box->setSingleStep(0.5);
        box->setWrapping(true);
    }
    modelLabel = new QLabel(this);
    modelList = new QComboBox(this);
    modelList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    modelList->addItem(QString(), int(StackedFit::Modulation::Hourly));
    modelList->addItem(QString(), int(StackedFit::Modulation::Radiant));
    modelList->setCurrentIndex(modelList->findData(int(StackedFit::FallbackModulation)));
    replicatesLabel = new QLabel(this);
    replicates = new QSpinBox(this);
    replicates->setRange(0, Bootstrap::MaxReplicates);
    replicates->setValue(0);
    seedLabel = new QLabel(this);
    seed = new QSpinBox(this);
    seed->setRange(0, 999999999);
    seed->setValue(int(Bootstrap::DefaultSeed % 1000000000));
    stationsButton = new QPushButton(this);
    choice->addWidget(showerLabel, 0, 0);
    choice->addWidget(showerList, 0, 1);
    choice->addWidget(fromLabel, 0, 2);
    choice->addWidget(from, 0, 3);
    choice->addWidget(toLabel, 0, 4);
    choice->addWidget(to, 0, 5);
    choice->addWidget(modelLabel, 0, 6);
    choice->addWidget(modelList, 0, 7);
    choice->setColumnStretch(8, 1);

    columnsLabel = new QLabel(this);
    choice->addWidget(columnsLabel, 1, 0);
    auto *boxes = new QHBoxLayout;
    for (int c = 0; c < 11; ++c) {
        columns[size_t(c)] = new QCheckBox(this);
        boxes->addWidget(columns[size_t(c)]);
    }
    columns[0]->setChecked(true);
    boxes->addWidget(stationsButton);
    boxes->addStretch(1);
    choice->addLayout(boxes, 1, 1, 1, 8);
    layout->addLayout(choice);

    auto *bar = new QHBoxLayout;
    computeButton = new QPushButton(this);
    progress = new QProgressBar(this);
    progress->setMaximumWidth(160);
    cancelButton = new QPushButton(this);
    saveNumbersButton = new QPushButton(this);
    savePictureButton = new QPushButton(this);
    for (QWidget *w : std::initializer_list<QWidget *>{replicatesLabel, replicates, seedLabel, seed,
                                                       computeButton, progress, cancelButton})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(saveNumbersButton);
    bar->addWidget(savePictureButton);
    layout->addLayout(bar);

    numbers = new QLabel(this);
    numbers->setTextFormat(Qt::RichText);
    numbers->setWordWrap(true);
    numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    numbers->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    numbers->setMinimumHeight(numbers->fontMetrics().lineSpacing() * 6 + 4);
    layout->addWidget(numbers);
    canvas = new Canvas(*this);
    layout->addWidget(canvas, 1);

    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, [this] { run([this] { poll(); }); });
    connect(showerList, &QComboBox::currentIndexChanged, this,
            [this] { run([this] { showerChosen(); }); });
    connect(computeButton, &QPushButton::clicked, this, [this] {
        run([this] {
            const QString why = start();
            if (!why.isEmpty())
                numbers->setText(why.toHtmlEscaped());
        });
    });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelJob(); });
    // Until the user chooses a model, Compute takes the default for what is
    // known and shows it.
    connect(modelList, &QComboBox::activated, this, [this] { m_modelChosen = true; });
    const auto forward = [this](QPushButton *button, const std::function<void()> &handler) {
        connect(button, &QPushButton::clicked, this, [this, &handler] {
            if (handler)
                run(handler);
        });
    };
    forward(stationsButton, onStations);
    forward(saveNumbersButton, onSaveNumbers);
    forward(savePictureButton, onSavePicture);
    // The eta Aquariids' window until another is chosen.
    if (const ShowerList::Shower *eta = ShowerList::find(QStringLiteral("ETA")))
        showerList->setCurrentIndex(1 + int(eta - ShowerList::all().data()));
    refresh();
}

// A job still running is cancelled and left to end on its own.
StackedView::~StackedView() = default;

void StackedView::run(const std::function<void()> &work)
{
    if (guard)
        guard(work);
    else
        work();
}

const ShowerList::Shower *StackedView::shower() const
{
    const int i = showerList->currentIndex() - 1;
    return i >= 0 && i < int(ShowerList::all().size()) ? &ShowerList::all()[size_t(i)] : nullptr;
}

void StackedView::showerChosen()
{
    if (const ShowerList::Shower *s = shower()) {
        const ShowerSeasons::Window w = ShowerSeasons::window(*s);
        from->setValue(std::fmod(w.from, 360.0));
        to->setValue(std::fmod(w.to, 360.0));
    }
    // A typed window leaves the radiant's model without a radiant.
    from->setEnabled(shower() == nullptr);
    to->setEnabled(shower() == nullptr);
}

std::vector<int> StackedView::chosenColumns() const
{
    std::vector<int> out;
    for (int c = 0; c < 11; ++c)
        if (columns[size_t(c)]->isChecked())
            out.push_back(c);
    return out;
}

QString StackedView::start()
{
    if (busy() || model == nullptr)
        return {};
    const std::vector<int> chosen = chosenColumns();
    if (chosen.empty())
        return t(Text::StackedNoColumns);
    const ShowerList::Shower *s = shower();
    ShowerSeasons::Window window;
    try {
        window = s ? ShowerSeasons::window(*s) : ShowerSeasons::window(from->value(), to->value());
    } catch (const VexlorError &e) {
        return e.text();
    }
    std::vector<ShowerSeasons::Column> cols;
    for (int c : chosen) {
        ShowerSeasons::Column col;
        col.column = c + 2;
        col.name = columnName ? columnName(c)
                   : c == 0   ? QStringLiteral("Sum")
                              : QStringLiteral("N%1").arg(c);
        if (stationOf)
            col.station = stationOf(c);
        cols.push_back(col);
    }
    StackedFit::Options options;
    if (s)
        options.radiant = ShowerList::trackOf(*s);
    if (!m_modelChosen)
        modelList->setCurrentIndex(modelList->findData(
            int(StackedFit::defaultModulation(options.radiant.has_value(), cols))));
    options.modulation = StackedFit::Modulation(modelList->currentData().toInt());
    const int count = replicates->value();
    const std::uint64_t seedValue = std::uint64_t(seed->value());
    // Reading the table, the fit and the resampling are the job's, on a
    // copy of the rows (cheap: each row's text is shared until changed).
    m_job = std::make_unique<Job<Outcome>>(
        [table = model->rows(), cols, window, options, count, seedValue](Progress &p) {
            const ShowerSeasons::Collected collected = ShowerSeasons::collect(table, window, cols);
            Outcome o;
            o.rowsWithoutTime = collected.rowsWithoutTime;
            o.emptyCells = collected.emptyCells;
            o.leftOut = collected.leftOut;
            o.fit = StackedFit::fit(collected.datasets, window, options, &p);
            o.doneWhenCancelled = p.done();
            o.totalWhenCancelled = p.total();
            if (o.fit.valid && !o.fit.cancelled && count > 0 && !p.cancelled()) {
                p.setDone(0);
                o.bootstrap = StackedBootstrap::run(o.fit, count, seedValue, &p);
            }
            return o;
        });
    progress->setRange(0, 100);
    progress->setValue(0);
    m_poll->start();
    refresh();
    return {};
}

void StackedView::cancelJob()
{
    if (m_job)
        m_job->cancel();
}

void StackedView::poll()
{
    if (!m_job)
        return;
    progress->setValue(m_job->progress().percent());
    if (m_job->finished())
        finishJob();
}

void StackedView::finishJob()
{
    m_poll->stop();
    const std::unique_ptr<Job<Outcome>> job = std::move(m_job);
    try {
        m_outcome = std::make_unique<Outcome>(job->take());
    } catch (...) {
        // The job's own failure goes to the general error box, with the
        // page idle again.
        refresh();
        throw;
    }
    refresh();
}

void StackedView::waitForJob()
{
    while (busy()) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
        poll();
    }
}

void StackedView::retranslate(const LanguageTexts &texts)
{
    m_texts = texts;
    showerLabel->setText(t(Text::StackedShower));
    showerList->setItemText(0, t(Text::StackedOwnWindow));
    fromLabel->setText(t(Text::StackedFrom));
    toLabel->setText(t(Text::StackedTo));
    modelLabel->setText(t(Text::StackedModel));
    modelList->setItemText(0, t(Text::StackedHourly));
    modelList->setItemText(1, t(Text::StackedRadiant));
    columnsLabel->setText(t(Text::StackedColumns));
    for (int c = 0; c < 11; ++c)
        columns[size_t(c)]->setText(columnName ? columnName(c)
                                    : c == 0   ? QStringLiteral("Sum")
                                               : QStringLiteral("N%1").arg(c));
    stationsButton->setText(t(Text::StackedStations));
    replicatesLabel->setText(t(Text::ReplicatesLabel));
    seedLabel->setText(t(Text::SeedLabel));
    computeButton->setText(t(Text::ComputeButton));
    cancelButton->setText(t(Text::Cancel));
    saveNumbersButton->setText(t(Text::StackedSaveNumbers));
    savePictureButton->setText(t(Text::StackedSavePicture));
    refresh();
}

void StackedView::refresh()
{
    const bool idle = !busy();
    const bool have = m_outcome && m_outcome->fit.valid;
    computeButton->setEnabled(idle);
    stationsButton->setEnabled(idle);
    saveNumbersButton->setEnabled(idle && m_outcome);
    savePictureButton->setEnabled(idle && have);
    progress->setVisible(!idle);
    cancelButton->setVisible(!idle);
    numbers->setText(summary());
    canvas->update();
}

namespace {

QString number(double v, int decimals)
{
    if (!std::isfinite(v))
        return QStringLiteral("-");
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(v, 'f', decimals);
}

// A longitude on the window's axis as degrees 0 to 360.
QString longitude(double v)
{
    return std::isfinite(v) ? number(std::fmod(v, 360.0), 2) : QStringLiteral("-");
}

QString warning(const QString &text)
{
    return QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(text.toHtmlEscaped());
}

} // namespace

QString StackedView::summary() const
{
    if (busy() && !m_outcome)
        return QString();
    if (!m_outcome)
        return t(Text::StackedComputeFirst).toHtmlEscaped();
    const StackedFit::Result &r = m_outcome->fit;
    QStringList lines;
    if (!r.valid) {
        lines << warning(r.cancelled ? t(Text::CancelledAfter)
                                           .arg(m_outcome->doneWhenCancelled)
                                           .arg(m_outcome->totalWhenCancelled)
                                     : t(Text::StackedNoFit).arg(r.failure));
        for (const QString &left : m_outcome->leftOut)
            lines << left.toHtmlEscaped();
        return lines.join(QStringLiteral("<br>"));
    }
    lines << t(Text::StackedMaximum)
                 .arg(longitude(r.lambdaMax), longitude(r.lambda68lo), longitude(r.lambda68hi),
                      longitude(r.lambda95lo), longitude(r.lambda95hi))
                 .toHtmlEscaped();
    lines << t(Text::StackedSlopes)
                 .arg(number(r.bPlus, 3), number(r.bPlus95lo, 3), number(r.bPlus95hi, 3),
                      number(r.bMinus, 3), number(r.bMinus95lo, 3), number(r.bMinus95hi, 3))
                 .toHtmlEscaped();
    size_t rows = 0;
    for (const StackedFit::DatasetResult &d : r.perDataset)
        rows += d.rows;
    lines << (t(Text::StackedWidth).arg(number(r.fwhmDegrees, 2)) + QStringLiteral("   ") +
              t(Text::StackedModelUsed)
                  .arg(r.modulation == StackedFit::Modulation::Radiant ? t(Text::StackedRadiant)
                                                                       : t(Text::StackedHourly))
                  .arg(r.perDataset.size())
                  .arg(rows))
                 .toHtmlEscaped();
    if (r.undetermined)
        lines << warning(t(Text::StackedUndetermined).arg(r.undeterminedReason));
    else if (r.onBound)
        lines << warning(r.boundReason);
    if (const std::optional<StackedBootstrap::Result> &b = m_outcome->bootstrap) {
        QLocale locale;
        lines << t(Text::ReportBootstrap)
                     .arg(b->replicates.size())
                     .arg(b->failed)
                     .arg(locale.toString(b->seconds, 'f', 1))
                     .toHtmlEscaped();
        if (b->cancelled)
            lines << t(Text::CancelledAfter)
                         .arg(b->replicates.size() + size_t(b->failed))
                         .arg(b->requested)
                         .toHtmlEscaped();
        if (!b->replicates.empty()) {
            const StackedBootstrap::Intervals i68 = StackedBootstrap::intervals(*b, 0.68);
            const StackedBootstrap::Intervals i95 = StackedBootstrap::intervals(*b, 0.95);
            lines << (QStringLiteral("↳ ") +
                      t(Text::StackedMaximum)
                          .arg(longitude(r.lambdaMax), longitude(i68.lambda.lo),
                               longitude(i68.lambda.hi), longitude(i95.lambda.lo),
                               longitude(i95.lambda.hi)) +
                      QStringLiteral("; ") +
                      t(Text::StackedSlopes)
                          .arg(number(r.bPlus, 3), number(i95.bPlus.lo, 3), number(i95.bPlus.hi, 3),
                               number(r.bMinus, 3), number(i95.bMinus.lo, 3),
                               number(i95.bMinus.hi, 3)))
                         .toHtmlEscaped();
        }
    }
    QStringList sets;
    for (size_t i = 0; i < r.perDataset.size(); ++i) {
        const StackedFit::DatasetResult &d = r.perDataset[i];
        QString name = d.column;
        if (!d.station.isEmpty() && d.station != d.column)
            name += QStringLiteral(" (%1)").arg(d.station);
        sets << QStringLiteral("<span style=\"color:%1\">■</span> %2")
                    .arg(StackedFigure::colorOf(i).name(),
                         t(Text::StackedDataset)
                             .arg(name)
                             .arg(d.year)
                             .arg(d.rows)
                             .arg(number(d.scale, 1), number(d.dO, 5))
                             .toHtmlEscaped());
    }
    lines << sets.join(QStringLiteral("; "));
    for (const QString &left : m_outcome->leftOut)
        lines << left.toHtmlEscaped();
    return lines.join(QStringLiteral("<br>"));
}

QString StackedView::title() const
{
    if (const ShowerList::Shower *s = shower())
        return QStringLiteral("%1 %2").arg(QLatin1String(s->code), QLatin1String(s->name));
    if (m_outcome)
        return QStringLiteral("λ☉ %1° – %2°")
            .arg(longitude(m_outcome->fit.window.from), longitude(m_outcome->fit.window.to));
    return QString();
}

StackedFigure::Texts StackedView::figureTexts() const
{
    StackedFigure::Texts x;
    x.title = title();
    x.xTitle = t(Text::StackedXTitle);
    x.yTitle = t(Text::StackedYTitle);
    x.profile = t(Text::StackedProfile);
    x.empty = busy() ? QString()
              : m_outcome && !m_outcome->fit.valid
                  ? t(Text::StackedNoFit).arg(m_outcome->fit.failure)
                  : t(Text::StackedComputeFirst);
    if (m_outcome && m_outcome->fit.valid) {
        const StackedFit::Result &r = m_outcome->fit;
        x.caption = r.undetermined ? t(Text::StackedUndetermined).arg(r.undeterminedReason)
                                   : t(Text::StackedMaximum)
                                             .arg(longitude(r.lambdaMax), longitude(r.lambda68lo),
                                                  longitude(r.lambda68hi), longitude(r.lambda95lo),
                                                  longitude(r.lambda95hi)) +
                                         QStringLiteral("; ") +
                                         t(Text::StackedWidth).arg(number(r.fwhmDegrees, 2));
    }
    return x;
}

QByteArray StackedView::csv() const
{
    if (!m_outcome)
        return {};
    return StackedReport::csv(m_outcome->fit,
                              m_outcome->bootstrap ? &*m_outcome->bootstrap : nullptr);
}
