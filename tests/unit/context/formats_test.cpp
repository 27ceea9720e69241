// The table formats of the context writer: each format's exact text for a small table, and for a
// larger random one that every format decodes to the dense ARFF file's values and classes (the
// class written on every row, even the first class; feature numbers from 1 in LibSVM; CSV
// quoting; the descriptor methods' classes read again). The TXT and DAT tables never change.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "context/context.h"
#include "context/formats/csv.h"
#include "context/table_format.h"
#include "dialogue/preset.h"
#include "support.h"

using namespace tessar;

namespace {

using Matrix = std::vector<std::vector<int>>;

const TableFormat& fmt(const char* name) { return *find_table_format(name); }

class Formats : public ::testing::Test {
protected:
    std::string contents(const std::string& name) const { return test_support::read_file(dir / name); }

    std::FILE* class_file(const std::string& text) {
        open_files.push_back(test_support::text_file(text));
        return open_files.back().get();
    }

    // Writes the tables of `values` (one row per sequence) in `format`, into the files
    // <stem>.table, <stem>-test.table (rows of `test_values`), <stem>.txt, <stem>.dat.
    void write(const TableFormat& format, const std::string& stem, const std::vector<std::string>& attributes,
               const Matrix& values, const std::string& classes, const Matrix& test_values = {},
               const std::string& test_classes = "") {
        PresetOptions options;
        options.out_dir = dir.path().string();
        options.format = &format;
        options.messages = nullptr;
        options.row_ids = row_ids;
        options.answers = {{"--arff", dir / (stem + ".table")}, {"--test-arff", dir / (stem + "-test.table")},
                           {"--txt", dir / (stem + ".txt")}, {"--dat", dir / (stem + ".dat")}};
        PresetDialogue io(std::move(options));
        ContextRequest request{attributes};
        request.training = rows(values);
        request.test = rows(test_values);
        request.training.ids = &ids;
        request.classes.training = classes.empty() ? nullptr : class_file(classes);
        request.classes.test = test_classes.empty() ? nullptr : class_file(test_classes);
        summary = write_context_files(io, request);
    }

    static TableRows rows(const Matrix& values) {
        return {values.size(), [&values](size_t i, const std::string&, std::vector<std::uint32_t>& ones) {
                    ones.clear();
                    for (size_t j = 0; j < values[i].size(); ++j)
                        if (values[i][j]) ones.push_back(static_cast<std::uint32_t>(j));
                }};
    }

    test_support::ScratchFolder dir;
    std::vector<File> open_files;
    ContextSummary summary;
    std::vector<std::string> ids;  // of the training rows
    bool row_ids = false;          // --ids
};

const char* const kClasses = "#\n2\n#\npos\nneg\n#\npos\nneg\nneg";
const std::vector<std::string> kAttributes{"KVL", "AG", "MK"};
const Matrix kValues{{1, 0, 1}, {0, 0, 0}, {0, 1, 0}};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, sep)) out.push_back(field);
    if (!text.empty() && text.back() == sep) out.push_back("");
    return out;
}

// The values and classes of a table in each format, read back by the simplest reader of each.
struct Decoded {
    Matrix values;
    std::vector<std::string> classes;
};

// Rows "v,...,v,class" from line `first` on: the dense ARFF rows and the CSV rows.
Decoded decode_delimited(const std::vector<std::string>& all, size_t first, size_t n) {
    Decoded d;
    for (size_t k = first; k < all.size(); ++k) {
        const auto fields = split(all[k], ',');
        d.values.emplace_back();
        for (size_t j = 0; j < n; ++j) d.values.back().push_back(fields[j] == "1");
        d.classes.push_back(fields[n]);
    }
    return d;
}

Decoded decode_dense(const std::string& text, size_t n) {
    const auto all = lines(text);
    size_t k = 0;
    while (all[k] != "@data") ++k;
    return decode_delimited(all, k + 1, n);
}

// The CSV rows after their header, the id column (ids without a comma here) left out.
Decoded decode_csv(const std::string& text, size_t n) {
    std::vector<std::string> all = lines(text);
    for (std::string& line : all) line.erase(0, line.find(',') + 1);
    return decode_delimited(all, 1, n);
}

Decoded decode_sparse(const std::string& text, size_t n) {
    Decoded d;
    const auto all = lines(text);
    size_t k = 0;
    while (all[k] != "@data") ++k;
    for (++k; k < all.size(); ++k) {
        const std::string& row = all[k];
        EXPECT_EQ(row.front(), '{');
        EXPECT_EQ(row.back(), '}');
        d.values.emplace_back(n, 0);
        d.classes.emplace_back();
        for (const std::string& pair : split(row.substr(1, row.size() - 2), ',')) {
            const size_t blank = pair.find(' ');
            const size_t index = std::stoul(pair.substr(0, blank));
            if (index == n)
                d.classes.back() = pair.substr(blank + 1);
            else
                d.values.back()[index] = pair.substr(blank + 1) == "1";
        }
    }
    return d;
}

Decoded decode_libsvm(const std::string& text, size_t n, const std::vector<std::string>& names) {
    Decoded d;
    for (const std::string& row : lines(text)) {
        const auto fields = split(row, ' ');
        d.classes.push_back(names.at(std::stoul(fields[0])));
        d.values.emplace_back(n, 0);
        for (size_t f = 1; f < fields.size(); ++f) d.values.back().at(std::stoul(fields[f]) - 1) = 1;
    }
    return d;
}

}  // namespace

TEST_F(Formats, SparseArffDeclaresZeroFirstAndWritesTheClassOnEveryRow) {
    write(fmt("sparse-arff"), "s", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("s.table"),
              "@relation Context\n\n@attribute KVL {0,1}\n@attribute AG {0,1}\n@attribute MK {0,1}\n"
              "@attribute class {pos,neg}\n\n@data\n{0 1,2 1,3 pos}\n{3 neg}\n{1 1,3 neg}\n");
    // without classes, an all-zero row is empty
    write(fmt("sparse-arff"), "n", kAttributes, kValues, "");
    EXPECT_EQ(contents("n.table").substr(contents("n.table").find("@data")),
              "@data\n{0 1,2 1}\n{}\n{1 1}\n");
}

TEST_F(Formats, CsvHasAHeaderRowAndQuotesWhatNeedsIt) {
    // the id column comes first, whether --ids is given or not
    ids = {"a,b", "", "q\"x"};
    write(fmt("csv"), "c", kAttributes, kValues, "#\n2\n#\na,b\nsay \"x\"\n#\na,b\nsay \"x\"\na,b");
    EXPECT_EQ(contents("c.table"), "id,KVL,AG,MK,class\n\"a,b\",1,0,1,\"a,b\"\n,0,0,0,\"say \"\"x\"\"\"\n"
                                   "\"q\"\"x\",0,1,0,\"a,b\"\n");
    ids = {"s1", "s2"};
    write(fmt("csv"), "n", {}, Matrix{{}, {}}, "");
    EXPECT_EQ(contents("n.table"), "id\ns1\ns2\n");
    write(fmt("csv"), "o", {}, Matrix{{}, {}}, kClasses);
    EXPECT_EQ(contents("o.table"), "id,class\ns1,pos\ns2,neg\n");
}

TEST_F(Formats, LibsvmNumbersClassesFromZeroAndFeaturesFromOne) {
    write(fmt("libsvm"), "l", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("l.table"), "0 1:1 3:1\n1\n1 2:1\n");
    EXPECT_EQ(summary.class_names, (std::vector<std::string>{"pos", "neg"}));
    write(fmt("libsvm"), "n", kAttributes, kValues, "");
    EXPECT_EQ(contents("n.table"), "0 1:1 3:1\n0\n0 2:1\n");
}

TEST_F(Formats, IdsAreAFirstStringAttributeInArffAndACommentAfterLibsvmRows) {
    ids = {"a,b", "", "it's"};
    write(fmt("arff"), "a", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("a.table").find("@attribute id"), std::string::npos);  // only when asked
    row_ids = true;
    write(fmt("arff"), "a", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("a.table"),
              "@relation Context\n\n@attribute id string\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
              "@attribute MK {1,0}\n@attribute class {pos,neg}\n\n@data\n"
              "'a,b',1,0,1,pos\n'',0,0,0,neg\n'it\\'s',0,1,0,neg\n");
    // the id is attribute 0, written on every row; the features and the class one place on
    write(fmt("sparse-arff"), "s", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("s.table").substr(contents("s.table").find("@data")),
              "@data\n{0 'a,b',1 1,3 1,4 pos}\n{0 '',4 neg}\n{0 'it\\'s',2 1,4 neg}\n");
    write(fmt("libsvm"), "l", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("l.table"), "0 1:1 3:1 # a,b\n1 # \n1 2:1 # it's\n");
    // no attribute and no class: the id alone
    write(fmt("arff"), "o", {}, Matrix{{}, {}}, "");
    EXPECT_EQ(contents("o.table").substr(contents("o.table").find("@data")), "@data\n'a,b'\n''\n");
    // the TXT and DAT tables never hold ids
    write(fmt("csv"), "c", kAttributes, kValues, kClasses);
    row_ids = false;
    write(fmt("csv"), "d", kAttributes, kValues, kClasses);
    EXPECT_EQ(contents("c.table"), contents("d.table"));
    EXPECT_EQ(contents("c.txt"), contents("a.txt"));
    EXPECT_EQ(contents("c.dat"), contents("a.dat"));
}

TEST_F(Formats, ALibsvmLabelOutsideTheClassesIsAnError) {
    const std::string message = test_support::fatal_message(
        [&] { write(fmt("libsvm"), "l", kAttributes, kValues, "#\n2\n#\npos\nneg\n#\npos\nother"); });
    EXPECT_EQ(message, "\tErr: the class 'other' of row 2 is not among the classes of the classification file\n");
}

TEST_F(Formats, TxtAndDatTablesAreTheSameInEveryFormat) {
    write(fmt("arff"), "a", kAttributes, kValues, kClasses);
    for (const char* f : {"sparse-arff", "csv", "libsvm"}) {
        write(fmt(f), "f", kAttributes, kValues, kClasses);
        EXPECT_EQ(contents("f.txt"), contents("a.txt"));
        EXPECT_EQ(contents("f.dat"), contents("a.dat"));
    }
}

TEST_F(Formats, EveryFormatHoldsTheDenseValuesOfALargerTable) {
    std::mt19937 random(7);
    const size_t n = 40;
    std::vector<std::string> attributes;
    for (size_t j = 0; j < n; ++j) attributes.push_back("F" + std::to_string(j));
    Matrix values(60, std::vector<int>(n)), test_values(25, std::vector<int>(n));
    for (auto* m : {&values, &test_values})
        for (auto& row : *m)
            for (int& v : row) v = random() % 5 == 0;
    std::string classes = "#\n3\n#\nx\ny\nz\n#", test_classes = "#\n3\n#\nx\ny\nz\n#";
    for (size_t i = 0; i < 60; ++i) classes += "\n" + std::string(1, "xyz"[random() % 3]);
    for (size_t i = 0; i < 25; ++i) test_classes += "\n" + std::string(1, "zyx"[random() % 3]);

    write(fmt("arff"), "a", attributes, values, classes, test_values, test_classes);
    const Decoded dense = decode_dense(contents("a.table"), n);
    const Decoded dense_test = decode_dense(contents("a-test.table"), n);
    ASSERT_EQ(dense.values, values);
    const std::vector<std::string> names{"x", "y", "z"};

    write(fmt("sparse-arff"), "s", attributes, values, classes, test_values, test_classes);
    for (auto [file, want] : {std::pair{"s.table", &dense}, std::pair{"s-test.table", &dense_test}}) {
        const Decoded d = decode_sparse(contents(file), n);
        EXPECT_EQ(d.values, want->values) << file;
        EXPECT_EQ(d.classes, want->classes) << file;
    }
    write(fmt("csv"), "c", attributes, values, classes, test_values, test_classes);
    for (auto [file, want] : {std::pair{"c.table", &dense}, std::pair{"c-test.table", &dense_test}}) {
        const Decoded d = decode_csv(contents(file), n);
        EXPECT_EQ(d.values, want->values) << file;
        EXPECT_EQ(d.classes, want->classes) << file;
    }
    write(fmt("libsvm"), "l", attributes, values, classes, test_values, test_classes);
    for (auto [file, want] : {std::pair{"l.table", &dense}, std::pair{"l-test.table", &dense_test}}) {
        const Decoded d = decode_libsvm(contents(file), n, names);
        EXPECT_EQ(d.values, want->values) << file;
        EXPECT_EQ(d.classes, want->classes) << file;
    }
}

TEST_F(Formats, ClassesReadByTheMethodListOnlyTheFamiliesAndIndexTheFullList) {
    ClassesRead read;
    read.names = {"pos", "neg", "rest"};
    read.labels = {"pos", "neg", "neg"};
    open_files.clear();
    PresetOptions options;
    options.out_dir = dir.path().string();
    options.format = &fmt("sparse-arff");
    options.messages = nullptr;
    PresetDialogue io(std::move(options));
    ContextRequest request{kAttributes};
    request.training = rows(kValues);
    request.classes.training_read = &read;
    request.classes.n_listed = 2;
    request.txt_and_dat = false;
    summary = write_context_files(io, request);
    EXPECT_EQ(contents("Context.arff").substr(contents("Context.arff").find("@attribute class")),
              "@attribute class {pos,neg}\n\n@data\n{0 1,2 1,3 pos}\n{3 neg}\n{1 1,3 neg}\n");
    EXPECT_EQ(summary.class_names, (std::vector<std::string>{"pos", "neg"}));
    EXPECT_EQ(summary.training_rows, 3u);
}

TEST(FormatPieces, CsvQuoting) {
    EXPECT_EQ(csv_quote("plain"), "plain");
    EXPECT_EQ(csv_quote("a,b"), "\"a,b\"");
    EXPECT_EQ(csv_quote("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(csv_quote("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(csv_quote("it's"), "it's");
}

TEST(FormatTable, NamesExtensionsAndTheMenusFormatFirst) {
    EXPECT_EQ(table_format_names(), "arff, sparse-arff, csv, libsvm");
    EXPECT_EQ(&arff_format(), table_formats().front());
    for (const TableFormat* f : table_formats()) EXPECT_EQ(find_table_format(f->name), f);
    EXPECT_EQ(find_table_format("xml"), nullptr);
    EXPECT_EQ(find_table_format("Sparse-ARFF"), find_table_format("sparse-arff"));  // in any case
    EXPECT_EQ(with_format_extension("Context.arff", fmt("csv")), "Context.csv");
    EXPECT_EQ(with_format_extension("Test.arff", fmt("libsvm")), "Test.libsvm");
    EXPECT_EQ(with_format_extension("Context.arff", fmt("sparse-arff")), "Context.arff");
    EXPECT_EQ(with_format_extension("dir.v/name", fmt("csv")), "dir.v/name.csv");
    EXPECT_EQ(with_format_extension(".hidden", fmt("csv")), ".hidden.csv");
}

TEST(FormatPieces, FeatureListsSpellEveryNumberWhateverItsDigits) {
    // the numbers at each change of digit count, the largest a row can hold, and a list that is
    // not in order (its room is taken for its largest number, wherever it stands)
    const std::vector<std::uint32_t> ones = {0, 8, 9, 98, 99, 998, 999, 9998, 9999, 99999, 123456, 4294967294u};
    for (std::uint32_t base : {0u, 1u}) {
        std::string want;
        for (std::uint32_t j : ones) want += " " + std::to_string(std::uint64_t{j} + base) + ":1";
        std::string got = "row";
        append_feature_list(got, ones, base, " ", ":1", true);
        EXPECT_EQ(got, "row" + want);
    }
    std::string out;
    append_feature_list(out, {10000, 3, 7}, 0, ",", " 1");
    EXPECT_EQ(out, "10000 1,3 1,7 1");
}
