// The seam through which every modal dialog of the program is shown.
#include "Dialogs.h"

#include "app/DateConv.h"
#include "app/FileFilter.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cstdlib>
#include <limits>

QString QtDialogs::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt reads the patterns from the parentheses at the end of the
        // description, separated by blanks.
        QString description = parts[i];
        description.remove(shownPatterns);
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::messageBox(QWidget *parent, const QString &caption, const QString &text, int flags)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (flags == MB_ICONERROR)
        icon = QMessageBox::Critical;
    else if (flags == MB_ICONWARNING)
        icon = QMessageBox::Warning;
    else if (flags == MB_ICONINFORMATION)
        icon = QMessageBox::Information;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::errorBox(QWidget *parent, const QString &text)
{
    messageBox(parent, QStringLiteral("Vexlor 1.0"), text, MB_ICONERROR);
}

namespace {

QString startPath(const FileDialogState &state)
{
    if (state.fileName.isEmpty())
        return state.initialDir;
    if (QDir::isAbsolutePath(state.fileName))
        return state.fileName;
    return QDir(state.initialDir).filePath(state.fileName);
}

} // namespace

void QtDialogs::configure(QFileDialog &dialog, const FileDialogState &state, bool save)
{
    dialog.setWindowTitle(state.caption);
    const QString start = startPath(state);
    const QFileInfo startInfo(start);
    if (startInfo.isDir() || state.fileName.isEmpty()) {
        dialog.setDirectory(start);
    } else {
        dialog.setDirectory(startInfo.absolutePath());
        dialog.selectFile(startInfo.fileName());
    }
    const QStringList filters = qtFilter(state.filter).split(QStringLiteral(";;"));
    dialog.setNameFilters(filters);
    if (state.filterIndex >= 0 && state.filterIndex < filters.size())
        dialog.selectNameFilter(filters[state.filterIndex]);
    if (!save)
        return;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the one of the filter chosen
    // (the first one's where that one names none), also when the user
    // changes the filter; Qt asks before replacing the name so completed.
    auto suffixOf = [filter = state.filter, filters](const QString &chosen) {
        const int entry = int(filters.indexOf(chosen));
        QString ext = FileFilter::extension(filter, entry);
        return ext.isEmpty() ? FileFilter::extension(filter, 0) : ext;
    };
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString &chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const FileDialogState &state)
{
    QFileDialog dialog(parent);
    configure(dialog, state, false);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtDialogs::saveFile(QWidget *parent, const FileDialogState &state)
{
    QFileDialog dialog(parent);
    configure(dialog, state, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

QStringList QtDialogs::openFiles(QWidget *parent, const FileDialogState &state)
{
    QFileDialog dialog(parent);
    configure(dialog, state, false);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtDialogs::offsetName(int hours)
{
    if (hours == 0)
        return QStringLiteral("UT");
    // The sign as a character of its own: arg() would take a char16_t for
    // its code.
    return QStringLiteral("UT") + QChar(hours > 0 ? u'+' : u'\u2212') +
           QString::number(std::abs(hours));
}

QStringList QtDialogs::openCountFiles(QWidget *parent, const FileDialogState &state,
                                      const QString &label, std::optional<int> &offset)
{
    QFileDialog dialog(parent);
    // Qt's own dialog, so that the field can stand under the file names.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    configure(dialog, state, false);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    auto *zone = new QComboBox(&dialog);
    for (int h = DateConv::MinUtcOffset; h <= DateConv::MaxUtcOffset; ++h)
        if (h != 0)
            zone->addItem(offsetName(h), h);
    zone->insertItem(0, offsetName(0)); // UT first, without data: no offset
    if (offset)
        zone->setCurrentIndex(std::max(0, zone->findData(*offset)));
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
        const int row = grid->rowCount();
        auto *caption = new QLabel(label, &dialog);
        caption->setBuddy(zone);
        caption->setWordWrap(true);
        grid->addWidget(caption, row, 0);
        grid->addWidget(zone, row, 1, 1, -1, Qt::AlignLeft);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QVariant chosen = zone->currentData();
    offset = chosen.isValid() ? std::optional<int>(chosen.toInt()) : std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtDialogs::chooseFolder(QWidget *parent, const QString &caption,
                                               const QString &start)
{
    QString name = QFileDialog::getExistingDirectory(parent, caption, start);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QStringList> QtDialogs::editFields(QWidget *parent, const QString &caption,
                                                 const QStringList &labels,
                                                 const QStringList &values, const QString &cancel)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto *form = new QFormLayout(&dialog);
    std::vector<QLineEdit *> edits;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto *edit = new QLineEdit(values.value(i), &dialog);
        edit->setMinimumWidth(280);
        form->addRow(labels[i], edit);
        edits.push_back(edit);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (!cancel.isEmpty())
        buttons->button(QDialogButtonBox::Cancel)->setText(cancel);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QStringList out;
    for (QLineEdit *edit : edits)
        out << edit->text();
    return out;
}

std::optional<QColor> QtDialogs::chooseColor(QWidget *parent, const QColor &initial)
{
    QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

bool QtDialogs::waitFor(QWidget *parent, const QString &text, const QString &cancel,
                        const std::function<bool()> &finished)
{
    if (finished())
        return true;
    QProgressDialog dialog(text, cancel, 0, 0, parent);
    dialog.setWindowTitle(QStringLiteral("Vexlor 1.0"));
    dialog.setWindowModality(Qt::WindowModal);
    // A quick read shows no box at all; a longer one after a moment.
    dialog.setMinimumDuration(std::numeric_limits<int>::max());
    QTimer::singleShot(300, &dialog, [&dialog] { dialog.show(); });
    bool cancelled = false;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished())
            loop.quit();
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    poll.start(20);
    loop.exec();
    return !cancelled;
}

SaveChoice QtDialogs::askToSave(QWidget *parent, const QString &caption, const QString &text,
                                const QString &save, const QString &discard, const QString &cancel)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    QPushButton *saveButton = box.addButton(save, QMessageBox::AcceptRole);
    QPushButton *discardButton = box.addButton(discard, QMessageBox::DestructiveRole);
    QPushButton *cancelButton = box.addButton(cancel, QMessageBox::RejectRole);
    box.setDefaultButton(saveButton);
    box.setEscapeButton(cancelButton);
    box.exec();
    if (box.clickedButton() == saveButton)
        return SaveChoice::Save;
    if (box.clickedButton() == discardButton)
        return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

bool QtDialogs::askToReplace(QWidget *parent, const QString &caption, const QString &text,
                             const QString &replace, const QString &cancel)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    QPushButton *replaceButton = box.addButton(replace, QMessageBox::DestructiveRole);
    QPushButton *cancelButton = box.addButton(cancel, QMessageBox::RejectRole);
    box.setDefaultButton(cancelButton);
    box.setEscapeButton(cancelButton);
    box.exec();
    return box.clickedButton() == replaceButton;
}
