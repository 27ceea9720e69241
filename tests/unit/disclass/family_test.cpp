// The family file "SeqFile.seq" and the tables read back from it.
#include "helpers.h"

using namespace tessar;

using FamilyFile = InTempFolder;

TEST_F(FamilyFile, GroupsLabelsInClassOrder) {
    DescriptorData d = prepare(fasta({"MKV", "AC", "WWWW"}), class_text({"a", "b"}, {"a", "a", "b"}));
    EXPECT_EQ(read_file("SeqFile.seq"), "/\nMKV\nAC\n/\nWWWW");
    EXPECT_EQ(d.n_families, 2u);
    EXPECT_EQ(d.n_placed, 3u);
    EXPECT_EQ(d.longest_sequence, 4u);
    EXPECT_EQ(d.text, "MKVACWWWW");
    EXPECT_EQ(d.sequence_ends, (std::vector<int>{0, 2, 4, 8}));
    ASSERT_EQ(d.sequences.size(), 3u);
    EXPECT_EQ(d.sequences[2].start, 3 + 2);
    EXPECT_EQ(d.sequences[2].family, 2);
    EXPECT_EQ(d.families[0].n_sequences, 2);
    EXPECT_EQ(d.families[0].sequences, (std::vector<int>{1, 2}));
    EXPECT_EQ(d.families[0].end, 4);
    EXPECT_EQ(d.families[1].sequences, (std::vector<int>{3}));
    EXPECT_EQ(d.classes.names, (std::vector<std::string>{"a", "b"}));
}

TEST_F(FamilyFile, OutOfOrderLabelClosesClassesAndLosesSequences) {
    // b then a with the names a, b: class a closes at once, the first sequence goes to b, the
    // second (labelled a, an earlier class) is not placed
    DescriptorData d = prepare(fasta({"MKV", "AC"}), class_text({"a", "b"}, {"b", "a"}));
    EXPECT_EQ(read_file("SeqFile.seq"), "/\n/\nMKV\n");
    EXPECT_EQ(d.n_families, 2u);
    EXPECT_EQ(d.n_placed, 1u);
    EXPECT_EQ(d.n_skipped, 1u);
    EXPECT_EQ(d.families[0].n_sequences, 0);
    EXPECT_EQ(d.families[1].n_sequences, 1);
}

TEST_F(FamilyFile, GroupingByClassIsStableAndLetsTheWalkPlaceEverySequence) {
    DescriptorData d;
    d.file_sequences = {"S1", "S2", "S3", "S4", "S5", "S6"};
    d.classes.names = {"b", "a", "c"};
    d.classes.labels = {"a", "b", "c", "a", "b", "a"};
    d.file_ids = {"i1", "i2", "i3", "i4", "i5", "i6"};
    EXPECT_EQ(group_by_class(d), 5u);  // S1 alone stays where it was
    EXPECT_EQ(d.file_sequences, (std::vector<std::string>{"S2", "S5", "S1", "S4", "S6", "S3"}));
    EXPECT_EQ(d.file_ids, (std::vector<std::string>{"i2", "i5", "i1", "i4", "i6", "i3"}));  // the rows' ids follow
    EXPECT_EQ(d.classes.labels, (std::vector<std::string>{"b", "b", "a", "a", "a", "c"}));
    File family = create_family_file(kFamilyFileName);
    write_families(family, d, kFamilyFileName);
    EXPECT_EQ(d.n_skipped, 0u);
    EXPECT_EQ(read_file(kFamilyFileName), "/\nS2\nS5\n/\nS1\nS4\nS6\n/\nS3");
    // already grouped: nothing moves
    EXPECT_EQ(group_by_class(d), 0u);
}

TEST_F(FamilyFile, LastLabelStandsForMissingLabelsAndFoldsResidues) {
    DescriptorData d = prepare(">x\nm k*v\n>y\n\tac\n>z\nDE\n", class_text({"a", "b"}, {"a", "b"}));
    EXPECT_EQ(read_file("SeqFile.seq"), "/\nMKV\n/\nAC\nDE");
    EXPECT_EQ(d.n_placed, 3u);
    EXPECT_EQ(d.text, "MKVACDE");
}

TEST_F(FamilyFile, EmptySequences) {
    // an empty sequence in the middle stays as an empty line; an empty last one is an empty
    // last line without a line end, which is not read back
    DescriptorData d = prepare(fasta({"", "MK", ""}), class_text({"a"}, {"a", "a", "a"}));
    EXPECT_EQ(read_file("SeqFile.seq"), "/\n\nMK\n");
    EXPECT_EQ(d.n_placed, 2u);
    EXPECT_EQ(d.sequence_ends, (std::vector<int>{0, -1, 1}));
    EXPECT_EQ(d.sequences[1].start, 0);
}

TEST_F(FamilyFile, HeaderChecksInOrder) {
    auto run = [](const std::string& cls) {
        return fatal_message([&] { prepare(fasta({"MK"}), cls); });
    };
    EXPECT_EQ(run("classes number\n1\n#\na\n#\na"), "\tErr: Class file invalid @class_number");
    EXPECT_EQ(run("#\n1\nnames\na\n#\na"), "\tErr: Class file invalid @class_names");
    EXPECT_EQ(run("#\n3\n#\na\nb\n"), "\tErr: Class file invalid @class_names");
    EXPECT_FALSE(std::ifstream("SeqFile.seq"));
    // the family file is created before the last keyword is checked
    EXPECT_EQ(run("#\n1\n#\na\ninstances\na"), "\tErr: Class file invalid @data");
    EXPECT_EQ(read_file("SeqFile.seq"), "");
}

TEST_F(FamilyFile, BadSequenceFileIsFatal) {
    EXPECT_EQ(fatal_message([] { prepare(">x\nMK1\n", class_text({"a"}, {"a"})); }), "\tErr input\n");
    EXPECT_EQ(fatal_message([] { prepare(">x\n" + std::string(5999, 'A') + "\n", class_text({"a"}, {"a"})); }),
              "\tErr: Too long\n");
}

TEST_F(FamilyFile, NoSequencePlacedIsFatal) {
    EXPECT_EQ(fatal_message([] { prepare(fasta({"MK"}), class_text({"a"}, {"zz"})); }),
              "\tErr: no sequence could be placed in SeqFile.seq (check the class labels)\n");
    EXPECT_EQ(fatal_message([] { prepare("no header\n", class_text({"a"}, {"a"})); }),
              "\tErr: no sequence could be placed in SeqFile.seq (check the class labels)\n");
}

TEST_F(FamilyFile, MissingFamilyFileIsFatal) {
    DescriptorData d;
    EXPECT_EQ(fatal_message([&] { read_family_file(d); }), "\tErr: cannot open SeqFile.seq\n");
}

TEST_F(FamilyFile, LongSequencesHaveNoLineLimit) {
    std::string longest(5998, 'K');
    DescriptorData d = prepare(fasta({longest, "MK"}), class_text({"a", "b"}, {"a", "b"}));
    EXPECT_EQ(d.longest_sequence, 5998u);
    EXPECT_EQ(d.n_placed, 2u);
    EXPECT_EQ(d.text.size(), 6000u);
}
