// The report page.
#include "ReportView.h"

#include <QCoreApplication>
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
    numbers = new QLabel(this);
    numbers->setTextFormat(Qt::RichText);
    numbers->setWordWrap(true);
    numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    numbers->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // Room for the whole report, so that the controls under it stay put
    // when the bootstrap's and the profile's lines come.
    numbers->setMinimumHeight(numbers->fontMetrics().lineSpacing() * 11 + 4);
    layout->addWidget(numbers);

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
    progress = new QProgressBar(this);
    progress->setMaximumWidth(160);
    progress->setVisible(false);
    cancelButton = new QPushButton(this);
    cancelButton->setVisible(false);
    saveReportButton = new QPushButton(this);
    savePicturesButton = new QPushButton(this);
    for (QWidget *w :
         std::initializer_list<QWidget *>{replicatesLabel, replicates, seedLabel, seed,
                                          bootstrapButton, profileButton, progress, cancelButton})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(saveReportButton);
    bar->addWidget(savePicturesButton);
    layout->addLayout(bar);
    canvas = new Canvas(*this);
    layout->addWidget(canvas, 1);

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

void ReportView::setRun(const RunRecord &run, const Source &source, const SearchScores *scores,
                        int searchPeakOffset)
{
    // A job of the last Run is cancelled; nothing waits for it.
    m_bootstrap.reset();
    m_profile.reset();
    m_landscapeJob.reset();
    m_poll->stop();
    m_run = &run;
    m_report = FitReport::make(run.DataRows, run.params, run.dO);
    m_report.source = source.file;
    m_report.column = source.column;
    m_report.from = source.from;
    m_report.to = source.to;
    m_landscape = {};
    m_landscapeDone = false;
    if (scores) {
        // The search scored the landscape already.
        m_report.peakOffset = searchPeakOffset;
        m_landscape = PositionProfile::fromScores(*scores, searchPeakOffset, run.params.P);
        m_landscapeDone = m_landscape.valid();
    }
    refresh();
}

const std::vector<TRadData> &ReportView::rows() const
{
    static const std::vector<TRadData> none;
    return m_run ? m_run->DataRows : none;
}

const PositionProfile::Landscape &ReportView::landscape()
{
    if (!m_landscapeDone && !m_landscapeJob && hasRun()) {
        // 10 000 fits over every row: never on the window's thread. The job
        // scores copies; a new Run drops it, cancelled.
        m_landscapeJob = std::make_unique<Job<PositionProfile::Landscape>>(
            [rows = rows(), position = m_report.params.P](Progress &p) {
                return PositionProfile::landscape(rows, position, &p);
            });
        m_poll->start();
    }
    return m_landscape;
}

bool ReportView::landscapeReady()
{
    if (m_landscapeJob && m_landscapeJob->finished()) {
        const std::unique_ptr<Job<PositionProfile::Landscape>> job = std::move(m_landscapeJob);
        m_landscapeDone = true;
        m_landscape = job->take();
        canvas->update();
    }
    return m_landscapeDone || !hasRun();
}

const PositionProfile::Landscape &ReportView::waitForLandscape()
{
    landscape();
    while (!landscapeReady()) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return m_landscape;
}

void ReportView::started()
{
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setVisible(true);
    cancelButton->setVisible(true);
    bootstrapButton->setEnabled(false);
    profileButton->setEnabled(false);
    m_poll->start();
}

void ReportView::startBootstrap()
{
    if (!hasRun() || busy())
        return;
    const int count = replicates->value();
    const std::uint64_t s = std::uint64_t(seed->value());
    // The job works on copies: the record may change while it runs.
    m_bootstrap = std::make_unique<Job<Bootstrap::Result>>(
        [rows = rows(), expected = Bootstrap::expectedCounts(rows()), count, s](Progress &p) {
            return Bootstrap::run(rows, expected, count, s, p);
        });
    started();
}

void ReportView::startProfile()
{
    if (!hasRun() || busy())
        return;
    m_profile = std::make_unique<Job<PositionProfile::Profile>>(
        [rows = rows()](Progress &p) { return PositionProfile::compute(rows, p); });
    started();
}

Progress *ReportView::jobProgress()
{
    return m_bootstrap ? &m_bootstrap->progress() : m_profile ? &m_profile->progress() : nullptr;
}

void ReportView::cancelJob()
{
    if (Progress *p = jobProgress())
        p->cancel();
}

void ReportView::poll()
{
    landscapeReady();
    if (Progress *p = jobProgress())
        progress->setValue(p->percent());
    if ((m_bootstrap && m_bootstrap->finished()) || (m_profile && m_profile->finished()))
        finishJob();
    else if (!busy() && !m_landscapeJob)
        m_poll->stop();
}

void ReportView::finishJob()
{
    if (!m_landscapeJob)
        m_poll->stop();
    const std::unique_ptr<Job<Bootstrap::Result>> bootstrap = std::move(m_bootstrap);
    const std::unique_ptr<Job<PositionProfile::Profile>> profile = std::move(m_profile);
    try {
        if (bootstrap)
            m_report.bootstrap = bootstrap->take();
        if (profile)
            m_report.profile = profile->take();
    } catch (...) {
        // The job's own failure (no memory) goes to the general error box,
        // with the page idle again.
        refresh();
        throw;
    }
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
    const bool have = hasRun();
    const bool idle = !busy();
    bootstrapButton->setEnabled(have && idle);
    profileButton->setEnabled(have && idle);
    saveReportButton->setEnabled(have);
    savePicturesButton->setEnabled(have);
    progress->setVisible(!idle);
    cancelButton->setVisible(!idle);
    numbers->setText(summary());
    canvas->update();
}

namespace {

QString degrees(double v)
{
    return std::isnan(v) ? QStringLiteral("-") : QLocale().toString(v, 'f', 3);
}

QString timeText(const FitReport::RowTime &t)
{
    return t.date.isEmpty() ? QStringLiteral("-")
                            : QStringLiteral("%1 %2h").arg(t.date).arg(t.hour, 2, 10, QChar(u'0'));
}

} // namespace

QString ReportView::summary() const
{
    if (!hasRun())
        return t(Text::RunFirst);
    const FitReport::Report &r = m_report;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QStringList lines;
    if (r.peak.date.isEmpty()) {
        lines << t(Text::ReportMaximumOutside);
    } else {
        lines << t(Text::ReportMaximum)
                     .arg(r.peak.date)
                     .arg(r.peak.hour, 2, 10, QChar(u'0'))
                     .arg(r.params.P);
        lines << t(Text::ReportSolarLongitude).arg(degrees(r.peak.solarLongitude));
    }
    lines << t(Text::ReportShape)
                 .arg(r.params.a)
                 .arg(r.params.b)
                 .arg(locale.toString(r.shape.fwhm, 'f', 1));
    if (r.missing > 0)
        lines << t(Text::ReportGaps).arg(r.missing);
    if (r.unreadableDates > 0)
        lines << t(Text::UnreadableDates).arg(r.unreadableDates);
    lines << t(Text::ReportDeviation).arg(locale.toString(r.dO, 'f', 5));
    if (r.bootstrap) {
        const Bootstrap::Result &b = *r.bootstrap;
        lines << t(Text::ReportBootstrap)
                     .arg(b.replicates.size())
                     .arg(b.failed)
                     .arg(locale.toString(b.seconds, 'f', 1));
        if (b.cancelled)
            lines << t(Text::CancelledAfter)
                         .arg(b.replicates.size() + size_t(b.failed))
                         .arg(b.requested);
        for (double level : {0.68, 0.95}) {
            const FitReport::Intervals iv = FitReport::intervals(b, rows(), level);
            if (b.replicates.empty())
                break;
            lines << t(Text::ReportInterval)
                         .arg(iv.level)
                         .arg(iv.a.lo)
                         .arg(iv.a.hi)
                         .arg(iv.b.lo)
                         .arg(iv.b.hi)
                         .arg(iv.position.lo)
                         .arg(iv.position.hi)
                         .arg(timeText(iv.positionLo), timeText(iv.positionHi),
                              degrees(iv.solarLongitude.lo), degrees(iv.solarLongitude.hi));
        }
    }
    if (r.profile && r.profile->bestPosition > 0) {
        const PositionProfile::Profile &p = *r.profile;
        const FitReport::RowTime best = FitReport::timeOfRow(rows(), p.bestPosition);
        lines << t(Text::ReportProfile)
                     .arg(p.bestPosition)
                     .arg(timeText(best) + QStringLiteral(", λ☉ ") + degrees(best.solarLongitude))
                     .arg(locale.toString(p.bestDO, 'f', 5))
                     .arg(p.positionsNearBest());
        if (p.cancelled)
            lines << t(Text::CancelledAfter).arg(p.points.size()).arg(rows().size() - 1);
        if (std::abs(p.bestPosition - r.peakOffset) > 5)
            lines << QStringLiteral("<b style=\"color:#b00000\">%1</b>")
                         .arg(t(Text::UndeterminedOutside).toHtmlEscaped());
        else if (p.positionsNearBest() > 24)
            lines << QStringLiteral("<b style=\"color:#b00000\">%1</b>")
                         .arg(t(Text::UndeterminedFlat).arg(p.positionsNearBest()).toHtmlEscaped());
    }
    for (QString &line : lines)
        if (!line.startsWith(QLatin1String("<b")))
            line = line.toHtmlEscaped();
    return lines.join(QStringLiteral("<br>"));
}

ReportFigures::Content ReportView::content()
{
    ReportFigures::Content c;
    c.bootstrap = m_report.bootstrap;
    c.profile = m_report.profile;
    c.landscape = landscape();
    c.landscapePending = landscapePending();
    c.peakOffset = m_report.peakOffset;
    c.position = m_report.params.P;
    return c;
}

ReportFigures::Texts ReportView::figureTexts() const
{
    ReportFigures::Texts x;
    x.histogram = t(Text::HistogramTitle);
    x.profile = t(Text::ProfileTitle);
    x.landscape = t(Text::LandscapeTitle);
    x.position = t(Text::PositionAxis);
    x.replicates = t(Text::ReplicatesAxis);
    x.window = t(Text::SearchWindow);
    x.empty = hasRun() ? t(Text::ComputeFirst) : t(Text::RunFirst);
    x.computing = t(Text::Computing);
    return x;
}
