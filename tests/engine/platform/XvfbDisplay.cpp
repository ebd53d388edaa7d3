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
        m_name = display;
        return true;
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
        for (int i = 0; i < 100; ++i) {
            if (std::filesystem::exists(socket)) {
                m_server = pid;
                m_name = name;
                m_hadDisplay = false;
                setenv("DISPLAY", name.c_str(), 1);
                return true;
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
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
}
