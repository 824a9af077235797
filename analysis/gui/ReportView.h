// The report page: the last fit in observers' terms, the bootstrap and the
// position profile on demand (on worker threads, with progress and Cancel),
// and the pictures.
#pragma once

#include "analysis/AutoSearch.h"
#include "analysis/FitReport.h"
#include "analysis/ReportFigures.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

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

    // Set by the window: its texts by number and how event work is run.
    std::function<QString(int)> text;
    std::function<void(const std::function<void()> &)> guard;
    std::function<void()> onSaveReport, onSavePictures;

    // A new fit: its rows (with their shower and sporadic parts), parameters
    // and dO, where they came from, and the search's scores when Auto Calc
    // ran it (its window centred on searchPeakOffset). A job still running
    // for the last fit is cancelled.
    struct Source {
        QString file, column, from, to;
    };
    void setRun(const std::vector<TRadData> &DataRows, const ModelParams &params, double dO,
                const Source &source, const SearchScores *scores, int searchPeakOffset);
    bool hasRun() const { return !m_rows.empty(); }
    void retranslate();

    void startBootstrap();
    void startProfile();
    void cancelJob();
    bool busy() const { return m_job != nullptr; }
    // Until the running job has ended and its result is shown (tests).
    void waitForJob();

    const FitReport::Report &report() const { return m_report; }
    // The landscape at the fit's position, scored when first asked for.
    const PositionProfile::Landscape &landscape();
    const std::vector<TRadData> &rows() const { return m_rows; }
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
    struct Job;
    void run(const std::function<void()> &work);
    void start(std::unique_ptr<Job> job);
    void poll();
    void finishJob();
    void refresh();
    QString t(int n) const { return text ? text(n) : QString(); }

    std::vector<TRadData> m_rows;
    FitReport::Report m_report;
    PositionProfile::Landscape m_landscape;
    bool m_landscapeDone = false;
    std::unique_ptr<Job> m_job;
    QTimer *m_poll = nullptr;
};
