// The reference mining the property tests hold the library's mining to.
#pragma once

#include "disclass/disclass.h"

namespace oracle {

// Mines `data` under ALPHA and BETA exactly as Discriminate must: AllDDs, NbMot and the
// ddCount of every family and sequence.
void mine_descriptors(tessar::DescriptorData& data, float alpha, float beta);

}  // namespace oracle
