// The reference mining the property tests hold the library's mining to.
#pragma once

#include "disclass/disclass.h"

namespace oracle {

// Mines `data` under ALPHA and BETA exactly as Discriminate must: AllDDs, NbMot and the
// ddCount of every family and sequence.
void Discriminate(tessar::DescriptorData& data, float ALPHA, float BETA);

}  // namespace oracle
