// The sequence file reader: what it keeps, what it skips, and the exact fatal messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "dialogue/preset.h"
#include "inputs/sequences.h"
#include "support.h"

using namespace tessar;

namespace {

File file_with(const std::string& text) { return test_support::text_file(text); }

std::vector<std::string> read_text(const std::string& text,
                                   SequenceReader reader = SequenceReader::NGrams,
                                   SequenceFileStats* stats = nullptr) {
    File f = file_with(text);
    return read_sequences(f.get(), "x.fa", reader, console_limits(), stats);
}

// The message of the fatal error the reader raises on `text`, or "<none>".
std::string fatal_message(const std::string& text, SequenceReader reader = SequenceReader::NGrams) {
    try {
        read_text(text, reader);
    } catch (const FatalError& e) {
        return e.message;
    }
    return "<none>";
}

// The detail of the fatal error the reader raises on `text` (read as a file named x.fa), with and
// without the menu's limits (the two reading paths), or "<none>".
std::string fatal_detail(const std::string& text, const Limits& limits = console_limits()) {
    try {
        File f = file_with(text);
        read_sequences(f.get(), "x.fa", SequenceReader::NGrams, limits);
    } catch (const FatalError& e) {
        return e.detail;
    }
    return "<none>";
}

// `n` headers, each followed by one residue line.
std::string headers(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += ">s" + std::to_string(i) + "\nMK\n";
    return text;
}

using Seqs = std::vector<std::string>;

}  // namespace

TEST(SequenceReader, SkipsBlanksTabsStarsAndFoldsCase) {
    EXPECT_EQ(read_text(">h\nacd eFg*\tH\n"), Seqs{"ACDEFGH"});
}

TEST(SequenceReader, JoinsResidueLinesOfOneSequence) {
    EXPECT_EQ(read_text(">a\nMK\nVL\n>b\nW\n"), (Seqs{"MKVL", "W"}));
}

TEST(SequenceReader, IgnoresAnyTextBeforeTheFirstHeader) {
    // digits and hyphens would be fatal in a residue line, but nothing before the first header is read
    EXPECT_EQ(read_text("file of 2 sequences -- 2024\n\n>a\nMK\n"), Seqs{"MK"});
}

TEST(SequenceReader, KeepsEmptySequences) {
    EXPECT_EQ(read_text(">a\n>b\nMK\n>c"), (Seqs{"", "MK", ""}));
    EXPECT_EQ(read_text(">a\n\n\n>b\n"), (Seqs{"", ""}));
}

TEST(SequenceReader, EachSequenceIsNamedByItsHeadersFirstWord) {
    File f = file_with(">sp|P1|A desc\nMK\n>\nMK\n> lead\n>\tx\n>a,\"b\" c\r\n>last");
    std::vector<std::string> ids;
    EXPECT_EQ(read_sequences(f.get(), "s.fasta", SequenceReader::Test, Limits{}, nullptr, &ids).size(), 6u);
    EXPECT_EQ(ids, (std::vector<std::string>{"sp|P1|A", "", "", "", "a,\"b\"", "last"}));
}

TEST(SequenceReader, FileWithoutHeaderHoldsNoSequence) {
    EXPECT_TRUE(read_text("MKVL\nACDE\n").empty());
    EXPECT_TRUE(read_text("").empty());
    File f = file_with("12 not residues\n");
    int stored = 0;
    EXPECT_EQ(read_sequence_file(f.get(), "x.fa", SequenceReader::Test, console_limits(),
                                 [&](std::string&) { ++stored; }).n_sequences,
              0);
    EXPECT_EQ(stored, 0);
}

TEST(SequenceReader, LastLineWithoutLineEndCounts) {
    EXPECT_EQ(read_text(">a\nMK\n>b\nVL"), (Seqs{"MK", "VL"}));
}

TEST(SequenceReader, CrLfEndsLinesLikeLf) {
    EXPECT_EQ(read_text("junk\r\n>a\r\nMK\r\nvl\r\n>b\r\n\r\nW\r\n"), (Seqs{"MKVL", "W"}));
}

TEST(SequenceReader, LoneCrAndNulAreBadResidues) {
    EXPECT_EQ(fatal_message(">a\nM\rK\n"), "\tErr input\n");
    // a CR is dropped only directly before a LF, so a CR ending the file is a character
    EXPECT_EQ(fatal_message(">a\nMK\r"), "\tErr input\n");
    EXPECT_EQ(fatal_message(std::string(">a\nM\0K\n", 7)), "\tErr input\n");
}

TEST(SequenceReader, DigitsHyphensAndHighBytesAreBadResidues) {
    EXPECT_EQ(fatal_message(">a\nMK-V\n"), "\tErr input\n");
    EXPECT_EQ(fatal_message(">a\nMK1\n"), "\tErr input\n");
    EXPECT_EQ(fatal_message(">a\nM\xC3\xA9K\n"), "\tErr input\n");
    EXPECT_EQ(fatal_message(">a\nMK.\n", SequenceReader::Binary), "Err input\n");
}

TEST(SequenceReader, ABadResidueIsNamedByFileLineAndColumn) {
    const std::string gap = "Err input: x.fa line 4 column 3: '-' is not a residue letter "
                            "(gaps of aligned sequences must be removed)";
    for (const Limits& limits : {console_limits(), Limits{}}) {
        EXPECT_EQ(fatal_detail(">a\nMKV\n>b\nMK-V\n", limits), gap);
        // lines before the first header count; blanks count as columns; a CR LF ends a line
        EXPECT_EQ(fatal_detail("title\r\n>a\r\nM K.\r\n", limits),
                  "Err input: x.fa line 3 column 4: '.' is not a residue letter "
                  "(gaps of aligned sequences must be removed)");
    }
}

TEST(SequenceReader, TheBadResidueIsShownPrintablyWithAHintThatFitsIt) {
    EXPECT_EQ(bad_residue_detail(2, 7, '3'),
              "line 2 column 7: '3' is not a residue letter (numbers, such as residue positions, must be removed)");
    EXPECT_EQ(bad_residue_detail(1, 1, 0xC3), "line 1 column 1: '\\xC3' is not a residue letter "
                                              "(a byte of a character outside ASCII)");
    EXPECT_EQ(bad_residue_detail(5, 1, '#'), "line 5 column 1: '#' is not a residue letter");
}

TEST(SequenceReader, CountsTheResiduesOfEachLetter) {
    SequenceFileStats stats;
    read_text(">a\nmkxb\n>b\nXZ*\n", SequenceReader::NGrams, &stats);
    EXPECT_EQ(stats.letter_counts['X' - 'A'], 2);
    EXPECT_EQ(uncommon_residues(stats), 4);
    EXPECT_EQ(nucleotide_share(stats), 0.0);
    read_text(">a\nACGTN\n>b\nuuuuK\n", SequenceReader::NGrams, &stats);
    EXPECT_EQ(uncommon_residues(stats), 4);  // U stands for selenocysteine too
    EXPECT_DOUBLE_EQ(nucleotide_share(stats), 0.9);
}

TEST(SequenceReader, AcceptsAllTwentySixLetters) {
    EXPECT_EQ(read_text(">a\nabcdefghijklmnopqrstuvwxyz\n"), Seqs{"ABCDEFGHIJKLMNOPQRSTUVWXYZ"});
}

TEST(SequenceReader, AcceptsExactly5998Residues) {
    // over several lines, with blanks that do not count
    std::string text = ">a\n" + std::string(3000, 'A') + "\n  " + std::string(2998, 'c') + " *\n";
    Seqs seqs = read_text(text);
    ASSERT_EQ(seqs.size(), 1u);
    EXPECT_EQ(seqs[0].size(), 5998u);
}

TEST(SequenceReader, The5999thResidueIsFatalWithTheReadersMessage) {
    std::string text = ">a\nMK\n>b\n" + std::string(5999, 'W') + "\n";
    // the motif reader names the length reached and the zero-based sequence number
    EXPECT_EQ(fatal_message(text, SequenceReader::Discover), "\tErr: Too long sequence: 5999 N\xC2\xB0" "1\n");
    EXPECT_EQ(fatal_message(text, SequenceReader::NGrams), "\tErr: Too long\n");
    EXPECT_EQ(fatal_message(text, SequenceReader::Test), "\tErr: Too long\n");
    EXPECT_EQ(fatal_message(text, SequenceReader::Descriptors), "\tErr: Too long\n");
    EXPECT_EQ(fatal_message(text, SequenceReader::Binary), "Err: Too long\n");
}

TEST(SequenceReader, TheFirstFaultInReadingOrderIsTheOneReported) {
    // a line of capitals alone is taken whole: its length is checked before the next line's residues
    EXPECT_EQ(fatal_message(">a\n" + std::string(5999, 'W') + "\nM-\n", SequenceReader::NGrams), "\tErr: Too long\n");
    // within a line, a bad residue before the limit is the fault, one after it is never reached
    EXPECT_EQ(fatal_message(">a\n" + std::string(5990, 'W') + "-" + std::string(20, 'W') + "\n"), "\tErr input\n");
    EXPECT_EQ(fatal_message(">a\n" + std::string(5999, 'w') + "-\n"), "\tErr: Too long\n");
}

TEST(SequenceReader, AFileTheSystemCannotReadIsAnErrorNotAShorterInput) {
    // a folder opens as a stream on Linux, and each read of it fails
    File folder(std::fopen(".", "r"));
    ASSERT_TRUE(folder);
    try {
        read_sequences(folder.get(), "here", SequenceReader::Test, Limits{});
        FAIL() << "read a folder as an empty file";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, "Err: here: cannot read: Is a directory\n");
    }
}

TEST(SequenceReader, Reads2000Sequences) {
    Seqs seqs = read_text(headers(2000));
    ASSERT_EQ(seqs.size(), 2000u);
    EXPECT_EQ(seqs.back(), "MK");
}

TEST(SequenceReader, The2001stHeaderIsFatalBeforeAnythingIsStored) {
    File f = file_with(headers(2001));
    int stored = 0;
    try {
        read_sequence_file(f.get(), "x.fa", SequenceReader::Discover, console_limits(),
                           [&](std::string&) { ++stored; });
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, "\tErr: Too many sequences\n");
    }
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(fatal_message(headers(2001), SequenceReader::Binary), "Err: Too many sequences\n");
}

TEST(SequenceReader, CountingComesBeforeResidueChecks) {
    // a bad residue in the first sequence does not hide the count error
    EXPECT_EQ(fatal_message(">a\n123\n" + headers(2000)), "\tErr: Too many sequences\n");
}

TEST(SequenceReader, VeryLongLinesAreReadWhole) {
    // a header of 20000 characters is one header, and no piece of it starts a new sequence
    std::string header = ">" + std::string(9999, 'x') + ">" + std::string(10000, 'y');
    EXPECT_EQ(read_text(header + "\nMK\n"), Seqs{"MK"});
    // a residue line of 5998 letters in one piece
    EXPECT_EQ(read_text(">a\n" + std::string(5998, 'G'))[0].size(), 5998u);
}

TEST(SequenceReader, CountsTheSkippedLinesAndWhetherTheyHeldResidues) {
    SequenceFileStats stats;
    read_text("title line\n\n12\n>a\nMK\n", SequenceReader::NGrams, &stats);
    EXPECT_EQ(stats.n_sequences, 1);
    EXPECT_EQ(stats.n_skipped_lines, 3);
    EXPECT_TRUE(stats.skipped_residues);
    read_text("\n-- 12 --\n>a\n", SequenceReader::NGrams, &stats);
    EXPECT_EQ(stats.n_skipped_lines, 2);
    EXPECT_FALSE(stats.skipped_residues);
}

TEST(SequenceReader, ReadsAStreamThatCannotBeRewound) {
    // a pipe, as a command line's process substitution gives, with and without a sequence limit
    for (const Limits& limits : {console_limits(), Limits{}}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const std::string text = ">a\nMK\n>b\nVL\n";
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fds[1]);
        File in(fdopen(fds[0], "r"));
        EXPECT_EQ(read_sequences(in.get(), "pipe", SequenceReader::Binary, limits),
                  (std::vector<std::string>{"MK", "VL"}));
    }
}

TEST(SequenceReader, WithoutLimitsAnyNumberAndLengthIsRead) {
    std::string text = headers(2500) + ">long\n" + std::string(7000, 'A') + "\n";
    File f = file_with(text);
    std::vector<std::string> seqs = read_sequences(f.get(), "x.fa", SequenceReader::NGrams, Limits{});
    ASSERT_EQ(seqs.size(), 2501u);
    EXPECT_EQ(seqs.back().size(), 7000u);
}

TEST(ReportSequenceFile, WarnsOnTheConsoleAndFailsInBatchUse) {
    test_support::ScriptedConsole console("");
    report_sequence_file(console.io(), {0, 2, true}, "plain.txt");
    EXPECT_EQ(console.printed(),
              "\tWarning: 2 lines before the first '>' header were skipped\n"
              "\tWarning: no sequence in plain.txt; a sequence starts at a line beginning with '>'\n");

    class Strict : public ConsoleDialogue {
    public:
        using ConsoleDialogue::ConsoleDialogue;
        Limits limits() const override { return Limits{}; }
    };
    File in = file_with(""), out(std::tmpfile());
    Strict strict(in.get(), out.get());
    EXPECT_EQ(test_support::fatal_message([&] { report_sequence_file(strict, {0, 0, false}, "x.fa"); }),
              "Err: no sequence in x.fa: a sequence starts at a line beginning with '>'\n");
    report_sequence_file(strict, {3, 0, false}, "x.fa");  // sequences found: nothing to say
}

namespace {

// What batch use says of a file with these counts.
std::string batch_notes(const SequenceFileStats& stats) {
    File messages(std::tmpfile());
    PresetOptions options;
    options.messages = messages.get();
    PresetDialogue batch(options);
    report_sequence_file(batch, stats, "x.fa");
    std::rewind(messages.get());
    std::string text;
    for (int c; (c = std::getc(messages.get())) != EOF;) text.push_back(static_cast<char>(c));
    return text;
}

}  // namespace

TEST(NoteResidues, UncommonLettersAndNucleotidesAreNotedInBatchUseAlone) {
    SequenceFileStats stats;
    stats.n_sequences = 2;
    stats.letter_counts['X' - 'A'] = 3;
    stats.letter_counts['B' - 'A'] = 1;
    stats.letter_counts['A' - 'A'] = 96;  // 96 % of the residues
    test_support::ScriptedConsole console("");
    report_sequence_file(console.io(), stats, "x.fa");
    EXPECT_EQ(console.printed(), "");  // the menu says nothing new
    EXPECT_EQ(batch_notes(stats),
              "x.fa: 4 residues are none of the 20 amino acids (1 B, 3 X)\n"
              "Warning: x.fa looks like nucleotides: 96 % of its residues are A, C, G, T, U or N; "
              "the methods read protein sequences\n");
    // 90 % is not more than 90 %
    stats.letter_counts['X' - 'A'] = 6;
    stats.letter_counts['B' - 'A'] = 0;
    stats.letter_counts['A' - 'A'] = 54;
    EXPECT_EQ(batch_notes(stats), "x.fa: 6 residues are none of the 20 amino acids (6 X)\n");
}
