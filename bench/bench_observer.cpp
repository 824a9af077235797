// Ten years of hourly counts: importing them as 120 monthly tables, and
// drawing their colorgramme in the window and as a picture.
#include "BenchWindow.h"
#include "analysis/Colorgramme.h"
#include "analysis/gui/ColorgrammeView.h"
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "table/gui/StringGrid.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));

    // 87 600 hours from 2015 on, every 50th missing.
    GridModel source;
    std::vector<GridRow> rows;
    const QDate start(2015, 1, 1);
    for (int k = 0; k < 87600; ++k) {
        if (k % 50 == 7)
            continue;
        GridRow r;
        r.setCell(0, DateConv::toText(start.addDays(k / 24)));
        r.setCell(1, QString::number(k % 24));
        r.setCell(2, QString::number(40 + int(25 * std::sin(k * 0.2618)) + k % 7));
        rows.push_back(std::move(r));
    }
    source.replaceRows(rows);

    QTemporaryDir dir;
    QStringList paths;
    for (const NetworkExport::File &f :
         NetworkExport::build(source, 2, {{QStringLiteral("Observer"), QStringLiteral("Bench")}}))
        if (f.name.endsWith(QLatin1String("rmob.TXT"))) {
            QFile out(dir.filePath(f.name));
            out.open(QIODevice::WriteOnly);
            out.write(f.bytes);
            paths << out.fileName();
        }
    report("monthly_tables", paths.size());

    QElapsedTimer t;
    t.start();
    const ObserverFiles::Merged merged = ObserverFiles::import(paths);
    report("import_120_monthly_tables_s", t.nsecsElapsed() / 1e9);
    report("imported_hours", double(merged.rows.size()));

    std::vector<double> collect, picture;
    for (int i = 0; i < 5; ++i) {
        t.start();
        const Colorgramme::Data data = Colorgramme::collect(source, 2);
        collect.push_back(t.nsecsElapsed() / 1e9);
        t.start();
        const QImage image = Colorgramme::render(data, QSize(1600, 900), {});
        picture.push_back(t.nsecsElapsed() / 1e9);
    }
    report("colorgramme_collect_87600_s", median(collect));
    report("colorgramme_picture_1600x900_s", median(picture));

    // In the window: the page drawn after the table changed.
    BenchDialogs dialogs;
    TfrmMain w(dialogs, dir.path());
    BenchWindow b(w);
    w.resize(870, 500);
    w.show();
    b.strGrid->replaceRows(rows);
    b.PageControl1->setCurrentWidget(b.tsColorgramme);
    app.processEvents();
    std::vector<double> page;
    for (int i = 0; i < 5; ++i) {
        b.strGrid->setCell(2, 1 + i, QStringLiteral("99"));
        t.start();
        b.tsColorgramme->canvas()->repaint();
        page.push_back(t.nsecsElapsed() / 1e9);
    }
    report("colorgramme_page_after_edit_s", median(page));
    return 0;
}
