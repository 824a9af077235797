// The manual in a window of its own.
#include "HelpWindow.h"

#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 640);
    // Escape closes the manual as it closes a dialog; Alt+Left goes back.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, m_browser,
            &QTextBrowser::backward);
}

QString HelpWindow::manualFor(const QString &code)
{
    const QString own = QStringLiteral(":/manual/manual.%1.html").arg(code.toLower());
    return !code.isEmpty() && QFile::exists(own) ? own : QStringLiteral(":/manual/manual.en.html");
}

void HelpWindow::showManual(const QString &code, const QString &caption)
{
    setWindowTitle(caption);
    const QUrl page(QStringLiteral("qrc") + manualFor(code));
    if (m_browser->source() != page)
        m_browser->setSource(page);
    show();
    raise();
    activateWindow();
    m_browser->setFocus(Qt::OtherFocusReason);
}
