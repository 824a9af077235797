// The seam through which every modal dialog of the program is shown.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

// What a file dialog is given and what it remembers between uses, as the
// window's OpenDialog1 and SaveDialog1 keep it.
struct FileDialogState {
    QString filter;      // "Description|pattern|Description|pattern..."
    QString initialDir;  // starting directory
    QString fileName;    // the name last chosen, proposed again
    QString caption;     // the dialog's title: the command's name
    int filterIndex = 0; // the entry of the filter offered first
};

// Message-box icons by the flag values the program uses.
enum MessageFlag { MB_ICONERROR = 16, MB_ICONWARNING = 48, MB_ICONINFORMATION = 64 };

// The answers to the question whether to save a changed table.
enum class SaveChoice { Save, Discard, Cancel };

// Every modal dialog goes through one object of this interface: the program
// gets the Qt dialogs, tests get a scripted stand-in that never blocks.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal box with one OK button.
    virtual void messageBox(QWidget *parent, const QString &caption, const QString &text,
                            int flags) = 0;
    // The general error box that reports a failure no handler caught.
    virtual void errorBox(QWidget *parent, const QString &text) = 0;
    virtual std::optional<QString> openFile(QWidget *parent, const FileDialogState &state) = 0;
    virtual std::optional<QString> saveFile(QWidget *parent, const FileDialogState &state) = 0;
    // An open dialog that takes several files; empty when cancelled.
    virtual QStringList openFiles(QWidget *parent, const FileDialogState &state) = 0;
    // Import's open dialog: several count files and a field for how far
    // their hours are from UT, labelled label. offset is shown at first and,
    // when files are chosen, set to the field (nullopt: the hours are UT, or
    // the files name their zone). Empty when cancelled.
    virtual QStringList openCountFiles(QWidget *parent, const FileDialogState &state,
                                       const QString &label, std::optional<int> &offset) = 0;
    // A folder, starting at start; nullopt when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget *parent, const QString &caption,
                                                const QString &start) = 0;
    // A form of labelled one-line fields with OK and a cancel button of the
    // given text: the values as edited, or nullopt when cancelled.
    virtual std::optional<QStringList> editFields(QWidget *parent, const QString &caption,
                                                  const QStringList &labels,
                                                  const QStringList &values,
                                                  const QString &cancel) = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) = 0;
    // A modal box with a busy bar and a Cancel button, shown while finished()
    // is false (and only if that lasts a moment); false when the user
    // cancelled.
    virtual bool waitFor(QWidget *parent, const QString &text, const QString &cancel,
                         const std::function<bool()> &finished) = 0;
    // A modal question with three buttons: save, discard, cancel.
    virtual SaveChoice askToSave(QWidget *parent, const QString &caption, const QString &text,
                                 const QString &save, const QString &discard,
                                 const QString &cancel) = 0;
    // A modal question whether to replace files that exist: true for the
    // replace button, false for cancel (the default button).
    virtual bool askToReplace(QWidget *parent, const QString &caption, const QString &text,
                              const QString &replace, const QString &cancel) = 0;
};

// The real dialogs of the platform.
class QtDialogs : public Dialogs {
public:
    void messageBox(QWidget *parent, const QString &caption, const QString &text,
                    int flags) override;
    void errorBox(QWidget *parent, const QString &text) override;
    std::optional<QString> openFile(QWidget *parent, const FileDialogState &state) override;
    std::optional<QString> saveFile(QWidget *parent, const FileDialogState &state) override;
    QStringList openFiles(QWidget *parent, const FileDialogState &state) override;
    QStringList openCountFiles(QWidget *parent, const FileDialogState &state, const QString &label,
                               std::optional<int> &offset) override;
    std::optional<QString> chooseFolder(QWidget *parent, const QString &caption,
                                        const QString &start) override;
    std::optional<QStringList> editFields(QWidget *parent, const QString &caption,
                                          const QStringList &labels, const QStringList &values,
                                          const QString &cancel) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    bool waitFor(QWidget *parent, const QString &text, const QString &cancel,
                 const std::function<bool()> &finished) override;
    SaveChoice askToSave(QWidget *parent, const QString &caption, const QString &text,
                         const QString &save, const QString &discard,
                         const QString &cancel) override;
    bool askToReplace(QWidget *parent, const QString &caption, const QString &text,
                      const QString &replace, const QString &cancel) override;

    // The name of a distance from UT in Import's field: "UT", "UT+9", "UT−5".
    static QString offsetName(int hours);
    // "Text File|*.txt|All|*.*" as Qt's "Text File (*.txt);;All (*.*)".
    static QString qtFilter(const QString &filter);
    // A file dialog as a state asks for it: its title, folder, proposed
    // name and filter; a save dialog completes a name typed without an
    // extension with that of the filter chosen.
    static void configure(QFileDialog &dialog, const FileDialogState &state, bool save);
};
