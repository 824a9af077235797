// The stacked fit in observers' terms: `name value` lines as vexlor-fit
// prints them, the numbers as CSV, and each dataset's counts on the
// common profile's scale for the chart.
#pragma once

#include "StackedBootstrap.h"
#include "StackedFit.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace StackedReport {

// The model's name in the lines: "hourly" or "radiant".
QString modelName(StackedFit::Modulation modulation);

// The lines of a fit (and of its day-block bootstrap when given: its
// intervals then take the interval lines' names, interval_method says so).
// A value that does not exist is "-".
QStringList lines(const StackedFit::Result &fit, const StackedBootstrap::Result *bootstrap);

// The numbers as CSV in one long table, a record per line: the header
// "record,column,station,year,rows,value,low68,high68,low95,high95", the
// fit's records (lambda_max, b_plus_per_degree, ...) and two of every
// dataset (dataset_scale, dataset_dO). Text fields are quoted as RFC 4180
// says and never start a formula; numbers carry 17 significant digits. LF
// line ends, UTF-8.
QByteArray csv(const StackedFit::Result &fit, const StackedBootstrap::Result *bootstrap);

// A text field of the CSV, as every CSV writer of the program quotes it
// and keeps it from being taken for a formula (RunCsv::textField).
QByteArray csvText(const QString &text);

// Each dataset's counts with its sporadic part removed, on the scale of the
// common profile: in bins of BinWidth degrees on the window's axis, the sum
// of (count - fitted background) over the sum of the fitted shower at the
// profile's maximum (K(h) v of each row), which estimates the profile
// there whatever the hours' modulation. A bin whose rows expect less than
// a quarter of a bin's worth of the dataset's scale is left out: the
// shower was too little visible there to be measured.
inline constexpr double BinWidth = 0.25;
struct Point {
    double t = 0;     // the bin's middle on the window's axis
    double value = 0; // the profile's estimate
};
std::vector<std::vector<Point>> stackedPoints(const StackedFit::Result &fit);

} // namespace StackedReport
