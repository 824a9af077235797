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

// A bootstrap or a profile on its own thread; the page polls it.
struct ReportView::Job {
    std::atomic<int> done{0}, total{1};
    std::atomic<bool> cancel{false}, finished{false};
    std::optional<Bootstrap::Result> bootstrap;
    std::optional<PositionProfile::Profile> profile;
    std::thread thread;
    ~Job()
    {
        cancel = true;
        if (thread.joinable())
            thread.join();
    }
};

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

ReportView::~ReportView() = default;

void ReportView::run(const std::function<void()> &work)
{
    if (guard)
        guard(work);
    else
        work();
}

void ReportView::setRun(const std::vector<TRadData> &DataRows, const ModelParams &params, double dO,
                        const Source &source, const SearchScores *scores, int searchPeakOffset)
{
    m_job.reset(); // cancels and waits
    m_poll->stop();
    m_rows = DataRows;
    m_report = FitReport::make(m_rows, params, dO);
    m_report.source = source.file;
    m_report.column = source.column;
    m_report.from = source.from;
    m_report.to = source.to;
    m_landscape = {};
    m_landscapeDone = false;
    if (scores) {
        // The search scored the landscape already.
        m_report.peakOffset = searchPeakOffset;
        m_landscape = PositionProfile::fromScores(*scores, searchPeakOffset, params.P);
        m_landscapeDone = m_landscape.valid();
    }
    refresh();
}

const PositionProfile::Landscape &ReportView::landscape()
{
    if (!m_landscapeDone && !m_rows.empty()) {
        m_landscapeDone = true;
        m_landscape = PositionProfile::landscape(m_rows, m_report.params.P);
    }
    return m_landscape;
}

void ReportView::start(std::unique_ptr<Job> job)
{
    m_job = std::move(job);
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
    if (m_rows.empty() || m_job)
        return;
    auto job = std::make_unique<Job>();
    Job *j = job.get();
    j->total = replicates->value();
    const std::vector<double> expected = Bootstrap::expectedCounts(m_rows);
    const int count = replicates->value();
    const std::uint64_t s = std::uint64_t(seed->value());
    j->thread = std::thread([j, rows = m_rows, expected, count, s] {
        j->bootstrap = Bootstrap::run(rows, expected, count, s, [j](int done) {
            j->done = done;
            return !j->cancel.load();
        });
        j->finished = true;
    });
    start(std::move(job));
}

void ReportView::startProfile()
{
    if (m_rows.empty() || m_job)
        return;
    auto job = std::make_unique<Job>();
    Job *j = job.get();
    j->thread = std::thread([j, rows = m_rows] {
        j->profile = PositionProfile::compute(rows, [j](int done, int total) {
            j->done = done;
            j->total = std::max(1, total);
            return !j->cancel.load();
        });
        j->finished = true;
    });
    start(std::move(job));
}

void ReportView::cancelJob()
{
    if (m_job)
        m_job->cancel = true;
}

void ReportView::poll()
{
    if (!m_job)
        return;
    progress->setValue(int(100.0 * m_job->done / std::max(1, m_job->total.load())));
    if (m_job->finished)
        finishJob();
}

void ReportView::finishJob()
{
    m_poll->stop();
    m_job->thread.join();
    if (m_job->bootstrap)
        m_report.bootstrap = std::move(m_job->bootstrap);
    if (m_job->profile)
        m_report.profile = std::move(m_job->profile);
    m_job.reset();
    refresh();
}

void ReportView::waitForJob()
{
    while (m_job) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
        poll();
    }
}

void ReportView::retranslate()
{
    replicatesLabel->setText(t(69));
    seedLabel->setText(t(70));
    bootstrapButton->setText(t(71));
    profileButton->setText(t(72));
    cancelButton->setText(t(2));
    saveReportButton->setText(t(78));
    savePicturesButton->setText(t(80));
    refresh();
}

void ReportView::refresh()
{
    const bool have = !m_rows.empty();
    const bool idle = !m_job;
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
    if (m_rows.empty())
        return t(86);
    const FitReport::Report &r = m_report;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QStringList lines;
    if (r.peak.date.isEmpty()) {
        lines << t(65);
    } else {
        lines << t(63).arg(r.peak.date).arg(r.peak.hour, 2, 10, QChar(u'0')).arg(r.params.P);
        lines << t(64).arg(degrees(r.peak.solarLongitude));
    }
    lines << t(66).arg(r.params.a).arg(r.params.b).arg(locale.toString(r.shape.fwhm, 'f', 1));
    if (r.missing > 0)
        lines << t(67).arg(r.missing);
    lines << t(68).arg(locale.toString(r.dO, 'f', 5));
    if (r.bootstrap) {
        const Bootstrap::Result &b = *r.bootstrap;
        lines
            << t(73).arg(b.replicates.size()).arg(b.failed).arg(locale.toString(b.seconds, 'f', 1));
        if (b.cancelled)
            lines << t(87).arg(b.replicates.size() + size_t(b.failed)).arg(b.requested);
        for (double level : {0.68, 0.95}) {
            const FitReport::Intervals iv = FitReport::intervals(b, m_rows, level);
            if (b.replicates.empty())
                break;
            lines << t(74)
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
        const FitReport::RowTime best = FitReport::timeOfRow(m_rows, p.bestPosition);
        lines << t(75)
                     .arg(p.bestPosition)
                     .arg(timeText(best) + QStringLiteral(", λ☉ ") + degrees(best.solarLongitude))
                     .arg(locale.toString(p.bestDO, 'f', 5))
                     .arg(p.positionsNearBest());
        if (p.cancelled)
            lines << t(87).arg(p.points.size()).arg(m_rows.size() - 1);
        if (std::abs(p.bestPosition - r.peakOffset) > 5)
            lines << QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(t(76).toHtmlEscaped());
        else if (p.positionsNearBest() > 24)
            lines << QStringLiteral("<b style=\"color:#b00000\">%1</b>")
                         .arg(t(77).arg(p.positionsNearBest()).toHtmlEscaped());
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
    c.peakOffset = m_report.peakOffset;
    c.position = m_report.params.P;
    return c;
}

ReportFigures::Texts ReportView::figureTexts() const
{
    ReportFigures::Texts x;
    x.histogram = t(81);
    x.profile = t(82);
    x.landscape = t(83);
    x.position = t(84);
    x.replicates = t(85);
    x.window = t(88);
    x.empty = m_rows.empty() ? t(86) : t(89);
    return x;
}
