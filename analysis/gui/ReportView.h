// The report page: the last fit in observers' terms, the bootstrap and the
// position profile on demand (on worker threads, with progress and Cancel),
// and the pictures.
#pragma once

#include "analysis/AutoSearch.h"
#include "analysis/FitReport.h"
#include "analysis/ReportFigures.h"
#include "analysis/RunRecord.h"
#include "app/Job.h"
#include "app/LanguageTexts.h"

#include <QWidget>

#include <functional>
#include <memory>

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

    // A new Run: its record (the window's, which outlives the page), where
    // its rows came from, and the search's scores when Auto Calc ran it (its
    // window centred on searchPeakOffset). A job still running for the last
    // Run is cancelled.
    struct Source {
        QString file, column, from, to;
    };
    void setRun(const RunRecord &run, const Source &source, const SearchScores *scores,
                int searchPeakOffset);
    bool hasRun() const { return !rows().empty(); }
    // The texts of the language applied.
    void retranslate(const LanguageTexts &texts);

    void startBootstrap();
    void startProfile();
    void cancelJob();
    bool busy() const { return m_bootstrap || m_profile; }
    // Until the running job has ended and its result is shown (tests).
    void waitForJob();

    const FitReport::Report &report() const { return m_report; }
    // The landscape at the fit's position as far as it is known: the
    // search's own after Auto Calc; otherwise the first call starts scoring
    // it as a job (a ten-year table takes seconds) and it is empty until
    // that has ended.
    const PositionProfile::Landscape &landscape();
    bool landscapePending() const { return m_landscapeJob != nullptr; }
    // Takes the landscape's job's result once it has ended; true when the
    // landscape is known (or cannot be).
    bool landscapeReady();
    // Until the landscape is known, with the events processed (tests).
    const PositionProfile::Landscape &waitForLandscape();
    // The rows of the Run shown (with their shower and sporadic parts).
    const std::vector<TRadData> &rows() const;
    QString summary() const;
    ReportFigures::Content content();
    ReportFigures::Texts figureTexts() const;

    QSpinBox *replicates = nullptr, *seed = nullptr;
    QPushButton *bootstrapButton = nullptr, *profileButton = nullptr, *cancelButton = nullptr,
                *saveReportButton = nullptr, *savePicturesButton = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *numbers = nullptr, *replicatesLabel = nullptr, *seedLabel = nullptr;
    QWidget *canvas = nullptr;

private:
    class Canvas;
    void run(const std::function<void()> &work);
    void started();
    Progress *jobProgress();
    void poll();
    void finishJob();
    void refresh();
    using Text = LanguageTexts::Text;
    QString t(Text text) const { return m_texts.text(text); }

    LanguageTexts m_texts;
    const RunRecord *m_run = nullptr;
    FitReport::Report m_report;
    PositionProfile::Landscape m_landscape;
    bool m_landscapeDone = false;
    std::unique_ptr<Job<PositionProfile::Landscape>> m_landscapeJob;
    // The bootstrap or the profile running for the fit shown, if any; one
    // dropped for a new fit is cancelled and ends on its own.
    std::unique_ptr<Job<Bootstrap::Result>> m_bootstrap;
    std::unique_ptr<Job<PositionProfile::Profile>> m_profile;
    QTimer *m_poll = nullptr;
};
