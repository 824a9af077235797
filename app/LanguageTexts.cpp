// The interface texts of one language, and the built-in English texts.
#include "LanguageTexts.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace {

// The English texts of X1, X2 ..., index n - 1: the texts of a settings file
// without them, and of vexlor-fit. The shipped VEXLOR.ini repeats them in
// its section "en".
const char *const EnglishTexts[] = {
    "Reading %1 …",
    "Cancel",
    "The table has changed since it was last opened or saved. Save the changes?",
    "Save",
    "Discard",
    "Undo",
    "Redo",
    "Copy",
    "Paste",
    "Insert row",
    "Delete rows",
    "The cells cannot be pasted: row %1, column %2 would get '%3', which is %4.",
    "not a date of the form %1",
    "not a whole number from 0 to 23",
    "not a whole number of 0 or more",
    "past the table's last column",
    "Row %1, column %2",
    "Export CSV...",
    "CSV files|*.csv|All files|*.*",
    "Save Picture...",
    "PNG picture|*.png|SVG drawing|*.svg|PDF document|*.pdf",
    "Import...",
    "Count files|*.txt *.TXT *.dat *.DAT *.sta *.STA *.csv *.CSV *.log *.LOG|All files|*",
    "Files imported: %1; hours: %2; days: %3.",
    "No hour is missing between the first and the last.",
    "Hours missing between the first and the last: %1.",
    "%1 from %2h UT: %3 h",
    "Gaps not listed: %1.",
    "The files hold no hours.",
    "Export for Network...",
    "Station...",
    "Wrote %1 files to %2:",
    "COLORGRAMME",
    "Hour (UT)",
    "no count",
    "The table has no hours with a date, an hour and a count in %1.",
    "The table's dates span %1 days, too many to draw.",
    "The table has no counts in %1 to export.",
    "PNG picture|*.png",
    "%1, %2h UT: %3",
    "%1, %2h UT: no count",
    "%1, %2 to %3",
    "Observer",
    "Country",
    "City",
    "Longitude (degrees, east positive)",
    "Latitude (degrees, north positive)",
    "Frequencies",
    "Antenna",
    "Antenna azimuth",
    "Antenna elevation",
    "Pre-amplifier",
    "Receiver",
    "Observing method",
    "Remarks",
    "Soft FTP",
    "E-mail",
    "Station",
    "Import count files",
    "The network's file names need the observer's name: enter it in the Station dialog.",
    "Choose the folder for the network's files",
    "REPORT",
    "Maximum: %1 %2h UT (row offset %3)",
    "Solar longitude λ☉ (J2000.0): %1°",
    "The maximum's row lies outside the rows of the range.",
    "Rise a: %1 {1:row|rows}, decay b: %2 {2:row|rows}, full width at half maximum: %3 "
    "{3:row|rows}.",
    "Rows are hours where the range has no gaps; it misses %1 {1:hour|hours}.",
    "dO: %1",
    "Replicates",
    "Seed",
    "Bootstrap",
    "Position profile",
    "Day-block bootstrap: %1 {1:replicate|replicates} answered, %2 failed, in %3 s.",
    "%1 %: a %2 to %3, b %4 to %5, position %6 to %7 (%8 to %9), λ☉ %10° to %11°.",
    "Position profile: the best position is %1 (%2), dO %3; %4 {4:position lies|positions lie} "
    "within 1 % of it.",
    "The data do not determine the maximum's position: the profile's best lies outside Auto "
    "Calc's window.",
    "The data do not determine the maximum's position: the profile stays within 1 % of its "
    "minimum over %1 {1:position|positions}.",
    "Save Report...",
    "Text file|*.txt|CSV file|*.csv|All files|*",
    "Save Pictures...",
    "Position of the maximum in %1 {1:replicate|replicates}",
    "Best dO at each position",
    "dO over a and b at position %1",
    "position",
    "replicates",
    "Run the fit to see its report.",
    "Cancelled after %1 of %2.",
    "Auto Calc's window",
    "Press Bootstrap or Position profile to compute this.",
    "Picture size",
    "Width (pixels)",
    "Height (pixels)",
    "A picture is 200 to 10000 pixels wide and 150 to 10000 pixels high.",
    "Row %1 holds '%2'.",
    "Rows with dates that cannot be read: %1.",
    "The largest count lies %1 rows after the start of the range, and the position of the maximum "
    "can be at most %2. Choose a later start date so that the maximum lies within %2 rows of it.",
    "The largest count lies %1 rows after the start of the range, and Auto Calc tries positions up "
    "to 5 rows past it; the position of the maximum can be at most %2. Choose a later start date "
    "so that the maximum lies within %2 rows of it.",
    "Computing …",
    "&Edit",
    "&Analysis",
    "&Help",
    "Sa&ve",
    "Recent &files",
    "Clear the list",
    "Cu&t",
    "&Editing",
    "&Run",
    "Auto &Calc",
    "Save &Graph...",
    "&Manual",
    "Vexlor manual",
    "About VEXLOR",
    "row|rows",
    "hour|hours",
    "file|files",
    "Opened %1 from %2.",
    "Saved %1 to %2.",
    "Imported %1 from %2.",
    "New table.",
    "Run: %1, dO %2.",
    "Auto Calc: a %1, b %2, position %3, dO %4.",
    "Saved %1.",
    "Exported %1 to %2.",
    "%1 works on the DATA page: show it first (Ctrl+Page Up, or Ctrl+Tab).",
    "%1: the table has no rows.",
    "%1: no row of the table has the start date %2.",
    "%1: no row of the table has the end date %2.",
    "%1: the start date %2 comes after the end date %3.",
    "%1 no longer exists; it is taken off the recent files.",
    "The recent files and folders could not be remembered: %1",
    "Only files can be opened: %1",
    "%1 %2h UT",
    "%1 %2h, offset %3",
    "The longitude must be a number of degrees from -180 to 180 (east positive), not '%1'.",
    "The latitude must be a number of degrees from -90 to 90 (north positive), not '%1'.",
    "The date and hour of the row at the position of the maximum",
    "no selected row has a date that reads",
    "%1 {1:row is|rows are} too few for a shower and the background of %2 {2:hour|hours} of day",
    "the selection spans %1 hours, more than the %2 hours (twelve years) the report's own fit "
    "searches",
    "the profile over the position is flat: its best hour stands out from a typical one by %1 "
    "σ², no more than noise alone gives (%2)",
    "the 95 % interval of the position runs into the first hour of the selection",
    "the 95 % interval of the position runs into the last hour of the selection",
    "the 95 % interval of the position runs into the first and the last hour of the selection",
    "the 95 % interval of the position spans %1 % of the selection, more than %2 %",
    "positions %1 hours apart fit within the 95 % interval, with worse ones between them",
    "%1 at the least scale of the grid (%2 h)",
    "%1 at the greatest scale of the grid (%2 h)",
    "the maximum at the first hour of the selection",
    "the maximum at the last hour of the selection",
    "Auto Calc's answer (its search window: the largest count ± 5 rows)",
    "The Run's parameters",
    "The report's own fit over the whole range (every hour of the selection; a and b from 1 to "
    "100 h)",
    "Maximum: %1 %2h UT, λ☉ %3°",
    "%1 %: %2 %3h to %4 %5h UT, λ☉ %6° to %7°",
    "The data do not determine the maximum: %1.",
    "Rise a: %1 h (68 %: %2 to %3 h; 95 %: %4 to %5 h)",
    "Decay b: %1 h (68 %: %2 to %3 h; 95 %: %4 to %5 h)",
    "B+ %1 and B− %2 per degree of λ☉; full width at half maximum %3 h = %4° of λ☉.",
    "On an edge of its grid: %1.",
    "λ☉ (J2000.0) of an hour is taken at its middle, hh:30 UT.",
    "The intervals belong to this fit, not to the answer above.",
    "The answer above is this fit: the intervals belong to both.",
    "Dates that cannot be read: %1 {1:row|rows}, left out of the report's own fit.",
    "Fitting the whole range …",
    "The report's own fit was cancelled; Run again to compute it.",
    "Auto Calc refused this selection: its largest count lies within the first six rows. The "
    "report's own fit searches every hour of it.",
    "Day-block bootstrap, %1 %: %2 %3h to %4 %5h UT, λ☉ %6° to %7°; a %8 to %9 h; b %10 to %11 h.",
    "Position of the maximum in the day-block bootstrap",
    "hours after %1 %2h UT",
    "Not computed.",
    "Whole-range fit",
    "dO landscape",
    "These files exist in %1 already. Replace them all?",
    "Replace all",
    "The files were not written: %1 could not be written (%2).",
    "Written: %1",
    "Not written: %1",
    "marked",
    "%1, %2h UT: marked (%3)",
    "interference",
    "sporadic E",
    "transmitter off",
    "outage logged as zero",
    "Mark hours as disturbed",
    "Unmark hours",
    "Marked as disturbed: %1. Left out of Run, Auto Calc and the report.",
    "Hours marked as disturbed: %1.",
    "Local time",
    "The file's hours are local time: hours ahead of UT (e.g. 9 for JST)",
    "STACKED",
    "Shower",
    "The window typed on the right",
    "λ☉ from",
    "to",
    "Columns",
    "Modulation",
    "Free coefficient per hour of day",
    "Radiant's elevation at the station",
    "Stations...",
    "Compute",
    "Save Numbers...",
    "Save Picture...",
    "Choose a shower or a window of solar longitude and the count columns, then press Compute.",
    "λmax %1°; 68 %: %2° to %3°; 95 %: %4° to %5°",
    "B+ %1 per degree (95 %: %2 to %3), B− %4 per degree (95 %: %5 to %6)",
    "Full width at half maximum: %1°",
    "Modulation: %1; %2 datasets, %3 rows.",
    "%1, %2: %3 rows, shower %4 an hour at the maximum, dO %5",
    "The data do not determine the maximum: %1",
    "No fit: %1",
    "Stations of the count columns",
    "%1: station",
    "%1: latitude (°, north positive)",
    "%1: longitude (°, east positive)",
    "'%1' is no latitude or longitude in degrees (a latitude lies within -90 and 90, a longitude "
    "within -180 and 180).",
    "Import into Columns...",
    "Import into count columns",
    "Column of %1 (%2 files)",
    "'%1' is not a count column (Sum, N1 to N10).",
    "The files come from %1 stations; a table has 11 count columns.",
    "Solar longitude λ☉ (degrees, J2000.0)",
    "Counts less sporadic, on the profile's scale",
    "Fitted profile",
    "Choose at least one count column.",
    "Another reason …",
    "The reason, in a few words:",
    "Writing %1 …",
};
static_assert(std::size(EnglishTexts) == LanguageTexts::TextCount);
// The stacked profile's texts are X190 to X224 in files written before.
static_assert(static_cast<int>(LanguageTexts::Text::StackedTab) == 190);
static_assert(static_cast<int>(LanguageTexts::Text::MarkOtherReason) == 225);

// The built-in captions of L1 to L12 (they differ in places from the
// captions the controls are designed with).
const char *const EnglishLabels[] = {
    "Begin observation", "End observation", "Koef. \"a\"", "Koef. \"b\"",
    "Maximum Int.",      "Maximum",         "Line",        "Observed",
    "Shower profile",    "Shower",          "Sporadic",    "Data Column",
};
static_assert(std::size(EnglishLabels) == LanguageTexts::LabelCount);

} // namespace

LanguageTexts::LanguageTexts(const IniFile &file, const QString &code) : m_code(code)
{
    if (code.isEmpty())
        return;
    // Read through the caller's object, which keeps the reading too; this
    // copy shares it.
    for (int n = 1; n <= MessageCount; ++n)
        m_messages[static_cast<size_t>(n - 1)] =
            file.readString(code, QStringLiteral("MSG%1").arg(n), QString());
    m_file = file;
}

QString LanguageTexts::english(Text text)
{
    return QString::fromUtf8(EnglishTexts[static_cast<int>(text) - 1]);
}

QString LanguageTexts::english(Label label)
{
    return QString::fromUtf8(EnglishLabels[static_cast<int>(label) - 1]);
}

QString LanguageTexts::text(Text text) const
{
    if (m_code.isEmpty())
        return english(text);
    return m_file.readString(m_code, QStringLiteral("X%1").arg(static_cast<int>(text)),
                             english(text));
}

QString LanguageTexts::plurals(const QString &text, std::initializer_list<double> numbers)
{
    const std::vector<double> n(numbers);
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'{', i);
        if (open < 0)
            break;
        const qsizetype colon = text.indexOf(u':', open);
        const qsizetype close = text.indexOf(u'}', open);
        bool ok = false;
        const int k =
            colon > open && colon < close ? text.mid(open + 1, colon - open - 1).toInt(&ok) : 0;
        const QStringList forms =
            ok ? text.mid(colon + 1, close - colon - 1).split(u'|') : QStringList();
        if (!ok || k < 1 || k > int(n.size()) || (forms.size() != 2 && forms.size() != 3)) {
            out += text.mid(i, open + 1 - i);
            i = open + 1;
            continue;
        }
        const double v = std::fabs(n[size_t(k - 1)]);
        qsizetype form;
        if (forms.size() == 2) {
            form = v == 1 ? 0 : 1;
        } else if (v != std::floor(v) || v > 1e15) {
            form = 1;
        } else {
            const qint64 m = qint64(v), last = m % 10, lastTwo = m % 100;
            form = last == 1 && lastTwo != 11                                 ? 0
                   : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1
                                                                              : 2;
        }
        out += text.mid(i, open - i) + forms[form];
        i = close + 1;
    }
    out += text.mid(i);
    return out;
}

QString LanguageTexts::label(Label label) const
{
    if (m_code.isEmpty())
        return english(label);
    return m_file.readString(m_code, QStringLiteral("L%1").arg(static_cast<int>(label)),
                             english(label));
}

QLocale LanguageTexts::locale() const
{
    // No language (vexlor-fit): a point. A language Qt does not know: the
    // system's numbers.
    QLocale l = QLocale::c();
    if (!m_code.isEmpty()) {
        const QLocale named(m_code);
        l = named.language() != QLocale::C ? named : QLocale();
    }
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

QString LanguageTexts::decimal(double value, int decimals) const
{
    QLocale l = locale();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'f', decimals);
}

int LanguageTexts::pluralForm(qint64 n, int formCount)
{
    if (formCount <= 1)
        return 0;
    const qint64 a = n < 0 ? -n : n;
    if (formCount == 2)
        return a == 1 ? 0 : 1;
    const qint64 tens = a % 100, ones = a % 10;
    if (ones == 1 && tens != 11)
        return 0;
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        return 1;
    return 2;
}

QString LanguageTexts::count(Text forms, qint64 n) const
{
    const QStringList all = text(forms).split(u'|');
    const int form = std::min(pluralForm(n, static_cast<int>(all.size())), int(all.size()) - 1);
    // Counts keep the language's thousands separator ("87,600 hours").
    QLocale grouped = locale();
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    return grouped.toString(n) + u' ' + all[form];
}

QString LanguageTexts::value(const QString &key) const
{
    return m_code.isEmpty() ? QString() : m_file.readString(m_code, key, QString());
}
