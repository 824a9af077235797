// The report page.
#include "ReportView.h"

#include "analysis/ShowerUnits.h"
#include "analysis/WholeRangeReport.h"
#include "app/DateConv.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

// The pictures, drawn from what the page holds: painting computes nothing.
class ReportView::Canvas : public QWidget {
public:
    explicit Canvas(ReportView &view) : QWidget(&view), m_view(view) { setMinimumSize(600, 160); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        m_view.run([&] {
            ReportFigures::drawAll(painter, rect(), m_view.content(), m_view.figureTexts());
        });
    }

private:
    ReportView &m_view;
};

ReportView::ReportView(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    numbers = new QLabel;
    numbers->setTextFormat(Qt::RichText);
    numbers->setWordWrap(true);
    numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    numbers->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    numbers->setContentsMargins(4, 4, 4, 4);
    // The text scrolls when the page is short; the splitter gives the
    // pictures or the text more room.
    auto *scroll = new QScrollArea;
    scroll->setWidget(numbers);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);

    auto *lower = new QWidget;
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    replicatesLabel = new QLabel(this);
    replicates = new QSpinBox(this);
    replicates->setRange(10, Bootstrap::MaxReplicates);
    replicates->setValue(Bootstrap::DefaultReplicates);
    seedLabel = new QLabel(this);
    seed = new QSpinBox(this);
    seed->setRange(0, 999999999);
    seed->setValue(int(Bootstrap::DefaultSeed % 1000000000));
    bootstrapButton = new QPushButton(this);
    profileButton = new QPushButton(this);
    jobLabel = new QLabel(this);
    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    progress->setMaximumWidth(160);
    cancelButton = new QPushButton(this);
    saveReportButton = new QPushButton(this);
    savePicturesButton = new QPushButton(this);
    for (QWidget *w : std::initializer_list<QWidget *>{replicatesLabel, replicates, seedLabel, seed,
                                                       bootstrapButton, profileButton, jobLabel,
                                                       progress, cancelButton})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(saveReportButton);
    bar->addWidget(savePicturesButton);
    lowerLayout->addLayout(bar);
    canvas = new Canvas(*this);
    lowerLayout->addWidget(canvas, 1);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(scroll);
    splitter->addWidget(lower);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    // The text's own size asks for a few lines only; two fifths of the page
    // show the whole-range fit's lines, verdict and all, without scrolling.
    splitter->setSizes({400, 600});
    layout->addWidget(splitter);

    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, [this] { run([this] { poll(); }); });
    connect(bootstrapButton, &QPushButton::clicked, this,
            [this] { run([this] { startBootstrap(); }); });
    connect(profileButton, &QPushButton::clicked, this,
            [this] { run([this] { startProfile(); }); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelJob(); });
    connect(saveReportButton, &QPushButton::clicked, this, [this] {
        if (onSaveReport)
            run(onSaveReport);
    });
    connect(savePicturesButton, &QPushButton::clicked, this, [this] {
        if (onSavePictures)
            run(onSavePictures);
    });
    refresh();
}

// A job still running is cancelled and left to end on its own.
ReportView::~ReportView() = default;

void ReportView::run(const std::function<void()> &work)
{
    if (guard)
        guard(work);
    else
        work();
}

// Every job of what was shown is dropped (cancelled, not waited for), and
// with it everything computed for it.
void ReportView::reset()
{
    m_task.reset();
    m_waiting.clear();
    m_poll->stop();
    m_report = {};
    m_fit.reset();
    m_fitCancelled = false;
    m_dayBootstrap.reset();
    m_landscape = {};
    m_landscapePending = false;
    m_haveRun = m_fromSearch = m_refused = false;
}

void ReportView::setRun(const RunRecord &run, const Source &source, const SearchScores *scores,
                        int searchPeakOffset)
{
    reset();
    if (run.DataRows.empty()) { // the results were cleared: nothing to show
        refresh();
        return;
    }
    m_rows = std::make_shared<const std::vector<TRadData>>(run.DataRows);
    m_haveRun = true;
    m_fromSearch = scores != nullptr;
    m_source = source;
    m_report = FitReport::make(run.DataRows, run.params, run.dO);
    m_report.source = source.file;
    m_report.column = source.column;
    m_report.from = source.from;
    m_report.to = source.to;
    if (scores) {
        // The search scored the landscape already.
        m_report.peakOffset = searchPeakOffset;
        m_landscape = PositionProfile::fromScores(*scores, searchPeakOffset, run.params.P);
    }
    queueWholeRange();
    if (!m_landscape.valid())
        queueLandscape();
    startNext();
    refresh();
}

void ReportView::setRefused(const std::vector<TRadData> &DataRows, const Source &source)
{
    reset();
    m_rows = std::make_shared<const std::vector<TRadData>>(DataRows);
    m_refused = true;
    m_source = source;
    queueWholeRange();
    startNext();
    refresh();
}

const std::vector<TRadData> &ReportView::rows() const
{
    static const std::vector<TRadData> none;
    return m_rows ? *m_rows : none;
}

template <class T>
void ReportView::start(Text name, std::function<T(Progress &)> work, std::function<void(T)> take)
{
    auto job = std::make_shared<Job<T>>(std::move(work));
    Task task;
    task.name = name;
    task.progress = &job->progress();
    task.finished = [j = job.get()] { return j->finished(); };
    task.take = [j = job.get(), take = std::move(take)] { take(j->take()); };
    task.job = std::move(job);
    m_task = std::move(task);
    progress->setValue(0);
    m_poll->start();
}

void ReportView::queueWholeRange()
{
    m_waiting.push_back([this] {
        start<WholeRangeFit::Result>(
            Text::WholeFitJob,
            [rows = m_rows](Progress &p) { return WholeRangeFit::fit(*rows, {}, p); },
            [this](WholeRangeFit::Result r) {
                if (r.cancelled)
                    m_fitCancelled = true;
                else
                    m_fit = std::move(r);
            });
    });
}

void ReportView::queueLandscape()
{
    m_waiting.push_back([this] {
        start<PositionProfile::Landscape>(
            Text::LandscapeJob,
            [rows = m_rows, position = m_report.params.P](Progress &p) {
                return PositionProfile::landscape(*rows, position, p);
            },
            [this](PositionProfile::Landscape l) {
                m_landscapePending = false;
                if (l.valid())
                    m_landscape = std::move(l);
            });
    });
    m_landscapePending = true;
}

void ReportView::startNext()
{
    if (!m_task && !m_waiting.empty()) {
        const std::function<void()> next = std::move(m_waiting.front());
        m_waiting.pop_front();
        next();
    }
    if (!m_task)
        m_poll->stop();
}

void ReportView::startBootstrap()
{
    if (busy() || !m_fit || !m_fit->valid)
        return;
    const int count = replicates->value();
    const std::uint64_t s = std::uint64_t(seed->value());
    m_dayBootstrap.reset();
    // The job works on a copy of the fit: a new Run replaces it meanwhile.
    start<DayBootstrap::Result>(
        Text::BootstrapButton,
        [fit = *m_fit, count, s](Progress &p) { return DayBootstrap::run(fit, count, s, p); },
        [this](DayBootstrap::Result r) { m_dayBootstrap = std::move(r); });
    refresh();
}

void ReportView::startProfile()
{
    if (busy() || !hasRun())
        return;
    start<PositionProfile::Profile>(
        Text::ProfileButton,
        [rows = m_rows](Progress &p) { return PositionProfile::compute(*rows, p); },
        [this](PositionProfile::Profile p) { m_report.profile = std::move(p); });
    refresh();
}

void ReportView::cancelJob()
{
    m_waiting.clear();
    // A landscape waiting its turn is not computed now.
    m_landscapePending = m_task && m_task->name == Text::LandscapeJob;
    if (m_task)
        m_task->progress->cancel();
    refresh();
}

void ReportView::poll()
{
    if (!m_task) {
        m_poll->stop();
        return;
    }
    progress->setValue(m_task->progress->percent());
    if (m_task->finished())
        finishJob();
}

void ReportView::finishJob()
{
    const Task task = std::move(*m_task);
    m_task.reset();
    try {
        task.take();
    } catch (const JobCancelled &) {
        // stopped before it had anything to show
    } catch (...) {
        // The job's own failure (no memory) goes to the general error box,
        // with the page going on.
        startNext();
        refresh();
        throw;
    }
    startNext();
    refresh();
}

void ReportView::waitForJob()
{
    while (busy()) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
        poll();
    }
}

void ReportView::retranslate(const LanguageTexts &texts)
{
    m_texts = texts;
    replicatesLabel->setText(t(Text::ReplicatesLabel));
    seedLabel->setText(t(Text::SeedLabel));
    bootstrapButton->setText(t(Text::BootstrapButton));
    profileButton->setText(t(Text::ProfileButton));
    cancelButton->setText(t(Text::Cancel));
    saveReportButton->setText(t(Text::SaveReportButton));
    savePicturesButton->setText(t(Text::SavePicturesButton));
    refresh();
}

void ReportView::refresh()
{
    const bool idle = !busy();
    bootstrapButton->setEnabled(idle && m_fit && m_fit->valid);
    profileButton->setEnabled(idle && hasRun());
    saveReportButton->setEnabled(idle && hasRows());
    savePicturesButton->setEnabled(idle && hasRows());
    progress->setVisible(!idle);
    cancelButton->setVisible(!idle);
    jobLabel->setVisible(!idle);
    if (m_task)
        jobLabel->setText(t(m_task->name) + QStringLiteral(" …"));
    numbers->setText(summary());
    canvas->update();
}

// ---- the words and numbers -------------------------------------------------

namespace {

QString red(const QString &text)
{
    return QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(text.toHtmlEscaped());
}

QString bold(const QString &text)
{
    return QStringLiteral("<b>%1</b>").arg(text.toHtmlEscaped());
}

} // namespace

QString ReportView::number(double v, int decimals) const
{
    return std::isfinite(v) ? m_texts.locale().toString(v, 'f', decimals) : QStringLiteral("-");
}

// The date and hour (UT) of the whole hour nearest `hours` after the first
// row's hour, as "date" and "hh".
QString ReportView::hourText(double hours) const
{
    if (!m_fit || !std::isfinite(hours) || !m_fit->rows.firstDate.isValid())
        return QStringLiteral("- -");
    const qint64 h = std::llround(hours) + m_fit->rows.firstHour;
    const qint64 day = h >= 0 ? h / 24 : (h - 23) / 24;
    return DateConv::toText(m_fit->rows.firstDate.addDays(day)) + u' ' +
           QStringLiteral("%1").arg(int(h - 24 * day), 2, 10, QChar(u'0'));
}

QStringList ReportView::runLines() const
{
    const FitReport::Report &r = m_report;
    QStringList lines;
    lines << bold(t(m_fromSearch ? Text::SectionAutoCalc : Text::SectionRun));
    if (r.peak.date.isEmpty()) {
        lines << t(Text::ReportMaximumOutside).toHtmlEscaped();
    } else {
        lines << t(Text::ReportMaximum)
                     .arg(r.peak.date)
                     .arg(r.peak.hour, 2, 10, QChar(u'0'))
                     .arg(r.params.P)
                     .toHtmlEscaped();
        // At the middle of the counting hour, as the report's own fit.
        const std::optional<QDate> date = DateConv::fromText(r.peak.date.trimmed());
        lines << t(Text::ReportSolarLongitude)
                     .arg(number(date ? ShowerUnits::solarLongitudeOfHour(*date, r.peak.hour)
                                      : std::nan(""),
                                 3))
                     .toHtmlEscaped();
    }
    lines << t(Text::ReportShape, {double(r.params.a), double(r.params.b), r.shape.fwhm})
                 .arg(r.params.a)
                 .arg(r.params.b)
                 .arg(number(r.shape.fwhm, 1))
                 .toHtmlEscaped();
    if (r.missing > 0)
        lines << t(Text::ReportGaps, {double(r.missing)}).arg(r.missing).toHtmlEscaped();
    lines << t(Text::ReportDeviation).arg(number(r.dO, 5)).toHtmlEscaped();
    if (r.profile && r.profile->bestPosition > 0) {
        const PositionProfile::Profile &p = *r.profile;
        const FitReport::RowTime best = FitReport::timeOfRow(rows(), p.bestPosition);
        const QString when =
            best.date.isEmpty()
                ? QStringLiteral("-")
                : QStringLiteral("%1 %2h").arg(best.date).arg(best.hour, 2, 10, QChar(u'0'));
        lines << t(Text::ReportProfile, {0, 0, 0, double(p.positionsNearBest())})
                     .arg(p.bestPosition)
                     .arg(when)
                     .arg(number(p.bestDO, 5))
                     .arg(p.positionsNearBest())
                     .toHtmlEscaped();
        if (p.cancelled)
            lines << t(Text::CancelledAfter)
                         .arg(p.points.size())
                         .arg(rows().size() - 1)
                         .toHtmlEscaped();
        if (std::abs(p.bestPosition - r.peakOffset) > 5)
            lines << red(t(Text::UndeterminedOutside));
        else if (p.positionsNearBest() > 24)
            lines << red(t(Text::UndeterminedFlat, {double(p.positionsNearBest())})
                             .arg(p.positionsNearBest()));
    }
    return lines;
}

QStringList ReportView::wholeRangeLines(bool html) const
{
    const auto plain = [html](const QString &text) { return html ? text.toHtmlEscaped() : text; };
    const auto warn = [html](const QString &text) { return html ? red(text) : text; };
    QStringList lines;
    lines << (html ? bold(t(Text::SectionWholeRange)) : t(Text::SectionWholeRange));
    if (m_refused)
        lines << plain(t(Text::RefusedByAutoCalc));
    if (!m_fit) {
        if (m_fitCancelled)
            lines << plain(t(Text::FitCancelled));
        else
            lines << plain(t(Text::FitRunning));
        return lines;
    }
    const WholeRangeFit::Result &f = *m_fit;
    if (f.rows.withoutTime > 0)
        lines << plain(
            t(Text::UnreadableDatesLeftOut, {double(f.rows.withoutTime)}).arg(f.rows.withoutTime));
    if (!f.valid) {
        lines << warn(t(Text::Undetermined).arg(WholeRangeFit::failureText(f, m_texts)));
        return lines;
    }
    const auto split = [this](double hours) { return hourText(hours).split(u' '); };
    const QStringList at = split(f.position);
    lines << plain(t(Text::WholeMaximum).arg(at[0], at[1], number(f.solarLongitude, 3)));
    const auto interval = [&](int level, const WholeRangeFit::Interval &i, double lambdaLo,
                              double lambdaHi) {
        const QStringList lo = split(i.lo), hi = split(i.hi);
        return t(Text::WholeInterval)
            .arg(QString::number(level), lo[0], lo[1], hi[0], hi[1], number(lambdaLo, 3),
                 number(lambdaHi, 3));
    };
    lines << plain(interval(68, f.position68, f.solarLongitude68lo, f.solarLongitude68hi));
    // The verdict stands next to the interval it is about.
    QString line95 = plain(interval(95, f.position95, f.solarLongitude95lo, f.solarLongitude95hi));
    if (f.undetermined)
        line95 += QStringLiteral(" — ") +
                  warn(t(Text::Undetermined).arg(WholeRangeFit::verdictText(f, m_texts)));
    lines << line95;
    const auto scale = [&](Text text, double v, const WholeRangeFit::Interval &i68,
                           const WholeRangeFit::Interval &i95) {
        return plain(t(text).arg(number(v, 0), number(i68.lo, 1), number(i68.hi, 1),
                                 number(i95.lo, 1), number(i95.hi, 1)));
    };
    lines << scale(Text::WholeRise, f.a, f.a68, f.a95)
          << scale(Text::WholeDecay, f.b, f.b68, f.b95);
    lines << plain(t(Text::WholeUnits)
                       .arg(number(f.bPlus, 2), number(f.bMinus, 2), number(f.fwhmHours, 1),
                            number(f.fwhmDegrees, 3)));
    if (f.onBound)
        lines << warn(t(Text::OnBound).arg(WholeRangeFit::boundText(f, m_texts)));
    if (m_haveRun) {
        // Is the answer above this fit? The same hour, a and b.
        bool same = false;
        for (size_t j = 0; j < f.rows.offsets.size(); ++j)
            if (f.rows.offsets[j] == m_report.params.P)
                same = f.rows.series.t[j] == f.position && m_report.params.a == f.a &&
                       m_report.params.b == f.b;
        lines << plain(t(same ? Text::IntervalsBoth : Text::IntervalsHere));
    }
    if (m_dayBootstrap) {
        const DayBootstrap::Result &b = *m_dayBootstrap;
        const double answered = double(b.replicates.size());
        lines << plain(t(Text::ReportBootstrap, {answered})
                           .arg(b.replicates.size())
                           .arg(b.failed)
                           .arg(number(b.seconds, 1)));
        if (b.cancelled)
            lines << plain(t(Text::CancelledAfter)
                               .arg(b.replicates.size() + size_t(b.failed))
                               .arg(b.requested));
        if (!b.replicates.empty())
            for (const double level : {0.68, 0.95}) {
                const DayBootstrap::Intervals iv = DayBootstrap::intervals(b, f.rows, level);
                const QStringList lo = split(iv.position.lo), hi = split(iv.position.hi);
                lines << plain(t(Text::DayBootstrapInterval)
                                   .arg(QString::number(std::lround(level * 100)), lo[0], lo[1],
                                        hi[0], hi[1], number(iv.solarLongitude.lo, 3),
                                        number(iv.solarLongitude.hi, 3), number(iv.a.lo, 0),
                                        number(iv.a.hi, 0))
                                   .arg(number(iv.b.lo, 0), number(iv.b.hi, 0)));
            }
    }
    lines << plain(t(Text::HalfHourNote));
    return lines;
}

QString ReportView::summary() const
{
    if (!hasRows())
        return t(Text::RunFirst).toHtmlEscaped();
    QStringList lines;
    if (m_haveRun)
        lines << runLines() << QString();
    lines << wholeRangeLines(true);
    return lines.join(QStringLiteral("<br>"));
}

FitReport::Report ReportView::sourceReport() const
{
    if (m_haveRun)
        return m_report;
    FitReport::Report source;
    source.source = m_source.file;
    source.column = m_source.column;
    source.from = m_source.from;
    source.to = m_source.to;
    return source;
}

QStringList ReportView::figureLines() const
{
    QStringList lines;
    if (m_haveRun) {
        // Auto Calc's (or the Run's) figures, after the source and the rows.
        const FitReport::Report &r = m_report;
        lines << FitReport::text(r, rows()).trimmed().split(u'\n').mid(
            FitReport::sourceLines(r, rows().size()).size());
    } else {
        lines << QStringLiteral("auto_calc_refused yes");
    }
    if (m_fit)
        lines << WholeRangeReport::lines(*m_fit, m_dayBootstrap ? &*m_dayBootstrap : nullptr);
    else
        lines << QStringLiteral("report_cancelled yes");
    return lines;
}

QString ReportView::reportText() const
{
    return (FitReport::sourceLines(sourceReport(), rows().size()) + figureLines()).join(u'\n') +
           u'\n';
}

QByteArray ReportView::reportCsv() const
{
    return FitReport::csv(sourceReport(), rows().size(), figureLines());
}

ReportFigures::Content ReportView::content() const
{
    ReportFigures::Content c;
    if (m_dayBootstrap && !m_dayBootstrap->replicates.empty()) {
        std::vector<int> positions;
        for (const DayBootstrap::Replicate &r : m_dayBootstrap->replicates)
            positions.push_back(int(std::lround(r.position)));
        c.replicates = std::move(positions);
    }
    if (m_fit && m_fit->valid)
        c.estimate = int(std::lround(m_fit->position));
    c.profile = m_report.profile;
    c.landscape = m_landscape;
    c.peakOffset = m_report.peakOffset;
    c.position = m_report.params.P;
    return c;
}

ReportFigures::Texts ReportView::figureTexts(bool forFile) const
{
    ReportFigures::Texts x;
    const int n = m_dayBootstrap ? int(m_dayBootstrap->replicates.size()) : 0;
    x.histogram =
        n > 0 ? t(Text::HistogramTitle, {double(n)}).arg(n) : t(Text::HistogramNoBootstrap);
    x.profile = t(Text::ProfileTitle);
    x.landscape = hasRun() ? t(Text::LandscapeTitle).arg(m_report.params.P) : t(Text::LandscapeJob);
    x.position = t(Text::PositionAxis);
    if (m_fit && m_fit->rows.firstDate.isValid())
        x.hours = t(Text::HoursAfter)
                      .arg(DateConv::toText(m_fit->rows.firstDate))
                      .arg(m_fit->rows.firstHour, 2, 10, QChar(u'0'));
    else
        x.hours = t(Text::PositionAxis);
    x.window = t(Text::SearchWindow);
    const QString notComputed = t(Text::NotComputed);
    if (forFile) {
        x.empty = x.emptyLandscape = notComputed;
        x.caption = wholeRangeLines(false);
    } else {
        x.empty = hasRows() ? t(Text::ComputeFirst) : t(Text::RunFirst);
        x.emptyLandscape = !hasRows()           ? t(Text::RunFirst)
                           : m_landscapePending ? t(Text::LandscapeJob) + QStringLiteral(" …")
                                                : notComputed;
    }
    x.locale = m_texts.locale();
    return x;
}
