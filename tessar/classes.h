// The classes subcommand: a classification file from the command line, either from class sizes
// (what classmaker asks: each class's name and how many consecutive sequences it has) or from a
// field of each sequence's header line (">sp|P69905|HBA_HUMAN globin" with "|,3" or " ,2").
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "classmaker.h"

namespace tessar::cli {

// "NAME=COUNT": a class and its number of consecutive sequences (0 or more).
struct ClassCount {
    std::string name;
    int count = 0;
};
// False, with the reason in `why`, when `spec` is not NAME=COUNT.
bool parse_class_count(const std::string& spec, ClassCount& out, std::string& why);

// "SEP,FIELD": the header (without its '>') split at every SEP; FIELD counts from 1.
struct HeaderField {
    std::string separator;
    int field = 0;
};
bool parse_header_field(const std::string& spec, HeaderField& out, std::string& why);

// The label of each sequence of `in` (each header line, in file order): the chosen field of its
// header. A header without that field, or with an empty one, is fatal (FatalError naming the
// sequence and its header).
std::vector<std::string> header_labels(std::FILE* in, const HeaderField& field);

// The class names of `labels` in order of first appearance.
std::vector<std::string> class_names_of(const std::vector<std::string>& labels);

// Whether the runs of labels come in blocks, one per class (the order the descriptor methods
// take); else `first_out_of_order` is the index of the first label that returns to a class it
// left.
bool labels_grouped(const std::vector<classmaker::ClassEntry>& runs, size_t& first_out_of_order);

}  // namespace tessar::cli
