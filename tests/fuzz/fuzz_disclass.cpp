// The descriptor method end to end on a fuzzed answer script, sequence, classification and test
// files (the family file SeqFile.seq and the report LesDDs.txt are written in the scratch folder).
#include "disclass/disclass.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    fuzz::run_method(data, size, 40, 120, {}, tessar::run_disclass);
    return 0;
}
