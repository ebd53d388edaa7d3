#include "support/ProgramRunner.h"

#include <gtest/gtest.h>

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
RunResult runProgram(const std::vector<std::string>& args, const std::string& input, bool closeInput,
                     const std::function<bool(const RunResult&)>& until, int endSignal)
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
    if (!input.empty()) {
        EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    }
    if (closeInput) {
        close(in[1]);
        in[1] = -1;
    }
    RunResult result;
    result.pid = pid;
    bool termSent = false;
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
        if (until && !termSent && until(result)) {
            kill(pid, endSignal);
            termSent = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (in[1] >= 0) {
        close(in[1]);
    }
    close(out[0]);
    close(err[0]);
    return result;
}

std::function<bool(const RunResult&)> untilLogShows(const std::string& logPath, const std::string& text)
{
    auto started = std::chrono::steady_clock::now();
    return [logPath, text, started](const RunResult&) {
        return readFile(logPath).find(text) != std::string::npos ||
               std::chrono::steady_clock::now() - started > std::chrono::seconds(20);
    };
}
