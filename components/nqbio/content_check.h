// What a mesh must satisfy before a writer stores it, so that every file written reads back.
#ifndef NQBIO_CONTENT_CHECK_H
#define NQBIO_CONTENT_CHECK_H

#include <string>

#include "NQBIO_Manipulator.h"

namespace nqbio {

enum class Encoding { Text, Binary };

// False with a reason when `mesh` cannot be stored in `encoding` so that it reads back as it is.
bool checkStorable(const MeshData& mesh, Encoding encoding, std::string& reason);

}  // namespace nqbio

#endif
