// The binary coder's record in the table of methods: the menu runs it with the code of the key
// chosen (e to h), the command line with --code.
#include "bincod/bincod.h"
#include "dialogue/preset.h"
#include "methods/method.h"

namespace tessar {

extern const Method kBincodMethod;

namespace {

// Every question of the method, in dialogue order.
const std::vector<const Question*>& questions() {
    static const std::vector<const Question*> questions = {&kBinarySequenceFile, &kBinaryCode,
                                                           &kBinaryOutput};
    return questions;
}

MethodRun run(Dialogue& io) {
    const int scheme = ask_number(io, kBinaryCode);
    const BincodRun r = run_bincod(io, scheme);
    return {format("bincod: %d sequences coded with %s", r.n_sequences,
                   choice_name(kBinaryCode, std::to_string(scheme)).c_str()),
            std::nullopt};
}

}  // namespace

const Method kBincodMethod = {
    "bincod", 'e', "binary residue codes, one line per sequence (menu e to h)",
    "tessar bincod seqs.fasta --code corvel --output coded.dat", questions, false, {}, run,
    {}, nullptr, nullptr, nullptr, TestClassReading::Checked,
};

}  // namespace tessar
