// Hours marked as disturbed: kept in the table with their counts, left out
// of every fit. A mark is the text "BAD:<reason>" in the row's filler column
// (column 13), which the text layout writes as a 14th field and the workbook
// as a 14th column only for marked rows: readers that know nothing of marks
// load the same counts and ignore it.
#pragma once

#include "app/LanguageTexts.h"

#include <QString>
#include <QStringView>

#include <optional>

class GridModel;

namespace HourMarks {

// The column that holds a row's mark.
inline constexpr int Column = 13;

// The reasons an observer gives; any other text after "BAD:" is a reason
// in the observer's own words.
enum class Reason {
    Interference,   // IF
    SporadicE,      // ES
    TransmitterOff, // NS: no signal
    OutageAsZero,   // OUT: an outage logged as a count of zero
    Other,
};

// "BAD:IF" for Interference; "BAD:" and the words for Other.
QString markText(Reason reason, const QString &words = QString());
// Whether a filler cell's text is a mark (surrounding blanks allowed).
bool isMark(QStringView text);
// Whether the table's row (from 1) is marked.
bool isMarked(const GridModel &grid, int row);
// The reason of a mark (nullopt for a text that is none); words gets the
// text after "BAD:" for Other.
std::optional<Reason> reasonOf(QStringView text, QString *words = nullptr);
// The mark for a cell of the national tables that is no count: IF, ES, NS,
// %n (an hour flagged by the table's writer); nullopt for other texts.
std::optional<QString> markOfCell(QStringView cell);
// The reason of a mark in words of the language ("interference"); the
// observer's own words for Other.
QString describe(QStringView mark, const LanguageTexts &texts);

} // namespace HourMarks
