// The interface texts of one language, and the built-in English texts.
#include "LanguageTexts.h"

#include <iterator>

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
    "Count files|*.txt *.TXT *.dat *.DAT *.sta *.STA *.csv *.CSV|All files|*",
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
    "Rise a: %1 rows, decay b: %2 rows, full width at half maximum: %3 rows.",
    "Rows are hours where the range has no gaps; it misses %1 hours.",
    "dO: %1",
    "Replicates",
    "Seed",
    "Bootstrap",
    "Position profile",
    "Bootstrap: %1 replicates answered (%2 failed) in %3 s.",
    "%1 %: a %2 to %3, b %4 to %5, position %6 to %7 (%8 to %9), λ☉ %10° to %11°.",
    "Position profile: the best position is %1 (%2), dO %3; %4 positions lie within 1 % of it.",
    "The data do not determine the maximum's position: the profile's best lies outside Auto "
    "Calc's window.",
    "The data do not determine the maximum's position: the profile stays within 1 % of its "
    "minimum over %1 positions.",
    "Save Report...",
    "Text file|*.txt|CSV file|*.csv|All files|*",
    "Save Pictures...",
    "Position of the maximum in %1 replicates",
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
};
static_assert(std::size(EnglishTexts) == LanguageTexts::TextCount);

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

QString LanguageTexts::label(Label label) const
{
    if (m_code.isEmpty())
        return english(label);
    return m_file.readString(m_code, QStringLiteral("L%1").arg(static_cast<int>(label)),
                             english(label));
}

QString LanguageTexts::value(const QString &key) const
{
    return m_code.isEmpty() ? QString() : m_file.readString(m_code, key, QString());
}
