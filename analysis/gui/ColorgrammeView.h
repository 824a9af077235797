// The colorgramme page: the table's counts as days by UT hours, with a
// readout of the cell under the mouse and a button to save the picture.
#pragma once

#include "analysis/Colorgramme.h"
#include "app/LanguageTexts.h"

#include <QWidget>

#include <functional>

class GridModel;
class QLabel;
class QPushButton;

class ColorgrammeView : public QWidget {
    Q_OBJECT
public:
    explicit ColorgrammeView(QWidget *parent = nullptr);

    // The table it shows; it follows every change of it.
    void setModel(const GridModel *model);
    // Set by the window: the table column to show (2 for Sum ...) and its
    // name, and how event work is run.
    std::function<int()> column;
    std::function<QString()> columnName;
    std::function<void(const std::function<void()> &)> guard;
    // A click on a cell with a row, and the Save Picture button.
    std::function<void(int row)> onCellClicked;
    std::function<void()> onSave;

    // The table's state is read again before the next picture.
    void refresh();
    // The texts of the language applied.
    void retranslate(const LanguageTexts &texts);
    // The data as the table holds them now.
    const Colorgramme::Data &data();
    Colorgramme::Texts texts();
    // What the readout says for a point of the picture area, and the row
    // of the cell there (0 for none).
    QString readoutAt(const QPoint &point);
    int rowAt(const QPoint &point);

    QWidget *canvas() const { return m_canvas; }
    QLabel *readout() const { return m_readout; }
    QPushButton *saveButton() const { return m_save; }

private:
    class Canvas;
    friend class Canvas;
    void run(const std::function<void()> &work);
    std::optional<Colorgramme::Cell> cellAt(const QPoint &point);

    using Text = LanguageTexts::Text;
    LanguageTexts m_texts;
    const GridModel *m_model = nullptr;
    Colorgramme::Data m_data;
    bool m_stale = true;
    QWidget *m_canvas = nullptr; // a Canvas
    QLabel *m_readout = nullptr;
    QPushButton *m_save = nullptr;
};
