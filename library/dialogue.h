// Dialogue conventions shared by every method of the library: questions printed with printf,
// answers read as whole lines from standard input, defaults on an empty answer, file questions
// that repeat until the file opens, the key press, and the one fatal-error type.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

// A fatal input error: the message is printed exactly as it stands, then the process waits for
// a key and ends with status 1. Deep code throws it; the exported entry point handles it once.
struct FatalError {
    std::string message;
};

// Standard input ended at a question.
struct EndOfInput {};

[[noreturn]] void fatal(std::string message);
// printf-style formatting into a std::string (for fatal messages with numbers).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

struct FileCloser {
    void operator()(std::FILE* f) const { if (f) std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads one line of `in` into `line` without its line end; a CR directly before the LF is dropped.
// A last line without a line end still counts. Returns false at end of file with nothing read.
bool read_line(std::FILE* in, std::string& line);

// Flushes and closes an output file. A write that failed on the way (a full disk, say) is the
// fatal error "\tErr: cannot write <name>\n", never a short file passed off as complete.
void close_output(File& file, const std::string& name);

// Opens an existing regular file for reading (a folder counts as a file that cannot be opened).
File open_for_reading(const std::string& name);

// Prints a whole question (every line of it).
using Prompt = std::function<void()>;

// One answer line from standard input; throws EndOfInput when input has ended.
std::string read_answer();

// Asks until the named file opens for reading. An empty answer takes `default_name`; with
// `optional`, an empty answer skips the file instead: the result is empty and `name` is "".
// An empty `default_name` without `optional` tries the empty name, which never opens.
File ask_input_file(const Prompt& ask, const std::string& default_name, std::string& name,
                    bool optional = false);

// Asks until the named file opens for writing (an existing file is replaced).
File ask_output_file(const Prompt& ask, const std::string& default_name, std::string& name);

// A 16-bit number at the start of the answer: leading blanks and a sign allowed, the rest of
// the line ignored. False when there is no number or it lies outside the 16-bit range.
bool parse_short(const std::string& answer, short& value);

// Asks until the answer is a number within [min, max]; an answer with no character at all takes
// `default_value`, which is range-checked like a typed one.
short ask_short(const Prompt& ask, short default_value, int min, int max);

// The leading decimal real number of an answer, as atof reads it; 0 when there is none
// ("nan", "inf" and hexadecimal forms give 0 too).
double parse_real(const std::string& answer);

// Waits for one key press: one key without echo on a terminal, else one whole input line.
// End of input counts as a key press.
void wait_key();

// The closing line of every method and its key press.
void finish_method();

// Elapsed processor time since `start`, in seconds.
double seconds_since(std::clock_t start);

// Runs a method body with the library's fatal-error convention: a FatalError prints its
// message, waits for a key and ends the process with status 1; end of input at a question
// prints "\n\tErr: end of input\n" and ends with status 1. Returns 0 otherwise.
int run_method(const std::function<void()>& body);
