// The report's whole-range fit as `name value` lines, as vexlor-fit prints
// them after Auto Calc's and the report's text file keeps them.
#pragma once

#include "DayBootstrap.h"
#include "WholeRangeFit.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace WholeRangeReport {

// The lines of a fit, and of its day-block bootstrap when given (its
// intervals then take the interval lines' names, interval_method says so).
QStringList lines(const WholeRangeFit::Result &fit, const DayBootstrap::Result *bootstrap);

// The fit of the selected rows, with `replicates` day-block replicates when
// more than 0, as lines. progress(done, total) in steps of the whole work;
// returning false cancels (the lines then say so).
QStringList run(const std::vector<TRadData> &DataRows, int replicates, std::uint64_t seed,
                const std::function<bool(int done, int total)> &progress = {});

} // namespace WholeRangeReport
