#pragma once

// Runs the built program as a child process for end-to-end tests.
#include <csignal>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct RunResult {
    pid_t pid = -1;
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The whole text of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

// Runs the program with the arguments. The input is written to its standard
// input, which then stays open while `until` (when given) has not returned
// true; at that point endSignal is sent. Everything ends after 60 seconds.
// Without ALSOFT_DRIVERS in the environment the program gets OpenAL Soft's
// silent null device, and without GLOAM_NO_ERROR_BOX no "Critical Error" box
// (GLOAM_NO_ERROR_BOX=0 allows it).
RunResult runProgram(const std::vector<std::string>& args, const std::string& input, bool closeInput,
                     const std::function<bool(const RunResult&)>& until = nullptr, int endSignal = SIGTERM);

// Runs the program with its standard input fed step by step: each step's
// input is written once its output (standard output and error together)
// shows the step's text (an empty text: at once). The text may end in "%d",
// whose number is then handed to the step's maker of its input. Input closes
// after the last step; everything ends after 100 seconds.
struct FeedStep {
    std::string waitFor;
    std::function<std::string(int number)> input;
};
RunResult runProgramFed(const std::vector<std::string>& args, const std::vector<FeedStep>& steps);

// Until the log shows the text (start-up is over) or 80 seconds have passed (a loaded machine starts slowly).
std::function<bool(const RunResult&)> untilLogShows(const std::string& logPath, const std::string& text);
