#include "XvfbDisplay.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool programOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool XvfbDisplay::start()
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        // A local display ":N" must have its socket; a stale one is ignored.
        std::string d = display;
        bool local = d[0] == ':';
        std::string number =
            local ? d.substr(1, d.find('.') == std::string::npos ? std::string::npos : d.find('.') - 1)
                  : std::string();
        if (!local || std::filesystem::exists("/tmp/.X11-unix/X" + number)) {
            m_name = d;
            return true;
        }
        m_savedDisplay = d;
        m_hadDisplay = true;
        unsetenv("DISPLAY");
    }
    if (!programOnPath("Xvfb")) {
        return false;
    }
    for (int n = 97; n < 140; ++n) {
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) {
            continue;
        }
        std::string name = ":" + std::to_string(n);
        pid_t pid = fork();
        if (pid < 0) {
            return false;
        }
        if (pid == 0) {
            int devnull = ::open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait for the server's socket (or its early death: display taken).
        bool reaped = false;
        for (int i = 0; i < 200 && !reaped; ++i) {
            if (std::filesystem::exists(socket)) {
                m_server = pid;
                m_name = name;
                setenv("DISPLAY", name.c_str(), 1);
                return true;
            }
            int status = 0;
            reaped = waitpid(pid, &status, WNOHANG) == pid;
            if (!reaped) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        if (!reaped) {
            // A reaped id may already belong to another process: only signal ours.
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    return false;
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_server > 0) {
        kill(m_server, SIGTERM);
        waitpid(m_server, nullptr, 0);
        unsetenv("DISPLAY");
    }
    if (m_hadDisplay) {
        setenv("DISPLAY", m_savedDisplay.c_str(), 1);
    }
}
