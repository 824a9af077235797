// Builds a main window over a temporary program directory for GUI tests.
#pragma once

#include "ScriptedDialogs.h"
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

class WindowFixture {
public:
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> window;

    // Writes the settings file (unless bytes is null) and creates the window.
    TfrmMain &open(const QByteArray &ini = QByteArray())
    {
        if (!ini.isNull())
            writeFile(QStringLiteral("VEXLOR.ini"), ini);
        window = std::make_unique<TfrmMain>(dialogs, dir.path());
        return *window;
    }

    // The settings file the program ships, with another stored language.
    static QByteArray sampleIni(const QByteArray &language)
    {
        QFile f(QStringLiteral(VEXLOR_TEST_DATA "/../../resources/VEXLOR.ini"));
        f.open(QIODevice::ReadOnly);
        QByteArray bytes = f.readAll();
        bytes.replace("Language=en", "Language=" + language);
        return bytes;
    }

    // A table of two rows on 01.02.2009 and 02.02.2009.
    static void fillSmallTable(TfrmMain &w)
    {
        w.strGrid->setRowCountWithHeader(3);
        w.strGrid->setCell(0, 1, "01.02.2009");
        w.strGrid->setCell(1, 1, "5");
        w.strGrid->setCell(0, 2, "02.02.2009");
        w.strGrid->setCell(2, 2, "77");
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

    QByteArray readFile(const QString &name) const
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};
