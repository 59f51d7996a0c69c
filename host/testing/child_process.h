// Host tests run tools as child processes: a command line with its environment, what it printed
// on each stream, and how it ended.
#pragma once

#include "korvane/fm/fm_test_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace KorvaneHost::testing {

struct Outcome {
    int exitCode = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Single quotes for the shell, any quote inside kept literally.
inline std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs `args` (the program first, found on PATH unless a path) with each "NAME=VALUE" of `env`
// added to the environment and no standard input, and captures both output streams through two
// files in `folder`, removed again afterwards.
inline Outcome RunChild(const std::vector<std::string>& args, const std::string& folder,
                        const std::vector<std::string>& env = {}) {
    namespace fs = std::filesystem;
    std::string command;
    for (const std::string& assignment : env) {
        const auto eq = assignment.find('=');
        command += assignment.substr(0, eq + 1) + ShellQuote(assignment.substr(eq + 1)) + " ";
    }
    for (const std::string& a : args) {
        command += ShellQuote(a) + " ";
    }
    const std::string out = (fs::path(folder) / "child_stdout.txt").string();
    const std::string err = (fs::path(folder) / "child_stderr.txt").string();
    command += "> " + ShellQuote(out) + " 2> " + ShellQuote(err) + " < /dev/null";
    const int status = std::system(command.c_str());
    Outcome run;
    run.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = kvKorvaneV10_0_3::FM::testing::ReadAll(out);
    run.err = kvKorvaneV10_0_3::FM::testing::ReadAll(err);
    std::error_code ignored;
    fs::remove(out, ignored);
    fs::remove(err, ignored);
    return run;
}

}  // namespace KorvaneHost::testing
