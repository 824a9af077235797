// The one place where dates become texts and texts become dates.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

// The table holds dates as texts in the short date format: the program's
// "DateFormat" setting when it has one, otherwise the system locale's short
// format (a two-digit year widened to four digits). Every date conversion of
// the program goes through here, and so does "today", so that tests can set
// both.
namespace DateConv {

// The time zones' distances from UT in whole hours: local time of a file
// lies so many hours ahead of UT.
constexpr int MinUtcOffset = -12;
constexpr int MaxUtcOffset = 14;

// An empty pattern selects the system locale's short date format. A
// pattern with a two-digit year ("dd.MM.yy") writes the years 1950 to 2049
// with two digits and reads two digits back into those years; any other
// year is written with four digits and read as written, so that a date
// keeps its century (an imported 1925 or 2071 stays what it was).
void setFormat(const QString &pattern);
QString format();

// The locale's short date format with a two-digit year widened to four.
QString localeShortFormat(const QLocale &locale);

QString toText(const QDate &date);
// Strict: nullopt for a text that is not a valid date in the format.
std::optional<QDate> fromText(const QString &text);
// A date as a user types it into a date field: the format's text, or its
// day, month and four-digit year as numbers in the format's order, between
// any separators ("9.5.2025", "09/05/2025") or, without separators, in the
// format's widths ("09052025"). nullopt for anything else.
std::optional<QDate> fromTypedText(const QString &text);
// As fromText, throwing EConvertError "'%s' is not a valid date".
QDate fromTextOrThrow(const QString &text);

// A number with a fraction in its shortest exact form, written with the
// decimal separator of the locale the dates follow (the system's, or the
// one tests set).
QString decimalText(double value);
void setNumberLocale(const QLocale &locale);

QDate today();
// Tests set the clock; an empty function restores the system clock.
void setTodaySource(std::function<QDate()> source);

} // namespace DateConv
