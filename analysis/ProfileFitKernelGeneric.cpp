// The whole-range fit's kernel for any x86-64 processor.
#include "ProfileFit.h"

#include <cstddef>
#include <vector>

namespace ProfileFit {
namespace {
#include "ProfileFitKernel.inc"
} // namespace

void Kernel::positionGeneric(const Input &in, int rises, const double *rise, const double *decay,
                             double *slab, double *rowMin, double *decayMin, double *shapeMin)
{
    position(in, rises, rise, decay, slab, rowMin, decayMin, shapeMin);
}

void Kernel::replicasGeneric(const ReplicaInput &in, int rises, const double *rise,
                             const double *decay, double *rowBest, int *rowArg)
{
    replicas(in, rises, rise, decay, rowBest, rowArg);
}

void Kernel::replicaSlabsGeneric(const ReplicaInput &in, bool oneScale, bool add, int rises,
                                 const double *rise, const double *decay, double *slabs)
{
    replicaSlabs(in, oneScale, add, rises, rise, decay, slabs);
}

} // namespace ProfileFit
