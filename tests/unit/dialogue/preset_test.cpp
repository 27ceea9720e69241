// The preset dialogue of batch use: answers from flags, defaults, choice names, refusals that
// name the flag instead of asking again, output paths inside the output folder, no limits, and
// the format extensions of the table files.
#include <gtest/gtest.h>

#include "dialogue/preset.h"
#include "support.h"

using namespace tessar;

namespace {

const char* const kColours[] = {"red", "green", "blue"};
const Question kCount = {"--count", AnswerKind::Number, "count? ", "a count", "4", 1, 9};
const Question kColour = {"--colour", AnswerKind::Number, "colour? ", "a colour", "2", 1, 3, kColours};
const Question kRatio = {"--ratio", AnswerKind::Real, "ratio? ", "a ratio", "0", 0, 1};
const Question kInput = {"--input", AnswerKind::OptionalInputFile, "input? ", "an input"};
const Question kOutput = {"--out", AnswerKind::OutputFile, "out? ", "an output", "Out.txt"};

PresetDialogue preset(std::map<std::string, std::string> answers, std::string out_dir = "",
                      std::FILE* messages = nullptr) {
    PresetOptions options;
    options.answers = std::move(answers);
    options.out_dir = std::move(out_dir);
    options.messages = messages;
    return PresetDialogue(std::move(options));
}

// The message of the RefusedAnswer `step` throws, or "<none>".
template <typename Step>
std::string refusal(Step step) {
    try {
        step();
    } catch (const RefusedAnswer& e) {
        return e.message;
    }
    return "<none>";
}

}  // namespace

TEST(PresetDialogue, NumbersTakeTheFlagOrTheDefaultAndNeverAskAgain) {
    auto given = preset({{"--count", "7"}});
    EXPECT_EQ(ask_number(given, kCount), 7);
    auto absent = preset({});
    EXPECT_EQ(ask_number(absent, kCount), 4);
    // a data-dependent default comes from the method
    EXPECT_EQ(ask_number(absent, kCount, "count? ", 9), 9);

    auto outside = preset({{"--count", "10"}});
    EXPECT_EQ(refusal([&] { ask_number(outside, kCount); }),
              "--count: \"10\" is not a whole number from 1 to 9");
    // a default the data puts below the range (a third of two sequences) is raised into it and
    // said; given, the same value is refused
    File messages(std::tmpfile());
    auto low_default = preset({}, "", messages.get());
    EXPECT_EQ(ask_number(low_default, kCount, "count? ", 0, "a third of 2 sequences"), 1);
    std::rewind(messages.get());
    std::string note;
    for (int c; (c = std::getc(messages.get())) != EOF;) note.push_back(static_cast<char>(c));
    EXPECT_EQ(note, "--count 1 taken: a third of 2 sequences is 0, below 1\n");
    auto low = preset({{"--count", "0"}});
    EXPECT_EQ(refusal([&] { ask_number(low, kCount, "count? ", 0); }),
              "--count: \"0\" is not a whole number from 1 to 9");
}

TEST(PresetDialogue, ChoiceNamesStandForTheirNumbers) {
    auto named = preset({{"--colour", "blue"}});
    EXPECT_EQ(ask_number(named, kColour), 3);
    auto unknown = preset({{"--colour", "mauve"}});
    EXPECT_EQ(refusal([&] { ask_number(unknown, kColour); }),
              "--colour: \"mauve\" is not one of red, green, blue");
    EXPECT_EQ(choice_number(kColour, "green"), "2");
    EXPECT_EQ(choice_number(kColour, "2"), "");
    EXPECT_EQ(choice_name(kColour, "1"), "red");
    EXPECT_EQ(choice_name(kColour, "7"), "7");
    EXPECT_EQ(choice_name(kCount, "7"), "7");
}

TEST(PresetDialogue, RefusalsOfRealsAndFilesNameTheFlag) {
    auto real = preset({{"--ratio", "1.5"}});
    EXPECT_EQ(refusal([&] { real.refuse(kRatio, "1.5"); }), "--ratio: \"1.5\" is not a number from 0 to 1");

    test_support::ScratchFolder dir;
    auto missing = preset({{"--input", dir / "none.txt"}});
    std::string name;
    EXPECT_EQ(refusal([&] { ask_input_file(missing, kInput, name); }),
              "--input: cannot open " + (dir / "none.txt"));
    // an optional file left out is no file, and no refusal
    auto absent = preset({});
    EXPECT_FALSE(ask_input_file(absent, kInput, name));
    EXPECT_EQ(name, "");

    auto folder_as_output = preset({{"--out", dir.path().string()}});
    EXPECT_EQ(refusal([&] { ask_output_file(folder_as_output, kOutput, name); }),
              "--out: cannot create " + dir.path().string());
}

TEST(PresetDialogue, OutputFilesLandInTheOutputFolderAndAreKept) {
    test_support::ScratchFolder dir;
    auto io = preset({{"--out", "named.txt"}}, dir.path().string());
    std::string name;
    File f = ask_output_file(io, kOutput, name);
    ASSERT_TRUE(f);
    EXPECT_EQ(name, "named.txt");
    EXPECT_TRUE(std::filesystem::exists(dir / "named.txt"));
    EXPECT_EQ(io.output_path("/abs/x"), "/abs/x");
    EXPECT_EQ(io.output_path("named.txt"), dir / "named.txt");
    EXPECT_EQ(io.outputs(), (std::vector<std::string>{dir / "named.txt", "/abs/x"}));

    auto with_slash = preset({}, "out/");
    EXPECT_EQ(with_slash.output_path("a"), "out/a");
    auto here = preset({});
    EXPECT_EQ(here.output_path("a"), "a");
}

TEST(PresetDialogue, NoSizeLimitsAndAnEmptyFileIsAnError) {
    const Limits limits = preset({}).limits();
    EXPECT_EQ(limits.max_sequences, INT_MAX);
    EXPECT_EQ(limits.max_residues, INT_MAX);
    EXPECT_TRUE(limits.no_sequence_is_error);
    EXPECT_EQ(limits.max_number, LLONG_MAX);
}

TEST(PresetDialogue, ConsoleTextIsDroppedWarningsAndNotesGoToTheirStream) {
    File messages(std::tmpfile());
    auto io = preset({}, "", messages.get());
    io.print("console text\n");
    io.warn("a warning\n");
    io.note("a note\n");
    io.wait_key();  // returns at once
    std::rewind(messages.get());
    std::string text;
    for (int c; (c = std::getc(messages.get())) != EOF;) text.push_back(static_cast<char>(c));
    EXPECT_EQ(text, "a warning\na note\n");
}

TEST(PresetDialogue, ProgressReachesTheFrontEndOnlyWhenAsked) {
    PresetOptions options;
    std::vector<double> seen;
    options.on_progress = [&seen](const Progress& p) { seen.push_back(p.done); };
    PresetDialogue io(std::move(options));
    io.progress({"writing", 3, 10, "rows"});
    EXPECT_EQ(seen, std::vector<double>{3});
    preset({}).progress({"writing", 3, 10, "rows"});  // no listener: nothing happens
}
