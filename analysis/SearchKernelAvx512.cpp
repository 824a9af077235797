// The scoring kernel for processors with AVX-512. This file alone is built
// with -mavx512f; -ffp-contract=off keeps fused multiply-adds out.
#include "AutoSearch.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
#include "SearchKernel.inc"
} // namespace

void SearchKernel::scoreAAvx512(const SearchInput::Data &data, int a, double *dO,
                                ScoreFailure *failure)
{
    scoreA(data, a, dO, failure);
}

bool SearchKernel::haveAvx512()
{
    return __builtin_cpu_supports("avx512f");
}
