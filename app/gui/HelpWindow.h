// The manual in a window of its own: HTML pages shipped as Qt resources.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The manual of one language, :/manual/manual.<code>.html, or the English
// one where the language has none. Links between the manual's pages and
// anchors follow inside the window; links to the web open in the system's
// browser.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the manual of the language code with the window's caption.
    void showManual(const QString &code, const QString &caption);
    // The resource the manual of a language is read from.
    static QString manualFor(const QString &code);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
