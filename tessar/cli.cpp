#include "cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <sstream>
#include <sys/stat.h>

#include "classes.h"
#include "classmaker.h"
#include "context/context.h"
#include "dialogue/interrupt.h"
#include "dialogue/preset.h"
#include "encode/encode.h"
#include "encode/model.h"
#include "inputs/sequences.h"
#include "methods/table.h"
#include "parallel/parallel.h"
#include "progress.h"
#include "report/figures.h"
#include "report/report.h"
#include "suggest.h"

#ifndef TESSAR_VERSION
#define TESSAR_VERSION "unknown"
#endif

namespace tessar::cli {

namespace {

// ---- checks of flag values, each a CLI11 validator: "" when the value is accepted

std::string check_format(const std::string& value) {
    return find_table_format(value) ? "" : "\"" + value + "\" is not one of " + table_format_names();
}

std::string check_threads(const std::string& value) {
    long long n = 0;
    return parse_integer(value, n) && n >= 1 ? "" : "\"" + value + "\" is not a number of threads (1 or more)";
}

// ---- help texts

std::string default_words(const Question& q) {
    if (q.choices)
        return *q.default_answer ? format("one of %s; default %s", choice_list(q).c_str(),
                                          choice_name(q, q.default_answer).c_str())
                                 : format("one of %s", choice_list(q).c_str());
    if (q.kind == AnswerKind::Real && q.max < 1e15)
        return format("%g to %g; default %s", q.min, q.max, q.default_answer);
    if (*q.default_answer) return format("default %s", q.default_answer);
    return "";
}

const char* type_name(const Question& q) {
    switch (q.kind) {
    case AnswerKind::Number: return q.choices ? "NAME" : "INT";
    case AnswerKind::Real: return "NUMBER";
    default: return "FILE";
    }
}

bool is_positional(const Question& q) { return q.flag[0] != '-'; }

// What a subcommand runs: a method of the table, the encoding with a model, or the writing of
// a classification file.
enum class Action { Method, Encode, Classes };

// The subcommand that encodes sequences with a saved model: flags from its question list, like
// a method's, but no menu key.
const char* const kEncodeSummary = "encode sequence files of any size with a model saved by --save-model";
const char* const kEncodeExample =
    "tessar ngrams train.fasta --classes train.cls --save-model model.txt\n"
    "  tessar encode big.fasta --model model.txt --format csv --arff big.csv";

// ---- the subcommands

struct FlagValue {
    const Question* question;
    CLI::Option* option = nullptr;
    std::string value;
};

// One subcommand's parsed state.
struct Command {
    Action action = Action::Method;
    const Method* method = nullptr;  // Action::Method
    CLI::App* app = nullptr;
    std::deque<FlagValue> flags;
    std::string out_dir, format = "arff";
    std::string html, json;  // the report's page and JSON file ("": none)
    bool quiet = false;
    bool no_header = false;  // encode
    bool label_free = false;  // a method with Method::label_free_option
    bool ids = false;        // ARFF and LibSVM rows name their sequence
    long long threads = 0;   // the pool's threads (0: the cores the process may use)
    // classes
    std::string sequences, from_headers, output;
    std::vector<std::string> class_specs;
};

FlagValue* find_flag(Command& c, const char* flag) {
    for (FlagValue& f : c.flags)
        if (std::string(f.question->flag) == flag) return &f;
    return nullptr;
}

bool writes_tables(const Command& c) {
    return c.action == Action::Encode || (c.method && c.method->writes_tables);
}

void add_common_flags(Command& c) {
    c.app->add_option("--out-dir", c.out_dir,
                      "folder of the output files, created when missing (default: the working folder)")
        ->type_name("DIR");
    if (writes_tables(c))
        c.app->add_option("--format", c.format,
                          format(c.action == Action::Encode
                                     ? "layout of the table: %s (default %s); unnamed, it takes its "
                                       "extension (Encoded.csv)"
                                     : "layout of the ARFF and test ARFF files: %s (default %s); unnamed, "
                                       "they take its extension (Context.csv)",
                                 table_format_names().c_str(), arff_format().name))
            ->type_name("FORMAT")
            ->check(check_format, "", "");
    if (writes_tables(c)) {
        c.app->add_option("--html", c.html,
                          "a report of the run: one HTML page that opens offline (the classes, the "
                          "features that separate them best, a heatmap of sequences)")
            ->type_name("FILE");
        c.app->add_option("--json", c.json, "the report's figures as a JSON file (doc/report-format.md)")
            ->type_name("FILE");
    }
    if (writes_tables(c))
        c.app->add_flag("--ids", c.ids,
                        "name each row's sequence (its header up to the first blank) in the ARFF "
                        "tables (a first attribute id) and LibSVM (\" # id\" after each row); CSV "
                        "tables always begin with a column id");
    // the subcommands whose work is spread over the pool of threads
    if (writes_tables(c))
        c.app->add_option("--threads", c.threads,
                          format("threads to work on (default: the %zu cores this process may use); "
                                 "the files are the same for any number",
                                 default_thread_count()))
            ->type_name("N")
            ->check(check_threads, "", "");
    c.app->add_flag("-q,--quiet", c.quiet, "print no summary line and no progress bar");
}

// One flag per question of `questions` (a method's, or encode's), in dialogue order.
void add_question_flags(Command& c, const std::vector<const Question*>& questions) {
    for (const Question* q : questions) c.flags.push_back(FlagValue{q, nullptr, {}});
    if (c.method && c.method->row_coder) c.flags.push_back(FlagValue{&kSaveModel, nullptr, {}});
    for (FlagValue& f : c.flags) {
        const Question& q = *f.question;
        std::string help = q.help;
        const std::string defaults = is_positional(q) ? "" : default_words(q);
        if (!defaults.empty() && help.ends_with(')'))
            help.insert(help.size() - 1, "; " + defaults);
        else if (!defaults.empty())
            help += " (" + defaults + ")";
        f.option = c.app->add_option(q.flag, f.value, help)->type_name(type_name(q));
        f.option->check([&q](const std::string& v) { return refusal_reason(q, v); }, "", "");
        const bool file = q.kind == AnswerKind::InputFile;
        if (is_positional(q) || (file && !*q.default_answer && !q.needs) || has_trait(q, kCommandLineOnly))
            f.option->required();
    }
    // a flag goes with the one its question follows; a required file without a default is
    // required with that one
    for (FlagValue& f : c.flags) {
        if (!f.question->needs) continue;
        FlagValue* other = find_flag(c, f.question->needs);
        if (!other) continue;
        f.option->needs(other->option);
        if (f.question->kind == AnswerKind::InputFile && !*f.question->default_answer)
            other->option->needs(f.option);
    }
    if (c.method && c.method->label_free_option)
        c.app->add_flag("--label-free", c.label_free,
                        "rows without their labels, in both tables: a descriptor is 1 when its text occurs "
                        "or a window is similar to it, whatever its class and the row's (without it the test "
                        "rows use the test classes, and a classifier evaluated on them sees its answer)");
    if (c.action == Action::Encode)
        c.app->add_flag("--no-header", c.no_header,
                        "write the rows alone, without the header (ARFF header, CSV header row): a "
                        "part of a table split by sequence, joined after the first part");
    add_common_flags(c);
}

void add_classes_flags(Command& c) {
    c.app->add_option("SEQUENCES", c.sequences,
                      "the sequence file (required with --from-headers; with --class, the counts "
                      "must add up to its number of sequences)")
        ->type_name("FILE");
    auto* counts = c.app->add_option("--class", c.class_specs,
                                     "a class and its number of consecutive sequences, in file "
                                     "order; repeat for each class")
                       ->type_name("NAME=COUNT")
                       ->allow_extra_args(false)
                       ->check([](const std::string& v) {
                           ClassCount cc;
                           std::string why;
                           return parse_class_count(v, cc, why) ? std::string() : why;
                       }, "", "");
    auto* headers = c.app->add_option("--from-headers", c.from_headers,
                                      "take each sequence's class from field FIELD (from 1) of its "
                                      "header line split at SEP; classes in order of first appearance")
                        ->type_name("SEP,FIELD")
                        ->check([](const std::string& v) {
                            HeaderField hf;
                            std::string why;
                            return parse_header_field(v, hf, why) ? std::string() : why;
                        }, "", "");
    counts->excludes(headers);
    c.app->add_option("-o,--output", c.output, "the classification file to write")
        ->type_name("FILE")
        ->required();
    add_common_flags(c);
}

// ---- running

std::string join_paths(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& p : paths) text += (text.empty() ? "" : " ") + p;
    return text;
}

std::string encode_summary(const EncodeRun& r) {
    const char* classes = r.with_labels         ? "classes from --classes"
                          : r.model.with_classes ? "class unknown (?)"
                                                 : "no classes";
    return format("encode: %zu sequences, %zu features (%s model), %s", r.n_rows,
                  r.model.features.size(), r.model.method->name, classes);
}

// Runs a method of the table on a preset dialogue, and saves its model when --save-model names a
// file; returns the summary line. With a report, the method's own sections go to `sections`.
std::string run_method(Command& c, PresetDialogue& io, std::vector<ReportSection>& sections) {
    const MethodRun run = c.method->run(io);
    if (!run.hint.empty()) io.note(run.hint + "\n");
    const FlagValue* save = find_flag(c, kSaveModel.flag);
    if (save && save->option->count() > 0 && run.model) save_model(io, *run.model);
    if (RunFigures* figures = io.figures(); figures && run.model) {
        if (!run.model->feature_classes.empty()) figures->feature_classes = run.model->feature_classes;
        if (c.method->report_sections) c.method->report_sections(*run.model, *figures, sections);
    }
    return run.summary;
}

// `tessar encode`; returns the summary line. With a report, its section goes to `sections`.
std::string run_encoding(Command& c, PresetDialogue& io, std::vector<ReportSection>& sections) {
    const EncodeRun run = run_encode(io, {!c.no_header});
    if (const RunFigures* figures = io.figures())
        sections.push_back(encoded_rows_section(*figures, top_features(*figures)));
    return encode_summary(run);
}

// The classes subcommand; returns its summary line. Throws FatalError and RefusedAnswer. The
// labels are held as runs (a count per class from --class is one run), never a line each, and
// the counts are checked against the sequences before the file is created.
std::string run_classes(Command& c, PresetDialogue& io) {
    static const Question kSequences = {"SEQUENCES", AnswerKind::InputFile, "", ""};
    static const Question kOutput = {"--output", AnswerKind::OutputFile, "", ""};
    std::vector<std::string> names;
    std::vector<classmaker::ClassEntry> runs;
    size_t n_sequences = 0;
    bool counted = false;
    if (!c.sequences.empty()) {
        std::string name = c.sequences;
        File in = io.open_input(name);
        if (!in) io.refuse_file(kSequences, c.sequences, errno);
        if (!c.from_headers.empty()) {
            HeaderField field;
            std::string why;
            parse_header_field(c.from_headers, field, why);
            const std::vector<std::string> labels = header_labels(in.get(), field);
            names = class_names_of(labels);
            runs = classmaker::label_runs(labels);
        } else {
            n_sequences = static_cast<size_t>(read_sequence_file(in.get(), name, SequenceReader::Test,
                                                                 io.limits(), [](std::string&) {})
                                                  .n_sequences);
            counted = true;
        }
    }
    size_t n_labels = 0;
    if (c.from_headers.empty()) {
        for (const std::string& spec : c.class_specs) {
            ClassCount cc;
            std::string why;
            parse_class_count(spec, cc, why);
            names.push_back(cc.name);
            runs.push_back({cc.name, cc.count});
        }
    }
    for (const classmaker::ClassEntry& run : runs) n_labels += static_cast<size_t>(run.n_instances);
    if (counted && n_labels != n_sequences)
        fatal(format("Err: the classes count %zu sequences but %s holds %zu\n", n_labels, c.sequences.c_str(),
                     n_sequences));
    if (n_labels == 0) fatal("Err: no sequence to classify\n");
    size_t first = 0;
    if (!labels_grouped(runs, first))
        io.note(format("labels are not grouped by class (sequence %zu returns to an earlier class): "
                       "tessar disclass and ddms group them; the menu's skip the sequences from there "
                       "on\n", first + 1));

    File out = io.create_output_file(c.output, OutputName::Given);
    if (!out) io.refuse_file(kOutput, c.output, errno);
    classmaker::write_classification(out.get(), names, runs);
    close_output(out, c.output);
    return format("classes: %zu sequences in %zu classes", n_labels, names.size());
}

void put(std::FILE* f, const std::string& text) { std::fwrite(text.data(), 1, text.size(), f); }

// A fatal message as the menu prints it, on one line of its own.
std::string message_line(const std::string& message) {
    const size_t begin = message.find_first_not_of("\t\n ");
    if (begin == std::string::npos) return "Err\n";
    std::string line = message.substr(begin);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    return line + "\n";
}

// ---- the files of a run

// A file a run reads or writes, and what names it: a flag, or what a fixed name stands for.
struct RunFile {
    std::string named_by;  // "--dat", "the family file"
    std::string path;
};

struct RunFiles {
    std::vector<RunFile> inputs, outputs;
};

// The files a run of `c` reads and writes, known from its flags before it starts: the inputs
// named (standard input aside); the outputs named, or defaulted when their question is asked (a
// question that goes with another flag only with that one), placed as `io` places them; the
// method's fixed outputs.
RunFiles run_files(Command& c, const Dialogue& io) {
    RunFiles files;
    if (c.action == Action::Classes) {
        if (!c.sequences.empty() && c.sequences != "-") files.inputs.push_back({"SEQUENCES", c.sequences});
        files.outputs.push_back({"--output", c.output});
        return files;
    }
    for (const FlagValue& f : c.flags) {
        const Question& q = *f.question;
        const bool given = f.option->count() > 0;
        if (q.kind == AnswerKind::InputFile || q.kind == AnswerKind::OptionalInputFile) {
            if (given && f.value != "-") files.inputs.push_back({q.flag, f.value});
        } else if (q.kind == AnswerKind::OutputFile) {
            const FlagValue* needed = q.needs ? find_flag(c, q.needs) : nullptr;
            const bool asked = (!q.needs || (needed && needed->option->count() > 0)) &&
                               !has_trait(q, kWrittenWhenNamed);
            if (given)
                files.outputs.push_back({q.flag, io.output_place(f.value, OutputName::Given)});
            else if (asked && !io.output_default(q).empty())
                files.outputs.push_back({q.flag, io.output_place(io.output_default(q), OutputName::Default)});
        }
    }
    if (c.method)
        for (const FixedOutput& fixed : c.method->fixed_outputs)
            files.outputs.push_back({fixed.what, io.output_place(fixed.name, OutputName::Default)});
    if (!c.html.empty()) files.outputs.push_back({"--html", io.output_place(c.html, OutputName::Given)});
    if (!c.json.empty()) files.outputs.push_back({"--json", io.output_place(c.json, OutputName::Given)});
    return files;
}

// A path made absolute and normal, the links of the part that exists resolved.
std::filesystem::path normal_path(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return std::filesystem::path(path).lexically_normal();
    std::filesystem::path normal = std::filesystem::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : normal;
}

// Whether two paths are one place: one file (device and inode) when both exist, else one path
// once normal. A character device (/dev/null) is no place of its own: any number of files may
// name it, for it is written directly and never replaced.
bool same_place(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    const bool a_exists = stat(a.c_str(), &sa) == 0;
    const bool b_exists = stat(b.c_str(), &sb) == 0;
    if ((a_exists && S_ISCHR(sa.st_mode)) || (b_exists && S_ISCHR(sb.st_mode))) return false;
    if (a_exists || b_exists) return a_exists && b_exists && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return normal_path(a) == normal_path(b);
}

// Why the run's files cannot be written as named: an output on an input of the run (it would
// be replaced), or two outputs on one file (one would be lost); "" when they can.
std::string path_clash(const RunFiles& files) {
    for (const RunFile& out : files.outputs)
        for (const RunFile& in : files.inputs)
            if (same_place(out.path, in.path))
                return format("%s %s would replace %s %s: an output never replaces an input of its run",
                              out.named_by.c_str(), out.path.c_str(), in.named_by.c_str(), in.path.c_str());
    for (size_t a = 0; a < files.outputs.size(); ++a)
        for (size_t b = a + 1; b < files.outputs.size(); ++b)
            if (files.outputs[a].path == "-" && files.outputs[b].path == "-")
                return format("%s - and %s - both name standard output: one output at most goes there",
                              files.outputs[a].named_by.c_str(), files.outputs[b].named_by.c_str());
            else if (same_place(files.outputs[a].path, files.outputs[b].path))
                return format("%s %s and %s %s are one file: each output needs a file of its own",
                              files.outputs[a].named_by.c_str(), files.outputs[a].path.c_str(),
                              files.outputs[b].named_by.c_str(), files.outputs[b].path.c_str());
    return "";
}

// The folders made for the output folder, so that a run that fails can remove them again.
struct MadeFolders {
    std::vector<std::filesystem::path> made;  // innermost first
    std::string reason;                        // why the last make failed

    // Makes `folder` and the folders above it that are missing; false when it is no folder then.
    bool make(const std::string& folder) {
        std::error_code ec;
        std::filesystem::path at = std::filesystem::path(folder).lexically_normal();
        if (!at.has_filename()) at = at.parent_path();  // "out/"
        for (; !at.empty() && !std::filesystem::exists(at, ec) && !ec; at = at.parent_path()) {
            made.push_back(at);
            if (at == at.parent_path()) break;
        }
        std::filesystem::create_directories(folder, ec);
        if (!ec && std::filesystem::is_directory(folder, ec)) return true;
        reason = ec ? ec.message() : "a file of that name exists";
        return false;
    }
    // Removes the folders made that are empty (a folder holding anything stays).
    void remove_empty() {
        std::error_code ec;
        for (const std::filesystem::path& folder : made) std::filesystem::remove(folder, ec);
        made.clear();
    }
};

// ---- the report

// An argument as a shell reads it back: as it stands when it holds only safe characters, else
// in single quotes.
std::string shell_word(const std::string& arg) {
    const bool plain = !arg.empty() && arg.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                             "0123456789-_./=,:+@%") == std::string::npos;
    if (plain) return arg;
    std::string quoted = "'";
    for (char ch : arg) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

std::string utc_now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return format("%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
}

// The parameters of the run: every number or choice flag as given or defaulted, and the format.
std::vector<std::pair<std::string, std::string>> run_parameters(const Command& c) {
    std::vector<std::pair<std::string, std::string>> parameters;
    for (const FlagValue& f : c.flags) {
        const Question& q = *f.question;
        if (q.kind != AnswerKind::Number && q.kind != AnswerKind::Real) continue;
        std::string value = f.option->count() > 0 ? f.value : q.default_answer;
        if (q.choices && !value.empty()) value = choice_name(q, choice_number(q, value).empty() ? value : choice_number(q, value));
        parameters.emplace_back(std::string(q.flag).substr(std::string(q.flag).find_first_not_of('-')), value.empty() ? "(default, from the data)" : value);
    }
    if (writes_tables(c)) parameters.emplace_back("format", c.format);
    return parameters;
}

// Writes the report's files (under temporary names, like every output of the run).
void write_report(const Command& c, PresetDialogue& io, ReportRun& run) {
    static const Question kHtml = {"--html", AnswerKind::OutputFile, "", ""};
    static const Question kJson = {"--json", AnswerKind::OutputFile, "", ""};
    const RunFigures& figures = *io.figures();
    run.outputs = io.outputs();
    for (const std::string* name : {&c.html, &c.json})
        if (!name->empty()) run.outputs.push_back(io.output_place(*name, OutputName::Given));
    auto write = [&](const Question& q, const std::string& name, const std::string& text) {
        if (name.empty()) return;
        const std::string path = io.output_path(name, OutputName::Given);
        File file = create_output(path);
        if (!file) io.refuse_file(q, name, errno);
        std::fwrite(text.data(), 1, text.size(), file.get());
        close_output(file, name);
    };
    write(kHtml, c.html, report_html(run, figures));
    write(kJson, c.json, report_json(run, figures));
}

int execute(Command& c, const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool err_is_terminal) {
    const auto started = std::chrono::steady_clock::now();
    const std::string command = std::string("tessar ") + c.app->get_name();
    PresetOptions options;
    options.out_dir = c.out_dir;
    options.whole_files = true;
    options.messages = err;
    options.standard_output = out;
    options.format = find_table_format(c.format);
    options.label_free_rows = c.label_free;
    options.row_ids = c.ids;
    for (FlagValue& f : c.flags) {
        if (f.option->count() > 0)
            options.answers[f.question->flag] = f.value;
        else if (has_trait(*f.question, kTakesFormatExtension) && options.format != &arff_format())
            options.output_defaults[f.question->flag] =
                with_format_extension(f.question->default_answer, *options.format);
    }
    std::unique_ptr<ProgressBar> bar;
    if (err_is_terminal && !c.quiet) {
        bar = std::make_unique<ProgressBar>(err, terminal_width(fileno(err)));
        options.on_progress = [&bar](const Progress& p) { bar->update(p); };
    }
    RunFigures figures;
    const bool with_report = !c.html.empty() || !c.json.empty();
    if (with_report) options.figures = &figures;
    PresetDialogue io(std::move(options));
    MadeFolders folders;
    set_thread_count(static_cast<size_t>(c.threads));

    // A run that fails leaves nothing: its outputs were written under temporary names, which go.
    auto fail = [&](const std::string& message, int status) {
        if (bar) bar->finish();
        put(err, message);
        io.discard_outputs();
        folders.remove_empty();
        return status;
    };

    // an output on an input, or two on one file, is refused before anything is written
    if (const std::string clash = path_clash(run_files(c, io)); !clash.empty())
        return fail(command + ": " + clash + "\n", 2);
    if (!c.out_dir.empty() && !folders.make(c.out_dir))
        return fail(format("%s: --out-dir: cannot create the folder %s: %s\n", command.c_str(), c.out_dir.c_str(),
                           folders.reason.c_str()), 1);
    // Ctrl-C or SIGTERM during the run removes the temporary files
    const InterruptReport interrupt_report = install_interrupt_report();
    try {
        ReportRun report;
        const std::string summary = c.action == Action::Method   ? run_method(c, io, report.sections)
                                    : c.action == Action::Encode ? run_encoding(c, io, report.sections)
                                                                 : run_classes(c, io);
        if (with_report) {
            report.version = TESSAR_VERSION;
            report.method = c.app->get_name();
            for (size_t i = 0; i < args.size(); ++i)
                report.command_line += (i ? " " : "") + shell_word(i ? args[i] : std::string("tessar"));
            report.date = utc_now();
            report.parameters = run_parameters(c);
            report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            write_report(c, io, report);
        }
        io.commit_outputs();
        if (bar) bar->finish();
        // a table on standard output is alone there: the summary goes with the messages
        if (!c.quiet) put(io.wrote_standard_output() ? err : out, summary + " -> " + join_paths(io.outputs()) + "\n");
        return 0;
    } catch (const RefusedAnswer& e) {
        // a file that cannot be opened or created is an input error; any other answer a usage error
        const bool file = e.kind == AnswerKind::InputFile || e.kind == AnswerKind::OptionalInputFile ||
                          e.kind == AnswerKind::OutputFile;
        return fail(command + ": " + e.message + "\n", file ? 1 : 2);
    } catch (const FatalError& e) {
        return fail(message_line(e.detail.empty() ? e.message : e.detail), 1);
    } catch (const std::bad_alloc&) {
        return fail("Err: no enough memory\n", 1);
    } catch (const std::exception& e) {
        return fail(format("Err: %s\n", e.what()), 1);
    }
}

// ---- usage errors

// " did you mean X?" when one of `names` is near `given`, else "".
std::string did_you_mean(const std::string& given, const std::vector<std::string>& names) {
    const std::string nearest = nearest_name(given, names);
    return nearest.empty() ? "" : "; did you mean " + nearest + "?";
}

// The flags of a subcommand as typed: "--classes", "-n".
std::vector<std::string> flag_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

// What a parse error says, one line: an unknown subcommand or flag with the nearest name, or
// CLI11's own words. `parsed` is the subcommand reached (the program itself when none).
std::string usage_error_text(const CLI::App& app, const CLI::App& parsed, const std::vector<std::string>& args,
                             const CLI::ParseError& e) {
    if (&parsed == &app && args.size() > 1 && !args[1].starts_with('-')) {
        std::vector<std::string> names;
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); }))
            names.push_back(sub->get_name());
        return format("unknown subcommand %s%s", args[1].c_str(), did_you_mean(args[1], names).c_str());
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        // a flag of the subcommand before its name
        if (&parsed != &app)
            for (const std::string& arg : app.remaining()) {
                const std::vector<std::string> flags = flag_names(parsed);
                if (std::find(flags.begin(), flags.end(), arg.substr(0, arg.find('='))) != flags.end())
                    return format("%s goes after the subcommand: tessar %s %s ...", arg.c_str(),
                                  parsed.get_name().c_str(), arg.c_str());
            }
        // the arguments left over, in command-line order; the first that looks like a flag is the fault
        std::vector<std::string> left = parsed.remaining(), unexpected;
        for (size_t i = 1; i < args.size(); ++i) {
            const auto at = std::find(left.begin(), left.end(), args[i]);
            if (at == left.end()) continue;
            left.erase(at);
            unexpected.push_back(args[i]);
        }
        for (const std::string& arg : unexpected)
            if (arg.starts_with('-')) {
                const std::string flag = arg.substr(0, arg.find('='));
                return format("unknown flag %s%s", flag.c_str(), did_you_mean(flag, flag_names(parsed)).c_str());
            }
        if (!unexpected.empty())
            return std::string(unexpected.size() == 1 ? "unexpected argument: " : "unexpected arguments: ") +
                   join_paths(unexpected);
    }
    return e.what();
}

// ---- JSON for the hidden "questions" subcommand (json_string: report/report.h)

std::string json_names(const char* const* names, int n) {
    std::string list = "[";
    for (int i = 0; i < n; ++i) list += (i ? ", " : "") + json_string(names[i]);
    return list + "]";
}

const char* kind_name(AnswerKind kind) {
    switch (kind) {
    case AnswerKind::InputFile: return "input-file";
    case AnswerKind::OptionalInputFile: return "optional-input-file";
    case AnswerKind::OutputFile: return "output-file";
    case AnswerKind::Number: return "number";
    case AnswerKind::Real: return "real";
    }
    return "";
}

}  // namespace

std::string questions_json() {
    std::string json = "{";
    bool first_method = true;
    for (const Method* m : methods()) {
        json += format("%s\n  %s: {\"key\": \"%c\", \"model\": %s, ", first_method ? "" : ",",
                       json_string(m->name).c_str(), m->menu_key, m->row_coder ? "true" : "false");
        first_method = false;
        // a question of the command line alone stands for the menu's choice among several keys
        for (const Question* q : m->questions())
            if (has_trait(*q, kCommandLineOnly))
                json += format("\"menu_choice\": {\"flag\": %s, \"choices\": %s}, ", json_string(q->flag).c_str(),
                               json_names(q->choices, choice_count(*q)).c_str());
        json += "\"questions\": [";
        bool first = true;
        for (const Question* q : m->questions()) {
            if (has_trait(*q, kCommandLineOnly)) continue;
            json += format("%s\n    {\"flag\": %s, \"kind\": \"%s\", \"prompt\": %s, \"default\": %s, "
                           "\"min\": %.17g, \"max\": %.17g, \"choices\": %s}",
                           first ? "" : ",", json_string(q->flag).c_str(), kind_name(q->kind),
                           json_string(q->prompt).c_str(), json_string(q->default_answer).c_str(),
                           q->min, std::min(q->max, 1e300),
                           q->choices ? json_names(q->choices, choice_count(*q)).c_str() : "null");
            first = false;
        }
        json += "\n  ]}";
    }
    return json + "\n}\n";
}

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool err_is_terminal) {
    CLI::App app{"tessar: protein sequences to feature tables, one method per subcommand.\n"
                 "Each flag answers one question of the menu's dialogue; the files are the "
                 "menu's, byte for byte.",
                 "tessar"};
    app.set_version_flag("--version", std::string("tessar ") + TESSAR_VERSION);
    // wide enough that "--dat FILE Needs: --classes" keeps a gap before its description
    // (the subcommands take the formatter as they are added)
    app.get_formatter()->column_width(32);
    app.require_subcommand(1, 1);
    app.footer("Run 'tessar SUBCOMMAND --help' for the flags of a method.\n"
               "Exit status: 0 done, 1 input error (message on standard error), 2 usage error.");

    std::deque<Command> commands;
    for (const Method* m : methods()) {
        Command& c = commands.emplace_back();
        c.method = m;
        c.app = app.add_subcommand(m->name, m->summary);
        c.app->footer(std::string("Example:\n  ") + m->example);
        add_question_flags(c, m->questions());
    }
    Command& encode = commands.emplace_back();
    encode.action = Action::Encode;
    encode.app = app.add_subcommand("encode", kEncodeSummary);
    encode.app->footer(std::string("Without --classes the class of every row is ? (LibSVM: 0), and ddms values "
                                   "are exact presence: its similarity rule needs the sequence's class.\n"
                                   "Example:\n  ") + kEncodeExample);
    add_question_flags(encode, encode_questions());
    Command& classes = commands.emplace_back();
    classes.action = Action::Classes;
    classes.app = app.add_subcommand("classes", "write a classification file (what classmaker asks)");
    classes.app->footer("Examples:\n  tessar classes seqs.fasta --from-headers '|,3' -o seqs.cls\n"
                        "  tessar classes --class globin=6 --class kinase=12 -o seqs.cls");
    add_classes_flags(classes);
    bool show_questions = false;
    CLI::App* questions = app.add_subcommand("questions", "");
    questions->group("");  // hidden: the question tables as JSON, for test harnesses
    questions->callback([&] { show_questions = true; });

    std::vector<std::string> reversed(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        std::ostringstream help, error;
        const int code = app.exit(e, help, error);
        put(out, help.str());
        if (code == 0) return 0;
        // one line: the message, and where the flags are listed
        std::string where = "tessar";
        const CLI::App* parsed = &app;
        for (const CLI::App* sub : app.get_subcommands()) {
            where += " " + sub->get_name();
            parsed = sub;
        }
        put(err, format("%s: %s (see '%s --help')\n", where.c_str(),
                        usage_error_text(app, *parsed, args, e).c_str(), where.c_str()));
        return 2;
    }
    if (show_questions) {
        put(out, questions_json());
        return 0;
    }
    for (Command& c : commands)
        if (c.app->parsed()) {
            if (c.action == Action::Classes && c.from_headers.empty() && c.class_specs.empty()) {
                put(err, "tessar classes: give --class NAME=COUNT or --from-headers SEP,FIELD "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            if (c.action == Action::Classes && !c.from_headers.empty() && c.sequences.empty()) {
                put(err, "tessar classes: --from-headers needs the sequence file "
                         "(see 'tessar classes --help')\n");
                return 2;
            }
            return execute(c, args, out, err, err_is_terminal);
        }
    return 2;
}

}  // namespace tessar::cli
