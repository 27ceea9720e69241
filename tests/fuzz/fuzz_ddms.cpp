// The substitution-matrix descriptor method end to end on a fuzzed answer script, sequence,
// classification and test files.
#include "ddms/ddms.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    fuzz::run_method(data, size, 40, 120, {}, tessar::run_ddms);
    return 0;
}
