// The classification reader as the context writer drives it: the training and the test
// classification files read in step with the ARFF, TXT and DAT output, checked as they are read
// (the motif and N-gram methods) or read again from their start (the descriptor methods).
//
// Input: a control line (its bytes pick the number of attributes, training rows, test rows, the
// reading mode and how many class names are listed), then the training classification file and
// the test classification file, separated by the fuzz separator. When the writing succeeds, the
// ARFF file holds exactly one data row per training row.
#include <cstdlib>

#include "context/context.h"
#include "inputs/classfile.h"
#include "harness.h"

namespace {

size_t rows_after_data(const std::string& arff) {
    const size_t at = arff.find("\n@data\n");
    fuzz::check(at != std::string::npos);
    size_t rows = 0;
    for (size_t i = at + 7; i < arff.size(); ++i) rows += arff[i] == '\n';
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::split_input(data, size, 3);
    const std::string& control = parts[0];
    auto byte = [&control](size_t i) { return i < control.size() ? static_cast<unsigned char>(control[i]) : 0u; };
    const size_t n_attributes = byte(0) % 6;
    const bool with_classes = byte(3) % 4 != 0;
    const bool with_test = with_classes && byte(3) % 2 != 0;

    std::vector<std::string> attributes;
    for (size_t j = 0; j < n_attributes; ++j) attributes.push_back("A" + std::to_string(j));

    fuzz::clear_scratch_folder();
    tessar::File training = fuzz::memory_stream(parts[1]);
    tessar::File test = fuzz::memory_stream(parts[2]);

    tessar::ContextRequest request{attributes};
    // row i holds the attributes j with (i + j) % 3 == 0
    auto fill = [n_attributes](size_t i, const std::string&, std::vector<std::uint32_t>& ones) {
        ones.clear();
        for (size_t j = 0; j < n_attributes; ++j)
            if ((i + j) % 3 == 0) ones.push_back(static_cast<std::uint32_t>(j));
    };
    request.training = {byte(1) % 24, fill};
    request.test = {byte(2) % 24, fill};
    // the descriptor methods' way: the training file read by the method (here, at once, with the
    // same readers), the test file without checks
    const bool read_by_method = byte(3) & 4;
    tessar::ClassesRead read;
    if (with_classes && read_by_method) {
        tessar::ClassFile file{training.get(), ""};
        try {
            read.names = tessar::read_class_header_unchecked(file);
        } catch (const tessar::FatalError&) {
            return 0;
        }
        while (tessar::next_class_line(file)) read.labels.push_back(file.line);
    }
    request.classes.training = with_classes && !read_by_method ? training.get() : nullptr;
    request.classes.training_read = with_classes && read_by_method ? &read : nullptr;
    request.classes.test = with_test ? test.get() : nullptr;
    request.classes.test_unchecked = read_by_method;
    if (byte(3) & 8) request.classes.n_listed = byte(4) % 8;
    request.txt_and_dat = !read_by_method;

    // every output name takes its default
    tessar::File script = fuzz::memory_stream("\n\n\n\n");
    tessar::ConsoleDialogue io(script.get(), fuzz::null_output());
    try {
        tessar::write_context_files(io, request);
    } catch (const tessar::FatalError&) {
        return 0;
    }
    fuzz::check(rows_after_data(fuzz::read_file("Context.arff")) == request.training.count);
    if (with_test) fuzz::check(rows_after_data(fuzz::read_file("Test.arff")) == request.test.count);
    fuzz::check_arff_files();
    return 0;
}
