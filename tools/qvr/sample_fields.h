// The fibre fields the host writes for sample parts and imported meshes.
#ifndef QVR_CLI_SAMPLE_FIELDS_H
#define QVR_CLI_SAMPLE_FIELDS_H

#include "NQBIO_Manipulator.h"
#include "generator/PartGenerator.h"

namespace qvr::cli {

// Fixed affine coefficients (component order a11 a22 a33 a12 a13 a23): the trace stays 1
// everywhere and the values stay tensor-like over parts of a few tens of mm.
gen::FiberSpec affineFiberField();

// The skin-shell-core field through the mesh's z extent (its thickness direction when the part
// lies flat).
gen::FiberSpec skinShellCoreThroughZ(const nqbio::MeshData& mesh);

}  // namespace qvr::cli

#endif
