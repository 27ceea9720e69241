// classmaker: writes a classification file from the user's answers: the number of classes, each
// class's name and how many consecutive sequences of the sequence file belong to it. The file
// lists the classes in the order they were entered, which is the class-grouped order the
// descriptor methods require.
//
// Answers are blank-separated words, so several answers may stand on one line. A number answer
// must be wholly an integer in the "%i" notation (optional sign, a leading 0 for octal, 0x for
// hexadecimal) within the int range; any other word is consumed and the question asked again.
//
// The program shares the key press that closes it with the menu's methods (the library's console
// key reader); its word-by-word answers and "%i" numbers are its own.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace classmaker {

struct ClassEntry {
    std::string name;
    int n_instances = 0;
};

// The input ended at a question.
struct EndOfInput {};

// The next blank-separated word of `in`; the blank that ends it stays unread. Throws EndOfInput
// when the input ends before a word.
std::string read_word(std::FILE* in);

// True when `word` is wholly one integer in "%i" notation within the int range.
bool parse_int(const std::string& word, int& value);

// Writes a classification file to `out` as it goes (nothing of it is held in memory, however
// many instances): the class count and `names`, then a label line per instance of each run in
// turn, each line end in front (so the file ends without one). False when a write failed.
bool write_classification(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<ClassEntry>& runs);
// The file classmaker writes: the classes in input order, each one run.
bool write_classification(std::FILE* out, const std::vector<ClassEntry>& classes);

// The same files as text.
std::string classification_text(const std::vector<std::string>& names, const std::vector<ClassEntry>& runs);
std::string classification_text(const std::vector<ClassEntry>& classes);

// Labels in sequence order as runs of consecutive equal labels.
std::vector<ClassEntry> label_runs(const std::vector<std::string>& labels);

// The whole dialogue on `in` and `out`; returns the exit status (0 done, 1 end of input or a
// file that could not be written).
int run_classmaker(std::FILE* in, std::FILE* out);

}  // namespace classmaker
