// The whole-range least-squares fit of a shower profile on an hour-of-day
// background: every position of the maximum and every rise and decay scale
// of a grid scored by the residual sum of squares, for one dataset.
//
// The model of a row j at time t_j, hour of day h_j, count y_j:
//     y_j = K(h_j) v_j x_j + C(h_j),
//     x_j = exp(-(P - t_j) / a) for t_j <= P, exp(-(t_j - P) / b) after P,
// with K and C the least-squares line of each hour of day (or, coupled, one
// scale K for all hours and a known visibility v_j of the shower per row).
// The time is any coordinate that runs forward with the rows: hours since the
// first row for one station's report, degrees of solar longitude for several
// years on one axis. Standard C++ types throughout.
//
// Scoring: the sums of an hour (sum of w x, w x^2, w x y) split into the rows
// up to P (the rise side, which depends on P and a only) and the rows after
// it (the decay side, P and b only). Moving P one grid step later multiplies
// every rise-side term by exp(-step / a) (and x^2 terms by its square) and
// adds the rows the step passes; the decay side follows the same recurrence
// from the far end. So a position costs one multiply per hour and scale for
// each side, and every (a, b) pair a handful of operations per hour of day:
// the residual sum of squares of the hour's line in closed form.
#pragma once

#include "app/Progress.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ProfileFit {

// One dataset's rows. Rows need not be in time order; rows at the same time
// are allowed.
struct Series {
    std::vector<double> t;          // time of the row (hours, or degrees)
    std::vector<std::int32_t> hour; // hour of day 0 to 23: the row's bin
    std::vector<double> y;          // observed count
    std::vector<double> weight;     // least-squares weight (> 0); empty: all 1
    std::vector<double> visibility; // factor of the shower (>= 0); empty: all 1
    size_t size() const { return t.size(); }
};

// How the shower's coefficient is shared among the hours of day: free for
// every hour (K(h)), or one scale for all, the hours told apart by the
// visibility factor of each row.
enum class Coupling { PerHour, OneScale };

// Candidate positions first + k step (k = 0 .. positions - 1) and the rise
// and decay scales (in the time's unit, > 0, any order).
struct Grid {
    double first = 0;
    double step = 1;
    int positions = 0;
    std::vector<double> rise, decay;
    double position(int k) const { return first + step * k; }
};

// Positions are scored in chunks of this many, each chunk on its own from
// stored states at its ends, so the work splits over threads (and the
// datasets of a joint fit line up chunk by chunk) with the same result.
inline constexpr int ChunkPositions = 64;

// One candidate fitted by direct summation over the rows: the reference the
// recurrences are tested against, and the fitted values of the estimate.
// An hour whose rows all share one profile factor (or has a single row)
// leaves its shower coefficient at 0 and its background at its mean.
struct Fit {
    double rss = 0; // weighted residual sum of squares
    std::array<double, 24> K{},
        C{};                        // by hour of day; with OneScale K holds the scale in every hour
    std::array<bool, 24> present{}; // hours of day with rows of positive weight
    std::vector<double> fitted;     // K v x + C of every row, in the Series' order
    std::vector<double> profile;    // x of every row
};
Fit fitAt(const Series &series, double P, double a, double b,
          Coupling coupling = Coupling::PerHour);

// The sum of squares of the model without a shower: every hour's weighted
// spread about its mean.
double nullRss(const Series &series);

// A dataset prepared for scoring on a grid: rows in time order, the hours of
// day it holds, the exponentials of the grid, and the rise and decay states
// at the ends of every chunk. Immutable after construction; any number of
// threads may score chunks of it at once, each with its own Workspace.
class Evaluator {
public:
    // With replicas > 1 the Evaluator holds that many count vectors for
    // the same rows, all of them the Series' counts until setCounts;
    // bestOfReplicas() (a line per hour of day only) and
    // scoreReplicasChunk() score them together.
    // progress, when given, is looked at once per chunk while the states at
    // the chunks' ends are computed (here and in setCounts): a cancel
    // throws JobCancelled. It must outlive the Evaluator.
    Evaluator(const Series &series, const Grid &grid, Coupling coupling = Coupling::PerHour,
              int replicas = 1, const Progress *progress = nullptr);

    int positions() const { return m_grid.positions; }
    int rises() const { return int(m_grid.rise.size()); }
    int decays() const { return int(m_grid.decay.size()); }
    int chunks() const { return (m_grid.positions + ChunkPositions - 1) / ChunkPositions; }
    // Hours of day with rows; hours whose line the profile moves.
    int hoursPresent() const { return m_hoursWithRows; }
    int hoursFitted() const { return m_hours; }
    double nullRss() const { return m_syyTotal[0]; }
    int replicas() const { return m_replicas; }

    // New counts for the same rows (y in the Series' order, as given to the
    // constructor), as a resampling needs: the states are computed again
    // in the memory already held.
    void setCounts(const std::vector<double> &y);
    // One count vector per replica.
    void setCounts(const std::vector<std::vector<double>> &ys);

    // The best candidate of each replica over the whole grid (of equal sums
    // the earliest position, then the least rise, then the least decay
    // scale), on the calling thread; keepGoing() is asked between chunks,
    // and false stops with an empty answer. The replicas share every
    // profile factor and every denominator of the hours' lines, so eight of
    // them cost about twice one.
    struct Best {
        int position = -1, rise = -1, decay = -1;
        double rss = 0;
    };
    std::vector<Best> bestOfReplicas(const std::function<bool()> &keepGoing = {}) const;
    static constexpr int KernelReplicas = 8;

    // Scratch memory of one thread.
    struct Workspace {
        std::vector<double> rise, riseTerms, decayStates, slab, rowMin;
        std::vector<double> scratchDecayMin;
        std::vector<double> replicaRise, replicaDecay;
    };

    // Running minima of one thread's chunks: by rise scale, by decay scale
    // (paddedDecays() entries) and, when not empty, by (rise, decay) pair
    // (rises() x paddedDecays()). Start them at +infinity.
    struct Minima {
        std::vector<double> byRise, byDecay, byShape;
    };

    // Scores the positions of one chunk in order (one count vector only). visit(k, slab, rowMin):
    // slab[ia * paddedDecays() + ib] is the RSS of rise scale ia and decay
    // scale ib at position k (entries past decays() in a row repeat its last
    // scale), rowMin[ia] the least of row ia. A joint fit of several
    // datasets adds their slabs position by position. minima, when given,
    // takes in every slab.
    void scoreChunk(
        int chunk, Workspace &work, Minima *minima,
        const std::function<void(int k, const double *slab, const double *rowMin)> &visit) const;

    // Scores the positions of one chunk for all eight count vectors
    // (replicas() == KernelReplicas), with either coupling, into `into`:
    // into[(((k - k0) * rises() + ia) * KernelReplicas + q) * paddedDecays()
    // + ib] the sum of squares of replica q at the chunk's position k (k0
    // its first), rise scale ia and decay scale ib (entries past decays()
    // repeat its last scale), written or, with add, added: a joint
    // resampling of several datasets adds their sums in one array. The
    // replicas share every profile factor and every denominator.
    void scoreReplicasChunk(int chunk, Workspace &work, double *into, bool add) const;

    // The layout of the states (public for the kernels).
    static constexpr int Lanes = 8;
    int paddedDecays() const { return m_paddedDecays; }

private:
    void addRise(double *rise, int j, double P) const;
    void addDecay(double *decay, int j, double P) const;
    void stepRise(double *rise) const;
    void stepDecay(double *decay) const;
    void initialRise(double *rise, double P) const;
    void initialDecay(double *decay, double P) const;
    void prepareChunk(int chunk, Workspace &work) const;
    const double *termsAt(int k, int k0, Workspace &work) const;
    // One position's terms in the replica kernels' order: each hour's terms
    // of one rise scale side by side (rise), each lane group's of the decay
    // side (decayLanes).
    void replicaOrder(const double *decay, const Workspace &work, double *rise,
                      double *decayLanes) const;
    void riseTerms(const double *rise, double *terms) const;
    void decayTerms(double *decay) const;
    void riseCheckpoints();
    void decayCheckpoints();
    // Rows with P_{k-1} < t <= P_k, as [begin, end) into the sorted rows.
    int rowsUpTo(int k) const { return m_upTo[size_t(k)]; }

    void checkCancelled() const
    {
        if (m_progress)
            m_progress->checkCancelled();
    }

    Grid m_grid;
    Coupling m_coupling;
    const Progress *m_progress = nullptr;
    int m_replicas = 1;
    int sums() const { return 2 + m_replicas; }
    int m_hours = 0;                             // hours of day in the recurrences
    int m_hoursWithRows = 0;                     // hours of day with rows
    std::vector<size_t> m_fixedRows;             // rows of the other hours, in the Series' order
    Series m_fixedSeries;                        // their hours and weights
    int m_paddedDecays = 0;                      // decay scales rounded up to whole lanes
    std::vector<double> m_t, m_w, m_v;           // sorted by time
    std::vector<double> m_y;                     // [replica][row], rows sorted by time
    std::vector<int> m_bin;                      // dense hour index of each sorted row
    std::vector<double> m_ybar, m_syyc;          // [replica][hour]
    std::vector<double> m_invW;                  // [hour]
    std::vector<double> m_syyTotal;              // [replica]
    std::vector<double> m_riseStep, m_decayStep; // exp(-step / s) per scale
    std::vector<int> m_upTo;                     // rows with t <= P_k, per k
    std::vector<size_t> m_order;                 // the Series' row of each sorted row
    // The states at each chunk's first position (rise) and last (decay); not
    // zeroed when made, every entry is written before it is read.
    std::unique_ptr<double[]> m_riseCheckpoints, m_decayCheckpoints;
    size_t m_riseSize = 0, m_decaySize = 0;
};

// The whole-range scan of one dataset: the least sum of squares at every
// position (over all a, b), at every rise scale (over all positions and b),
// at every decay scale, and at every (a, b) (over all positions).
struct Scan {
    int positions = 0, rises = 0, decays = 0;
    std::vector<double> byPosition;   // positions
    std::vector<int> riseAt, decayAt; // the best scales at each position
    std::vector<double> byRise;       // rises
    std::vector<double> byDecay;      // decays
    std::vector<double> byShape;      // rises x decays (a-major); empty unless asked
    int bestPosition = -1, bestRise = -1, bestDecay = -1; // indexes into the grid
    double bestRss = 0;
    double nullRss = 0;
    int hoursPresent = 0;
    bool cancelled = false;
    bool valid() const { return bestPosition >= 0 && !cancelled; }
    // Sets the best candidate from byPosition, riseAt and decayAt: the
    // least finite sum of squares, the earliest position of equal ones.
    void pickBest();
};

struct ScanOptions {
    int threads = 0;     // 0: as many as the machine has
    bool shapes = false; // fill byShape
};

// Scores every candidate of the grid on the worker pool. Of equal sums of
// squares the earliest position wins, then the least rise, then the least
// decay scale; the result does not depend on the number of threads.
// progress counts every chunk scored as one step (addDone; its total is the
// caller's to set, evaluator.chunks() a scan); a cancel stops the threads
// between chunks, within a few milliseconds, and the scan returns with
// cancelled set.
Scan scan(const Evaluator &evaluator, const ScanOptions &options, Progress &progress);
// The same with progress(done, total) chunks asked on the calling thread
// before the start and every few tens of milliseconds; false cancels.
Scan scan(const Evaluator &evaluator, const ScanOptions &options = {},
          const std::function<bool(int done, int total)> &progress = {});

// Kernels, one per instruction set: the sums of squares of every decay scale
// for one rise scale at one position.
namespace Kernel {
struct Input {
    int hours = 0;
    int paddedDecays = 0;
    const double *syyc = nullptr; // each hour's spread about its mean
    double syyTotal = 0;
    bool oneScale = false;
};
// Every pair at one position. rise: [rises][3][hours] terms of the rise
// side (v, c, u); decay: [hours][3][paddedDecays] terms of the decay side
// (v, Sx, u); slab: [rises][paddedDecays] sums of squares; rowMin[ia] the
// least of row ia; decayMin (paddedDecays) and shapeMin (null, or like
// slab) are lowered to the sums lane by lane.
void positionGeneric(const Input &in, int rises, const double *rise, const double *decay,
                     double *slab, double *rowMin, double *decayMin, double *shapeMin);
void positionAvx512(const Input &in, int rises, const double *rise, const double *decay,
                    double *slab, double *rowMin, double *decayMin, double *shapeMin);
// Eight replicas at one position (paddedDecays a multiple of the lanes).
// rise: [rises][hours][2 + 8] (v, c, u of each replica); decay:
// [hours][lane group][2 + 8][lanes] (v, Sx, u of each replica); syyTotal of
// each replica; rowBest, rowArg: [rises][8] the least sum of each row and
// its decay scale (the least of equal ones).
struct ReplicaInput {
    int hours = 0;
    int paddedDecays = 0;
    const double *syyTotal = nullptr;
};
void replicasGeneric(const ReplicaInput &in, int rises, const double *rise, const double *decay,
                     double *rowBest, int *rowArg);
void replicasAvx512(const ReplicaInput &in, int rises, const double *rise, const double *decay,
                    double *rowBest, int *rowArg);
// The same sums of squares kept whole: slabs [rises][8][paddedDecays]
// written (or, with add, added to), for a line per hour of day or one
// scale for all hours (oneScale).
void replicaSlabsGeneric(const ReplicaInput &in, bool oneScale, bool add, int rises,
                         const double *rise, const double *decay, double *slabs);
void replicaSlabsAvx512(const ReplicaInput &in, bool oneScale, bool add, int rises,
                        const double *rise, const double *decay, double *slabs);
bool haveAvx512();
} // namespace Kernel

} // namespace ProfileFit
