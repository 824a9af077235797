// The report page: the last fit in observers' terms, the report's own fit
// over the whole range with its intervals and its verdict, the day-block
// bootstrap and the position profile on demand, and the pictures. Every
// computation runs as a job off the GUI thread, with progress and Cancel.
#pragma once

#include "analysis/AutoSearch.h"
#include "analysis/DayBootstrap.h"
#include "analysis/FitReport.h"
#include "analysis/ReportFigures.h"
#include "analysis/RunRecord.h"
#include "analysis/WholeRangeFit.h"
#include "app/Job.h"
#include "app/LanguageTexts.h"

#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

class ReportView : public QWidget {
    Q_OBJECT
public:
    explicit ReportView(QWidget *parent = nullptr);
    ~ReportView() override;

    // Set by the window: how event work is run.
    std::function<void(const std::function<void()> &)> guard;
    std::function<void()> onSaveReport, onSavePictures;

    // A new Run: its record, where its rows came from, and the search's
    // scores when Auto Calc ran it (its window centred on
    // searchPeakOffset). The page keeps a copy of the rows; every job of
    // the last Run is cancelled (nothing waits for it), and the report's
    // own fit (then the landscape, unless the search scored it) starts.
    struct Source {
        QString file, column, from, to;
    };
    void setRun(const RunRecord &run, const Source &source, const SearchScores *scores,
                int searchPeakOffset);
    // Rows Auto Calc refused (their largest count in the first six rows):
    // no Run, but the report's own fit of them.
    void setRefused(const std::vector<TRadData> &DataRows, const Source &source);
    // A Run is shown (its record's part of the report).
    bool hasRun() const { return m_haveRun; }
    // Something to report: a Run, or rows Auto Calc refused.
    bool hasRows() const { return m_rows && !m_rows->empty(); }
    // The texts of the language applied.
    void retranslate(const LanguageTexts &texts);

    void startBootstrap();
    void startProfile();
    // Stops the job running and drops those waiting.
    void cancelJob();
    bool busy() const { return m_task.has_value(); }
    // Until every job has ended and its result is shown (tests).
    void waitForJob();

    const FitReport::Report &report() const { return m_report; }
    // The report's own fit, once computed (not when cancelled).
    const std::optional<WholeRangeFit::Result> &wholeRange() const { return m_fit; }
    const std::optional<DayBootstrap::Result> &dayBootstrap() const { return m_dayBootstrap; }
    // The landscape at the fit's position: the search's scores, or a job's.
    const PositionProfile::Landscape &landscape() const { return m_landscape; }
    // Takes the result of a job that has ended and starts the next (the
    // page's timer calls it; a wait for a result may too).
    void poll();
    // True while the landscape's job waits or runs.
    bool landscapePending() const { return m_landscapePending; }
    // The rows of the Run shown (with their shower and sporadic parts), or
    // the refused rows.
    const std::vector<TRadData> &rows() const;
    // The page's text (rich text).
    QString summary() const;
    // The numbers as `name value` lines, for Save Report.
    QString reportText() const;
    // The same as CSV (FitReport::csv).
    QByteArray reportCsv() const;
    ReportFigures::Content content() const;
    // The pictures' texts on the page, or (forFile) in a saved picture,
    // which also gets the report's own fit as a caption.
    ReportFigures::Texts figureTexts(bool forFile = false) const;

    QSpinBox *replicates = nullptr, *seed = nullptr;
    QPushButton *bootstrapButton = nullptr, *profileButton = nullptr, *cancelButton = nullptr,
                *saveReportButton = nullptr, *savePicturesButton = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *numbers = nullptr, *replicatesLabel = nullptr, *seedLabel = nullptr,
           *jobLabel = nullptr;
    QWidget *canvas = nullptr;

private:
    class Canvas;
    using Text = LanguageTexts::Text;

    // The job running: what it is, its progress, and how its result comes
    // into the page. Dropping it cancels the job, which ends on its own.
    struct Task {
        Text name;
        std::shared_ptr<void> job;
        Progress *progress = nullptr;
        std::function<bool()> finished;
        std::function<void()> take; // on the GUI thread, once finished
    };
    template <class T>
    void start(Text name, std::function<T(Progress &)> work, std::function<void(T)> take);
    void reset();
    void startNext();
    void queueWholeRange();
    void queueLandscape();
    void run(const std::function<void()> &work);
    void finishJob();
    void refresh();
    QString t(Text text) const { return m_texts.text(text); }
    QString t(Text text, std::initializer_list<double> numbers) const
    {
        return m_texts.text(text, numbers);
    }
    QString number(double v, int decimals) const;
    QString hourText(double hours) const;
    QStringList runLines() const;
    QStringList wholeRangeLines(bool html) const;
    // Where the rows came from, and the report's lines after the rows.
    FitReport::Report sourceReport() const;
    QStringList figureLines() const;

    LanguageTexts m_texts;
    std::shared_ptr<const std::vector<TRadData>> m_rows;
    bool m_haveRun = false, m_fromSearch = false, m_refused = false;
    Source m_source;
    FitReport::Report m_report;
    std::optional<WholeRangeFit::Result> m_fit;
    bool m_fitCancelled = false;
    std::optional<DayBootstrap::Result> m_dayBootstrap;
    PositionProfile::Landscape m_landscape;
    bool m_landscapePending = false; // a job of it waits or runs
    std::optional<Task> m_task;
    std::deque<std::function<void()>> m_waiting; // jobs to start, in order
    QTimer *m_poll = nullptr;
};
