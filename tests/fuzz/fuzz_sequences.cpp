// The sequence reader, every variant, without limits, with the menu's and with tiny ones. The
// first byte picks the reader and the limits; the rest is the file.
//
// Checks beyond the sanitizers: what is stored is residues only (A-Z) within the limits, the
// statistics agree with what was stored, and the streaming pass (no limit on the number of
// sequences) and the buffered pass (a limit, so the file is taken in whole first) read the same
// file the same way: same sequences, same statistics, or the same error.
#include <climits>
#include <cstdlib>

#include "harness.h"
#include "inputs/sequences.h"

namespace {

using fuzz::check;

struct Reading {
    std::vector<std::string> sequences;
    tessar::SequenceFileStats stats;
    std::string error;  // the FatalError message, "" when none
};

Reading read(const std::string& text, tessar::SequenceReader reader, const tessar::Limits& limits) {
    Reading r;
    tessar::File in = fuzz::memory_stream(text);
    try {
        r.sequences = tessar::read_sequences(in.get(), "input", reader, limits, &r.stats);
    } catch (const tessar::FatalError& e) {
        r.error = e.message;
    }
    return r;
}

void check_stored(const Reading& r, const tessar::Limits& limits) {
    if (!r.error.empty()) return;
    check(r.stats.n_sequences == static_cast<int>(r.sequences.size()));
    check(r.sequences.size() <= static_cast<size_t>(limits.max_sequences));
    check(r.stats.n_skipped_lines >= 0);
    for (const std::string& s : r.sequences) {
        check(s.size() <= static_cast<size_t>(limits.max_residues));
        for (char c : s) check(c >= 'A' && c <= 'Z');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto reader = static_cast<tessar::SequenceReader>(data[0] % 5);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    tessar::Limits limits;  // none
    switch ((data[0] / 5) % 3) {
    case 1:
        limits = tessar::console_limits();
        break;
    case 2:
        limits.max_sequences = 3;
        limits.max_residues = 10;
        break;
    default:
        break;
    }
    const Reading r = read(text, reader, limits);
    check_stored(r, limits);

    // the same residue limit, streamed and buffered
    tessar::Limits streamed;
    streamed.max_residues = limits.max_residues;
    tessar::Limits buffered = streamed;
    buffered.max_sequences = INT_MAX - 1;
    const Reading a = read(text, reader, streamed);
    const Reading b = read(text, reader, buffered);
    check(a.error == b.error);
    check(a.sequences == b.sequences);
    check(a.stats.n_sequences == b.stats.n_sequences);
    check(a.stats.n_skipped_lines == b.stats.n_skipped_lines);
    check(a.stats.skipped_residues == b.stats.skipped_residues);
    return 0;
}
