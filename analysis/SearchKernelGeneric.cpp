// The scoring kernel for any x86-64 processor.
#include "AutoSearch.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
#include "SearchKernel.inc"
} // namespace

void SearchKernel::scoreAGeneric(const SearchInput::Data &data, int a, double *dO,
                                 ScoreFailure *failure)
{
    scoreA(data, a, dO, failure);
}
