// What else fits as well: the best dO at every position of the maximum, and
// the dO of every a and b at one position.
#pragma once

#include "ActivityModel.h"
#include "AutoSearch.h"
#include "app/Progress.h"

#include <functional>
#include <optional>
#include <vector>

namespace PositionProfile {

struct Point {
    int position = 0;
    int a = 0, b = 0; // the best of a and b at the position
    double dO = 0;
    bool gap = false; // a candidate's fit failed at this position
};

struct Profile {
    std::vector<Point> points; // positions 1 to N - 1, in order
    int bestPosition = 0;      // 0 when every position is a gap
    int bestA = 0, bestB = 0;
    double bestDO = 0;
    bool cancelled = false;
    // Positions whose best dO lies within 1 % of the smallest.
    int positionsNearBest() const;
};

// For every position P from 1 to the last row's offset, the best dO over a
// and b from 1 to 100 (of equal scores the last in the search's order), by
// the search's exact kernel: scored in blocks of eleven positions on
// `threads` threads (0: all cores). progress counts the blocks; its cancel
// stops every block within one value of a, and the blocks not finished
// are left out.
Profile compute(const std::vector<TRadData> &DataRows, Progress &progress, int threads = 0);
// The same as a job of its own, with progress(done, total) called on the
// calling thread now and then; returning false cancels.
Profile compute(const std::vector<TRadData> &DataRows,
                const std::function<bool(int done, int total)> &progress, int threads = 0);

// The same by fitModel, one candidate at a time: the reference of the tests.
Profile computeLiteral(const std::vector<TRadData> &DataRows);

// The data do not determine the maximum's position: the profile's best lies
// outside Auto Calc's window (peakOffset +- 5), or more than 24 positions
// lie within 1 % of its minimum.
bool undetermined(const Profile &profile, int peakOffset);

// The dO of every a and b (100 x 100, a-major: (a - 1) * 100 + b - 1) at one
// position from 1 on (none before); failed candidates are marked.
struct Landscape {
    int position = 0;
    std::vector<double> dO;
    std::vector<bool> failed;
    int bestA = 0, bestB = 0;
    double bestDO = 0;
    bool valid() const { return !dO.empty() && bestA > 0; }
};
Landscape landscape(const std::vector<TRadData> &DataRows, int position);
// The same as a piece of work off the window's thread: progress counts the
// values of a; a cancel stops within one of them and gives no landscape.
Landscape landscape(const std::vector<TRadData> &DataRows, int position, Progress &progress);
// The landscape out of the scores of a search around peakOffset, for a
// position inside its window.
Landscape fromScores(const SearchScores &scores, int peakOffset, int position);

} // namespace PositionProfile
