// The motif method end to end on a fuzzed answer script, sequence, classification and test files.
// Few short sequences and at most two mutations: the search grows fast with both.
#include "discover/discover.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    fuzz::run_method(data, size, 8, 40, {{"--mutations", 0, 2}}, tessar::run_discover);
    return 0;
}
