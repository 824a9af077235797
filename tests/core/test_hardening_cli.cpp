// vexlor-fit given names and numbers it cannot take as they are, the CSV
// files given texts a spreadsheet would run, and names as long as a folder
// allows: each is refused in words or written exactly, and nothing else.
#include "analysis/FitReport.h"
#include "analysis/RunCsv.h"
#include "app/DateConv.h"
#include "app/SafeSave.h"
#include "files/TextFormat.h"
#include "table/GridModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

// Runs vexlor-fit with arguments passed as raw bytes (QProcess would turn
// bytes that are not UTF-8 into U+FFFD's bytes before the program saw them).
Outcome runFit(const QList<QByteArray> &args, const QByteArray &folder)
{
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (::chdir(folder.constData()) != 0)
            _exit(127);
        std::vector<char *> argv{const_cast<char *>(VEXLOR_FIT)};
        for (const QByteArray &a : args)
            argv.push_back(const_cast<char *>(a.constData()));
        argv.push_back(nullptr);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execv(VEXLOR_FIT, argv.data());
        _exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Outcome o;
    const auto drain = [](int fd) {
        QByteArray bytes;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        ::close(fd);
        return bytes;
    };
    o.out = drain(outPipe[0]);
    o.err = drain(errPipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

// The fields of one CSV line as RFC 4180 reads them.
QStringList csvFields(const QString &line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            fields.back() += u'"';
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields << QString();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

QByteArray fourDays()
{
    QByteArray out = "Date\t\tHour\tSum\n";
    for (int d = 1; d <= 4; ++d)
        for (int h = 0; h < 24; ++h)
            out += QStringLiteral("0%1.08.2024\t%2\t%3\n")
                       .arg(d)
                       .arg(h)
                       .arg(h * 3 + 7 + (d == 2 ? 60 : 0))
                       .toLatin1();
    return out;
}

} // namespace

class TestHardeningCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray folder() const { return QFile::encodeName(m_dir.path()); }

private slots:
    void initTestCase()
    {
        DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
        QFile f(m_dir.filePath(QStringLiteral("t.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fourDays()); // vexlor-fit's settings beside it say dd.MM.yyyy
    }

    // A name whose bytes are not UTF-8 is refused for every output and
    // input; the file whose name Qt would have made of it keeps its bytes.
    void namesThatAreNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QByteArray>("extension");
        for (const char *option :
             {"--save", "--csv", "--picture", "--colorgramme", "--landscape", "--position-profile"})
            QTest::newRow(option) << QByteArray(option)
                                  << QByteArray(QByteArray(option) == "--picture" ||
                                                        QByteArray(option) == "--colorgramme"
                                                    ? ".png"
                                                    : ".csv");
        QTest::newRow("FILE") << QByteArray() << QByteArray(".txt");
    }
    void namesThatAreNotUtf8()
    {
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, extension);
        QDir(m_dir.path()).mkpath(QStringLiteral("out"));
        // The decoy: the name U+FFFD's bytes give.
        const QByteArray decoy = folder() + "/out/\xEF\xBF\xBD" + extension;
        const int fd = ::open(decoy.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "decoy", 5), ssize_t(5));
        ::close(fd);
        const QByteArray bad = "out/\xCF" + extension;
        QList<QByteArray> args;
        if (option.isEmpty())
            args = {bad, "--save", "copy.txt"};
        else
            args = {"t.txt", "--from", "01.08.2024", "--to", "04.08.2024", option, bad};
        const Outcome o = runFit(args, folder());
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains("is not UTF-8 text") &&
                     (option.isEmpty() || o.err.contains("the value of " + option)),
                 o.err.constData());
        QCOMPARE(o.out, QByteArray());
        QFile kept(QFile::decodeName(decoy));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("decoy"));
        QVERIFY(::access((folder() + '/' + bad).constData(), F_OK) != 0);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("copy.txt"))));
    }

    // Whole-number options take their range and nothing past int.
    void wholeNumberOptions_data()
    {
        QTest::addColumn<QByteArrayList>("options");
        QTest::addColumn<QByteArray>("refusal");
        QTest::newRow("a past int") << QByteArrayList{"--a", "2147483647"}
                                    << QByteArray("--a takes a whole number from 0 to 32767");
        QTest::newRow("b past 64 bits") << QByteArrayList{"--b", "99999999999999999999"}
                                        << QByteArray("--b takes a whole number");
        QTest::newRow("negative position")
            << QByteArrayList{"--pos", "-1"} << QByteArray("--pos takes");
        QTest::newRow("maximum past int")
            << QByteArrayList{"--max", "2147483648"} << QByteArray("--max takes");
        QTest::newRow("no replicates") << QByteArrayList{"--auto", "--bootstrap", "0"}
                                       << QByteArray("--bootstrap takes a whole number from 1");
        QTest::newRow("a and b at their largest")
            << QByteArrayList{"--a", "32767", "--b", "32767"} << QByteArray();
    }
    void wholeNumberOptions()
    {
        QFETCH(QByteArrayList, options);
        QFETCH(QByteArray, refusal);
        QList<QByteArray> args{"t.txt", "--from", "01.08.2024", "--to", "04.08.2024"};
        args << options;
        const Outcome o = runFit(args, folder());
        if (!refusal.isEmpty()) {
            QCOMPARE(o.exitCode, 1);
            QVERIFY2(o.err.contains(refusal), o.err.constData());
            return;
        }
        QVERIFY2(o.exitCode == 0, o.err.constData());
        // (32767 + 32767) ln 2, not an int that went round.
        QVERIFY2(o.out.contains("\nfwhm_rows 45424.7073\n"), o.out.constData());
    }

    // Text fields of the CSV files: quoted as RFC 4180 says, and never a
    // formula; numbers and ordinary dates as they stand.
    void csvTextFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("a date") << "01.12.2008" << QByteArray("01.12.2008");
        QTest::newRow("a formula") << "=HYPERLINK(\"http://x\",\"y\")"
                                   << QByteArray("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
        QTest::newRow("a command") << "+cmd|' /C calc'!A0" << QByteArray("'+cmd|' /C calc'!A0");
        QTest::newRow("an at sign") << "@SUM(1+1)" << QByteArray("'@SUM(1+1)");
        QTest::newRow("a minus and text") << "-2+3" << QByteArray("'-2+3");
        QTest::newRow("a tab first") << "\tx" << QByteArray("'\tx");
        QTest::newRow("a negative number") << "-3.5" << QByteArray("-3.5");
        QTest::newRow("the report's no value") << "-" << QByteArray("-");
        QTest::newRow("a comma") << "my file, v2.txt" << QByteArray("\"my file, v2.txt\"");
        QTest::newRow("blanks at the ends") << " x " << QByteArray("\" x \"");
        QTest::newRow("a line end") << "a\nb" << QByteArray("\"a\nb\"");
        QTest::newRow("Cyrillic") << "Дата" << QString("Дата").toUtf8();
    }
    void csvTextFields()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, field);
        QCOMPARE(RunCsv::textField(text), field);
        // In a row of Export CSV the date is that field, and the row keeps
        // its seven fields.
        TRadData row;
        row.Date = text;
        row.Hour = 3;
        row.Value = 7;
        const QByteArray csv = RunCsv::format({row}, {row});
        QVERIFY(csv.contains(',' + field + ",3,7,"));
        if (!text.contains(u'\n'))
            QCOMPARE(csvFields(QString::fromUtf8(csv.split('\n')[1])).size(), 7);
    }

    // The report's CSV keeps three fields on every line, whatever the file
    // name, the column or the dates hold.
    void reportCsvKeepsItsFields_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("date");
        QTest::newRow("plain") << "gem.txt"
                               << "01.08.2024";
        QTest::newRow("blanks and a comma") << "my file, v2.txt"
                                            << "1 Aug 2024";
        QTest::newRow("a formula for a name") << "=1+1.txt"
                                              << "@2024";
    }
    void reportCsvKeepsItsFields()
    {
        QFETCH(QString, source);
        QFETCH(QString, date);
        std::vector<TRadData> rows(30);
        for (size_t j = 0; j < rows.size(); ++j) {
            rows[j].Date = date;
            rows[j].Hour = int(j % 24);
        }
        FitReport::Report report = FitReport::make(rows, {5, 6, 10, 20}, 0.25);
        report.source = source;
        report.column = QStringLiteral("N1, north");
        report.from = date;
        report.to = date;
        const QList<QByteArray> lines = FitReport::csv(report, rows).split('\n');
        QCOMPARE(lines.front(), QByteArray("name,value,value2"));
        QMap<QString, QStringList> byName;
        for (const QByteArray &l : lines.mid(1, lines.size() - 2)) {
            const QStringList fields = csvFields(QString::fromUtf8(l));
            QCOMPARE(fields.size(), 3);
            byName[fields[0]] = fields.mid(1);
        }
        const auto shown = [](const QString &t) {
            return QString::fromUtf8(RunCsv::textField(t)).remove(u'"').startsWith(u'\'')
                       ? u'\'' + t
                       : t;
        };
        QCOMPARE(byName["source"], QStringList({shown(source), ""}));
        QCOMPARE(byName["column"], QStringList({"N1, north", ""}));
        QCOMPARE(byName["range"], QStringList({shown(date), shown(date)}));
        QCOMPARE(byName["peak_date"], QStringList({shown(date), ""}));
        QCOMPARE(byName["a"], QStringList({"5", ""}));
    }

    // No output replaces a file without --replace: every target is checked
    // before anything is written, so a refusal leaves no output at all.
    void existingOutputs_data()
    {
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("replace");
        const QList<QPair<const char *, const char *>> outputs{
            {"--save", "s.txt"},        {"--csv", "c.csv"},       {"--picture", "p.png"},
            {"--colorgramme", "g.png"}, {"--landscape", "l.csv"}, {"--position-profile", "q.csv"}};
        for (const auto &[option, name] : outputs) {
            QTest::newRow(QByteArray(option) + " kept")
                << QByteArray(option) << QByteArray(name) << false;
            QTest::newRow(QByteArray(option) + " replaced")
                << QByteArray(option) << QByteArray(name) << true;
        }
    }
    void existingOutputs()
    {
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, name);
        QFETCH(bool, replace);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("t.txt")),
                            dir.filePath(QStringLiteral("t.txt"))));
        QFile old(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the observer's own");
        old.close();
        // A second output that does not exist yet comes after it.
        QList<QByteArray> args{"t.txt", "--from", "01.08.2024", "--to", "04.08.2024", option, name};
        args << (option == "--landscape" ? "--csv" : "--landscape") << "extra.csv";
        if (replace)
            args << "--replace";
        const Outcome o = runFit(args, QFile::encodeName(dir.path()));
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray after = old.readAll();
        if (replace) {
            QVERIFY2(o.exitCode == 0, o.err.constData());
            QVERIFY(after != "the observer's own");
            QVERIFY(o.out.contains(' ' + name + '\n'));
            return;
        }
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains('\'' + name + "' exists already: nothing was written"),
                 o.err.constData());
        QCOMPARE(o.out, QByteArray());
        QCOMPARE(after, QByteArray("the observer's own"));
        QStringList kept{"t.txt", QString::fromLatin1(name)};
        kept.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), kept);
    }

    // Two outputs to one file, by the same name or through a link, are
    // refused before either is written.
    void oneFileForTwoOutputs()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("t.txt")),
                            dir.filePath(QStringLiteral("t.txt"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("x.csv")),
                            dir.filePath(QStringLiteral("link.csv"))));
        const Outcome o = runFit({"t.txt", "--from", "01.08.2024", "--to", "04.08.2024", "--csv",
                                  "x.csv", "--landscape", "link.csv", "--replace"},
                                 QFile::encodeName(dir.path()));
        QCOMPARE(o.exitCode, 1);
        QVERIFY2(o.err.contains("'link.csv' is given for two outputs"), o.err.constData());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.csv"))));
    }

    // A name as long as the folder allows saves: the temporary file beside
    // it has a short name of its own.
    void longestNamesSave_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("240 bytes") << 240;
        QTest::newRow("241 bytes") << 241;
        QTest::newRow("255 bytes") << 255;
    }
    void longestNamesSave()
    {
        QFETCH(int, length);
        QTemporaryDir dir;
        const QString name = QString(length - 4, u'n') + QStringLiteral(".txt");
        const QString path = dir.filePath(name);
        GridModel grid;
        grid.setCell(0, 1, QStringLiteral("01.08.2024"));
        TextFormat::save(grid, path);
        QCOMPARE(TextFormat::load(path).front().cell(0), QStringLiteral("01.08.2024"));
        SafeSave::write(path, "again"); // over the existing file too
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("again"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }
};

QTEST_GUILESS_MAIN(TestHardeningCli)
#include "test_hardening_cli.moc"
