// The N-gram method end to end on a fuzzed answer script, sequence, classification and test files.
#include "harness.h"
#include "ngrams/ngrams.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    fuzz::run_method(data, size, 40, 200, {{"-n", 1, 12}}, tessar::run_ngrams);
    return 0;
}
