// The stacked page: one shower's profile on the solar-longitude axis fitted
// to every season of every chosen count column at once, computed off the
// GUI thread with progress and Cancel, its numbers and its chart.
#pragma once

#include "analysis/ShowerSeasons.h"
#include "analysis/StackedBootstrap.h"
#include "analysis/StackedFigure.h"
#include "analysis/StackedFit.h"
#include "app/Job.h"
#include "app/LanguageTexts.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class GridModel;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

class StackedView : public QWidget {
    Q_OBJECT
public:
    explicit StackedView(QWidget *parent = nullptr);
    ~StackedView() override;

    // Set by the window: how event work is run, the table, each count
    // column's station (0 Sum, 1 to 10 N1 to N10) and the column's name in
    // the table's header, and the commands that need the window's dialogs.
    std::function<void(const std::function<void()> &)> guard;
    const GridModel *model = nullptr;
    std::function<ShowerSeasons::Station(int)> stationOf;
    std::function<QString(int)> columnName;
    std::function<void()> onStations, onSaveNumbers, onSavePicture;

    void retranslate(const LanguageTexts &texts);

    // Reads the controls and the table and starts the fit (and, with
    // replicates, the day-block bootstrap) as one job. A message for the
    // user when nothing can start (no column chosen, a window that is no
    // window), else empty.
    QString start();
    void cancelJob();
    bool busy() const { return m_job != nullptr; }
    // Until the running job has ended and its result is shown (tests).
    void waitForJob();

    // The count columns chosen (0 Sum, 1 to 10 N1 to N10).
    std::vector<int> chosenColumns() const;
    // The shower chosen in the list, or nullptr for a typed window.
    const ShowerList::Shower *shower() const;

    // The last result (valid or not), its bootstrap, and what the page shows.
    struct Outcome {
        StackedFit::Result fit;
        std::optional<StackedBootstrap::Result> bootstrap;
        int rowsWithoutTime = 0, emptyCells = 0;
        int doneWhenCancelled = 0, totalWhenCancelled = 0; // the fit's progress
        QStringList leftOut;
    };
    const Outcome *outcome() const { return m_outcome.get(); }
    QString summary() const;
    StackedFigure::Texts figureTexts() const;
    QByteArray csv() const;

    QComboBox *showerList = nullptr, *modelList = nullptr;
    QDoubleSpinBox *from = nullptr, *to = nullptr;
    std::array<QCheckBox *, 11> columns{};
    QSpinBox *replicates = nullptr, *seed = nullptr;
    QPushButton *stationsButton = nullptr, *computeButton = nullptr, *cancelButton = nullptr,
                *saveNumbersButton = nullptr, *savePictureButton = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *numbers = nullptr, *showerLabel = nullptr, *fromLabel = nullptr, *toLabel = nullptr,
           *columnsLabel = nullptr, *modelLabel = nullptr, *replicatesLabel = nullptr,
           *seedLabel = nullptr;
    QWidget *canvas = nullptr;

private:
    class Canvas;
    void run(const std::function<void()> &work);
    void showerChosen();
    void poll();
    void finishJob();
    void refresh();
    QString title() const;
    using Text = LanguageTexts::Text;
    QString t(Text text) const { return m_texts.text(text); }

    LanguageTexts m_texts;
    std::unique_ptr<Job<Outcome>> m_job;
    std::unique_ptr<Outcome> m_outcome;
    QTimer *m_poll = nullptr;
    bool m_modelChosen = false; // the user chose a model in the list
};
