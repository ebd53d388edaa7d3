#include "support/ProgramRunner.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program with the arguments. The input is written to its standard
// input, which then stays open while `until` (when given) has not returned
// true; at that point SIGTERM is sent. Everything ends after 60 seconds.
namespace {

// Runs the program; `feed` is called once at the start and after each read,
// and writes to (or closes) the program's input through inputFd.
RunResult runProgramWith(const std::vector<std::string>& args, int& inputFd,
                         const std::function<void(const RunResult&)>& feed);

// The step's text found in the output: true, with the number after it when
// the text ends in "%d".
bool findStepText(const std::string& output, const std::string& waitFor, int& number)
{
    number = -1;
    if (waitFor.empty())
        return true;
    const bool wantsNumber = waitFor.size() >= 2 && waitFor.compare(waitFor.size() - 2, 2, "%d") == 0;
    const std::string text = wantsNumber ? waitFor.substr(0, waitFor.size() - 2) : waitFor;
    size_t at = output.find(text);
    if (at == std::string::npos)
        return false;
    if (!wantsNumber)
        return true;
    size_t begin = at + text.size();
    size_t end = begin;
    while (end < output.size() && std::isdigit(static_cast<unsigned char>(output[end])))
        ++end;
    // The number is whole only once something follows it.
    if (end == begin || end == output.size())
        return false;
    number = std::stoi(output.substr(begin, end - begin));
    return true;
}

} // namespace

RunResult runProgramFed(const std::vector<std::string>& args, const std::vector<FeedStep>& steps)
{
    size_t next = 0;
    int inputFd = -1;
    auto feed = [&](const RunResult& sofar) {
        const std::string output = sofar.out + sofar.err;
        int number = -1;
        while (next < steps.size() && findStepText(output, steps[next].waitFor, number)) {
            const std::string text = steps[next].input(number);
            if (!text.empty()) {
                EXPECT_EQ(write(inputFd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
            }
            ++next;
        }
        if (next == steps.size() && inputFd >= 0) {
            close(inputFd);
            inputFd = -1;
        }
    };
    return runProgramWith(args, inputFd, feed);
}

RunResult runProgram(const std::vector<std::string>& args, const std::string& input, bool closeInput,
                     const std::function<bool(const RunResult&)>& until, int endSignal)
{
    int inputFd = -1;
    bool written = false;
    bool termSent = false;
    auto feed = [&](const RunResult& sofar) {
        if (!written) {
            written = true;
            if (!input.empty()) {
                EXPECT_EQ(write(inputFd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
            }
            if (closeInput) {
                close(inputFd);
                inputFd = -1;
            }
        }
        if (until && !termSent && until(sofar)) {
            kill(sofar.pid, endSignal);
            termSent = true;
        }
    };
    return runProgramWith(args, inputFd, feed);
}

namespace {

RunResult runProgramWith(const std::vector<std::string>& args, int& inputFd,
                         const std::function<void(const RunResult&)>& feed)
{
    std::string program = std::string(GLOAM_BINARY_DIR) + "/gloamreach";
    int in[2], out[2], err[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            close(fd);
        }
        // A silent sound device unless the test asks for another.
        setenv("ALSOFT_DRIVERS", "null", 0);
        // No "Critical Error" box that nobody will click: the line and exit 1
        // (unless the test allows the box, with "0").
        setenv("GLOAM_NO_ERROR_BOX", "1", 0);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    inputFd = in[1];
    RunResult result;
    result.pid = pid;
    feed(result);
    // A windowed start builds the texture cache of a new user directory, which
    // takes a while under the sanitizers on a busy machine; ctest stops a
    // test at 120 s.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            ADD_FAILURE() << "the program did not end";
            break;
        }
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        poll(fds, 2, 50);
        char buffer[4096];
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP))) {
            ssize_t n = read(out[0], buffer, sizeof buffer);
            n > 0 ? (void)result.out.append(buffer, n) : (void)(outOpen = false);
        }
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
            ssize_t n = read(err[0], buffer, sizeof buffer);
            n > 0 ? (void)result.err.append(buffer, n) : (void)(errOpen = false);
        }
        feed(result);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (inputFd >= 0) {
        close(inputFd);
        inputFd = -1;
    }
    close(out[0]);
    close(err[0]);
    return result;
}

} // namespace

std::function<bool(const RunResult&)> untilLogShows(const std::string& logPath, const std::string& text)
{
    auto started = std::chrono::steady_clock::now();
    return [logPath, text, started](const RunResult&) {
        return readFile(logPath).find(text) != std::string::npos ||
               std::chrono::steady_clock::now() - started > std::chrono::seconds(80);
    };
}
