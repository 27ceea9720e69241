// What the unit tests share: a scratch folder removed afterwards, files made from inline text,
// whole files read back, and a console dialogue whose keyboard is a script and whose screen is
// kept as text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dialogue/console.h"

namespace test_support {

// A fresh temporary folder for one test, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessar-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs each test of a fixture inside its own scratch folder (for code that writes fixed names
// into the working folder).
class InScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    const ScratchFolder& folder() const { return folder_; }

private:
    ScratchFolder folder_;
    std::filesystem::path previous_;
};

// A temporary file holding `text` byte for byte, positioned at its start.
inline tessar::File text_file(const std::string& text) {
    tessar::File f(std::tmpfile());
    std::fwrite(text.data(), 1, text.size(), f.get());
    std::rewind(f.get());
    return f;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A console dialogue reading `typed` as its keyboard; what it prints is kept.
class ScriptedConsole {
public:
    explicit ScriptedConsole(const std::string& typed)
        : in_(text_file(typed)), out_(std::tmpfile()), io_(in_.get(), out_.get()) {}
    tessar::Dialogue& io() { return io_; }
    std::string printed() {
        std::fflush(out_.get());
        std::rewind(out_.get());
        std::string text;
        for (int c; (c = std::getc(out_.get())) != EOF;) text.push_back(static_cast<char>(c));
        return text;
    }

private:
    tessar::File in_, out_;
    tessar::ConsoleDialogue io_;
};

// The message of the fatal error `step` raises, or "<none>".
template <typename Step>
std::string fatal_message(Step step) {
    try {
        step();
    } catch (const tessar::FatalError& e) {
        return e.message;
    }
    return "<none>";
}

}  // namespace test_support
