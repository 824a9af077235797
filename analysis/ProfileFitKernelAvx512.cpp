// The whole-range fit's kernel for processors with AVX-512. This file alone
// is built with -mavx512f -mfma and lets the compiler fuse multiply-adds:
// this fit is not Run's, and its sums need not match Run's bits.
#include "ProfileFit.h"

#include <cstddef>
#include <vector>

namespace ProfileFit {
namespace {
#include "ProfileFitKernel.inc"
} // namespace

void Kernel::positionAvx512(const Input &in, int rises, const double *rise, const double *decay,
                            double *slab, double *rowMin, double *decayMin, double *shapeMin)
{
    position(in, rises, rise, decay, slab, rowMin, decayMin, shapeMin);
}

void Kernel::replicasAvx512(const ReplicaInput &in, int rises, const double *rise,
                            const double *decay, double *rowBest, int *rowArg)
{
    replicas(in, rises, rise, decay, rowBest, rowArg);
}

void Kernel::replicaSlabsAvx512(const ReplicaInput &in, bool oneScale, bool add, int rises,
                                const double *rise, const double *decay, double *slabs)
{
    replicaSlabs(in, oneScale, add, rises, rise, decay, slabs);
}

bool Kernel::haveAvx512()
{
    return __builtin_cpu_supports("avx512f");
}

} // namespace ProfileFit
