// The binary coder end to end: the first byte picks the scheme (1 to 4, and 0 and 5, which the
// menu never passes but the export takes), the rest is the answer script and the sequence file.
#include "bincod/bincod.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int scheme = data[0] % 6;
    fuzz::run_method(data + 1, size - 1, 40, 400, {},
                     [scheme](tessar::Dialogue& io) { tessar::run_bincod(io, scheme); });
    return 0;
}
