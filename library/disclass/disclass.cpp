// The discriminative-descriptor method: its dialogue (shared with the substitution-matrix
// method) and the order of its steps.
#include "disclass/disclass.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "parallel/parallel.h"
#include "report/figures.h"

namespace tessar {

const Question kAlpha = {"--alpha", AnswerKind::Real,
                         "\n%%\tEnter ALPHA and BETA values ( 0 <= ALPHA,BETA <= 1 )\n"
                         "  \tdefault values[0][0]: \n"
                         "  \tALPHA [0]= ",
                         "ALPHA: least share of its best class a descriptor holds", "0", 0, 1};
const Question kBeta = {"--beta", AnswerKind::Real, "  \tBETA [0]= ",
                        "BETA: greatest share of the other classes a descriptor holds", "0", 0, 1};

const char* const kDisclassReportName = "LesDDs.txt";

namespace {

bool within(const Question& q, float value) { return value >= q.min && value <= q.max; }

// When labels must fit: reads the classification files whole and checks them (fatal before
// anything is written), then groups the sequences by class, with a note when any moved.
void read_grouped_classes(Dialogue& io, DescriptorQuestions& q, DescriptorData& data) {
    ClassFile classes{q.class_file.get(), ""};
    // every label a class name, one per sequence, whatever their order
    data.classes = read_classification(classes);
    const size_t n_sequences = data.file_sequences.size();
    require_labels_fit(data.classes, n_sequences, q.class_name);
    if (const size_t moved = group_by_class(data))
        io.note(format("%zu of %zu sequences moved: grouped by class in the order of the class names of %s "
                       "(the rows follow that order)\n",
                       moved, n_sequences, q.class_name.c_str()));
    if (q.test.class_file) {
        // the test labels name classes the tables list: those up to the last sequence's
        const std::vector<std::string>& names = data.classes.names;
        size_t n_listed = 0;
        if (n_sequences) {
            const auto last = std::find(names.begin(), names.end(), data.classes.label(n_sequences - 1));
            n_listed = std::min(names.size(), static_cast<size_t>(last - names.begin()) + 1);
        }
        ClassFile test{q.test.class_file.get(), ""};
        q.test.classes = read_classification(test);
        require_test_labels_fit(*q.test.classes, q.test.sequences.size(),
                                {names.begin(), names.begin() + static_cast<std::ptrdiff_t>(n_listed)},
                                q.test.class_name);
    }
}

}  // namespace

DescriptorQuestions ask_descriptor_questions(Dialogue& io) {
    DescriptorQuestions q;
    q.sequence_file = ask_input_file(io, kSequenceFile, prompt_text(kSequenceFile, kDescriptorShownLimits.sequences,
                                                                   kDescriptorShownLimits.length),
                                     q.sequence_name);
    q.class_file = ask_input_file(io, kClassFile, q.class_name);  // no default, no way to skip
    ask_test_files(io, q.test);

    // the two thresholds as one block, asked again whole while either is out of range
    for (;;) {
        const std::string alpha = io.answer(kAlpha, prompt_text(kAlpha));
        const std::string beta = io.answer(kBeta, prompt_text(kBeta));
        q.alpha = static_cast<float>(parse_real(alpha));
        q.beta = static_cast<float>(parse_real(beta));
        if (!within(kAlpha, q.alpha))
            io.refuse(kAlpha, alpha);
        else if (!within(kBeta, q.beta))
            io.refuse(kBeta, beta);
        else
            return q;
    }
}

DescriptorData prepare_descriptor_tables(Dialogue& io, DescriptorQuestions& q, const char* report_name) {
    // The family file and the report have fixed names: an input of the run under one of them
    // would be replaced (emptied under its reader, or lost to the user), so the run stops
    // before writing anything.
    const std::pair<const char*, const char*> fixed[] = {{kFamilyFileName, "family file"}, {report_name, "report"}};
    for (const auto& [name, what] : fixed) {
        const std::string place = io.output_place(name, OutputName::Default);
        if (names_file_in_use(place, {q.sequence_file.get(), q.class_file.get(), q.test.class_file.get()}) ||
            names_same_file(place, q.test.name))
            fatal(format("\tErr: %s is an input file of this run; the %s is written under that name: "
                         "rename the input\n",
                         place.c_str(), what));
    }

    DescriptorData data;
    SequenceFileStats stats;
    data.file_sequences =
        read_sequences(q.sequence_file.get(), q.sequence_name, SequenceReader::Descriptors, io.limits(), &stats, &data.file_ids);
    q.sequence_file.reset();
    require_sequences(io, stats, q.sequence_name);
    note_residues(io, stats, q.sequence_name);

    const std::string family_path = io.output_path(kFamilyFileName, OutputName::Default);
    if (!io.limits().labels_must_fit) {
        ClassFile classes{q.class_file.get(), ""};
        write_family_file(classes, data, family_path);
        read_family_file(data, family_path);
        return data;
    }
    read_grouped_classes(io, q, data);
    File family = create_family_file(family_path);
    write_families(family, data, family_path);
    read_family_file(data, family_path);
    return data;
}

DescriptorData learn_descriptors(const LearnRequest& request, float& alpha, float& beta) {
    require_two_classes(request);
    alpha = static_cast<float>(learn_parameter(request, kAlpha));
    beta = static_cast<float>(learn_parameter(request, kBeta));

    DescriptorData data;
    data.file_sequences = request.sequences;
    data.classes.names = request.class_names;
    data.classes.labels = request.labels;
    group_by_class(data);

    // the family file, written and read back as the method does, in memory
    char* text = nullptr;
    size_t size = 0;
    File family(open_memstream(&text, &size));
    if (!family) fatal("\tErr: no memory for the family file\n");
    struct Free {
        char*& text;
        ~Free() { std::free(text); }
    } free_text{text};
    write_families(family, data, kFamilyFileName);
    File source(fmemopen(text, size, "r"));
    if (!source) fatal("\tErr: no memory for the family file\n");
    read_families(data, source.get());

    mine_descriptors(data, alpha, beta, [](unsigned, unsigned) { stop_if_requested(); });
    return data;
}

void finish_descriptor_method(Dialogue& io, const DescriptorData& data) {
    if (data.n_skipped)
        io.warn(format("\tWarning: %zu sequences were skipped: their labels are not grouped in the order of "
                       "the class names\n",
                       data.n_skipped));
    finish_method(io);
}

size_t classes_placed(const DescriptorData& data) {
    size_t n = 0;
    for (const FamilyRec& family : data.families) n += family.n_sequences > 0 ? 1 : 0;
    return n;
}

void mine_with_progress(Dialogue& io, DescriptorData& data, float alpha, float beta) {
    mine_descriptors(data, alpha, beta, [&io](unsigned length, unsigned longest) {
        io.progress({"mining", static_cast<double>(length), static_cast<double>(longest), "lengths"});
    });
}

DescriptorRun run_disclass(Dialogue& io) {
    DescriptorQuestions q = ask_descriptor_questions(io);
    DescriptorData data = prepare_descriptor_tables(io, q, kDisclassReportName);

    const std::clock_t start = std::clock();
    io.print("\n\tRunning...\n");
    mine_with_progress(io, data, q.alpha, q.beta);
    io.printf("\n\t%d  discriminative descriptors", static_cast<int>(data.n_descriptors));
    io.printf("\n\t%f seconds\n\n", seconds_since(start));

    write_disclass_report(data, q.alpha, q.beta, io.output_path(kDisclassReportName, OutputName::Default));
    DescriptorRun run;
    run.tables = write_disclass_context_files(io, data, q);
    finish_descriptor_method(io, data);

    run.alpha = q.alpha;
    run.beta = q.beta;
    run.descriptors = descriptor_texts(data);
    if (RunFigures* figures = io.figures())
        for (const MinedDescriptor& d : data.descriptors) figures->feature_classes.push_back(descriptor_class(data, d));
    run.n_sequences = data.file_sequences.size();
    run.n_placed = data.n_placed;
    run.n_classes_placed = classes_placed(data);
    return run;
}

}  // namespace tessar
