// The preset dialogue of batch use: answers from flags, defaults, choice names, refusals that
// name the flag instead of asking again, where output files go and how whole files are put in
// place, no limits.
#include <gtest/gtest.h>

#include <sys/stat.h>

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
    EXPECT_EQ(choice_number(kColour, "GReen"), "2");  // in any case
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
              "--input: cannot open " + (dir / "none.txt") + ": No such file or directory");
    // an optional file left out is no file, and no refusal
    auto absent = preset({});
    EXPECT_FALSE(ask_input_file(absent, kInput, name));
    EXPECT_EQ(name, "");

    auto folder_as_input = preset({{"--input", dir.path().string()}});
    EXPECT_EQ(refusal([&] { ask_input_file(folder_as_input, kInput, name); }),
              "--input: cannot open " + dir.path().string() + ": Is a directory");

    auto folder_as_output = preset({{"--out", dir.path().string()}});
    EXPECT_EQ(refusal([&] { ask_output_file(folder_as_output, kOutput, name); }),
              "--out: cannot create " + dir.path().string() + ": Is a directory");
}

TEST(PresetDialogue, NamesGivenStandAsGivenTheMethodsOwnGoToTheOutputFolder) {
    test_support::ScratchFolder dir;
    auto io = preset({{"--out", dir / "named.txt"}}, (dir / "out").c_str());
    std::filesystem::create_directory(dir / "out");
    std::string name;
    EXPECT_TRUE(ask_output_file(io, kOutput, name));
    EXPECT_EQ(name, dir / "named.txt");
    EXPECT_TRUE(std::filesystem::exists(dir / "named.txt"));
    auto absent = preset({}, (dir / "out").c_str());
    EXPECT_TRUE(ask_output_file(absent, kOutput, name));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/Out.txt"));

    EXPECT_EQ(io.output_place("a", OutputName::Given), "a");
    EXPECT_EQ(io.output_place("a", OutputName::Default), dir / "out/a");
    EXPECT_EQ(io.output_place("/abs/x", OutputName::Default), "/abs/x");
    EXPECT_EQ(io.output_path("SeqFile.seq", OutputName::Default), dir / "out/SeqFile.seq");
    EXPECT_EQ(io.outputs(), (std::vector<std::string>{dir / "named.txt", dir / "out/SeqFile.seq"}));
    EXPECT_EQ(preset({}, "out/").output_place("a", OutputName::Default), "out/a");
    EXPECT_EQ(preset({}).output_place("a", OutputName::Default), "a");
}

namespace {

// The files of a folder whose names begin with a dot (the temporary files).
std::vector<std::string> hidden_files(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with('.')) names.push_back(entry.path().filename().string());
    return names;
}

PresetDialogue whole_files(std::map<std::string, std::string> answers) {
    PresetOptions options;
    options.answers = std::move(answers);
    options.messages = nullptr;
    options.whole_files = true;
    return PresetDialogue(std::move(options));
}

// Writes `text` to the output the dialogue's --out flag names.
void write_output(PresetDialogue& io, const std::string& text) {
    std::string name;
    File f = ask_output_file(io, kOutput, name);
    ASSERT_TRUE(f);
    std::fputs(text.c_str(), f.get());
    close_output(f, name);
}

}  // namespace

TEST(PresetDialogue, WholeFilesReplaceTheFinalNameOnlyAtCommit) {
    test_support::ScratchFolder dir;
    const std::string final_path = dir / "t.arff";
    test_support::write_file(final_path, "old");
    std::filesystem::permissions(final_path, std::filesystem::perms(0640));
    {
        auto io = whole_files({{"--out", final_path}});
        write_output(io, "new");
        EXPECT_EQ(test_support::read_file(final_path), "old");
        ASSERT_EQ(hidden_files(dir.path()).size(), 1u);
        EXPECT_TRUE(hidden_files(dir.path())[0].starts_with(".t.arff."));
        io.commit_outputs();
        EXPECT_EQ(io.outputs(), std::vector<std::string>{final_path});
    }
    EXPECT_EQ(test_support::read_file(final_path), "new");
    EXPECT_EQ(std::filesystem::status(final_path).permissions(), std::filesystem::perms(0640));
    EXPECT_TRUE(hidden_files(dir.path()).empty());

    // never committed (a run that failed): the temporary file goes, the final name stays
    {
        auto io = whole_files({{"--out", final_path}});
        write_output(io, "lost");
    }
    EXPECT_EQ(test_support::read_file(final_path), "new");
    EXPECT_TRUE(hidden_files(dir.path()).empty());

    // a new file gets what the umask leaves of 0666
    const mode_t mask = umask(027);
    {
        auto io = whole_files({{"--out", dir / "new.txt"}});
        write_output(io, "x");
        io.commit_outputs();
    }
    umask(mask);
    EXPECT_EQ(std::filesystem::status(dir / "new.txt").permissions(), std::filesystem::perms(0640));
}

TEST(PresetDialogue, WholeFilesKeepLinksAndWriteDevicesDirectly) {
    test_support::ScratchFolder dir;
    test_support::write_file(dir / "real.txt", "old");
    std::filesystem::create_symlink(dir / "real.txt", dir / "link.txt");
    {
        auto io = whole_files({{"--out", dir / "link.txt"}});
        write_output(io, "new");
        io.commit_outputs();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(test_support::read_file(dir / "real.txt"), "new");

    auto device = whole_files({{"--out", "/dev/null"}});
    EXPECT_EQ(device.output_path("/dev/null", OutputName::Given), "/dev/null");

    // a name no file can have is created directly, and refused with its flag
    auto too_long = whole_files({{"--out", dir / std::string(300, 'x')}});
    std::string name;
    EXPECT_EQ(refusal([&] { ask_output_file(too_long, kOutput, name); }),
              "--out: cannot create " + (dir / std::string(300, 'x')) + ": File name too long");
    EXPECT_TRUE(hidden_files(dir.path()).empty());
}

TEST(PresetDialogue, NoSizeLimitsAndAnEmptyFileIsAnError) {
    const Limits limits = preset({}).limits();
    EXPECT_EQ(limits.max_sequences, INT_MAX);
    EXPECT_EQ(limits.max_residues, INT_MAX);
    EXPECT_TRUE(limits.no_sequence_is_error);
    EXPECT_EQ(limits.max_number, LLONG_MAX);
    // labels must fit; the menu takes them as they stand
    EXPECT_TRUE(limits.labels_must_fit);
    EXPECT_FALSE(console_limits().labels_must_fit);
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
