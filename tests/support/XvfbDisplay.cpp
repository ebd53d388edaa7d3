#include "XvfbDisplay.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Sanitizer builds: the desktop-bus library loaded by SDL's video layer keeps
// one buffer for the life of the process, and Mesa's driver its caches. The
// driver is kept loaded (below) so that its blocks are named: unloaded, they
// show as leaks of an "<unknown module>" after every OpenGL test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\nleak:swrast_dri.so\nleak:libLLVM\nleak:libGLX_mesa.so\n"
           // SDL's X11 window list grows with each window made (video restarts).
           "leak:libSDL2-2.0.so\n";
}

void keepGlDriverLoaded()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    const char* const paths[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                 "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                                 "/usr/lib/dri/swrast_dri.so"};
    for (const char* path : paths) {
        if (dlopen(path, RTLD_LAZY | RTLD_NODELETE)) {
            return;
        }
    }
}

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
    // Mesa's software renderer, whatever the machine's driver would be.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    // The renderer keeps the shaders it compiled in a folder of the build
    // tree, which every later window test (and the other build's) reuses,
    // instead of in the home folder of whoever runs the tests.
#ifdef GLOAM_TEST_SHADER_CACHE_DIR
    setenv("MESA_SHADER_CACHE_DIR", GLOAM_TEST_SHADER_CACHE_DIR, 0);
#endif
    // Without a session bus address the desktop-bus library that SDL's video
    // set-up calls starts one by forking the program, and under the address
    // sanitizer that child can hang in the allocator (another thread held
    // its lock at the fork). An address that leads nowhere makes it give up.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/gloam-test-bus", 0);
    keepGlDriverLoaded();
    if (const char* display = std::getenv("DISPLAY")) {
        m_savedDisplay = display;
        m_hadDisplay = true;
    }
    if (programOnPath("Xvfb")) {
        return startServer();
    }
    // No Xvfb: an existing local display ":N" must have its socket.
    const std::string& d = m_savedDisplay;
    if (d.empty()) {
        return false;
    }
    if (d[0] == ':') {
        std::string number =
            d.substr(1, d.find('.') == std::string::npos ? std::string::npos : d.find('.') - 1);
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + number)) {
            return false;
        }
    }
    m_name = d;
    return true;
}

bool XvfbDisplay::startServer()
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (pid == 0) {
        // The server goes with the test process, even when that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(1);
        }
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        // The server writes the display number it took to this descriptor
        // once it accepts connections.
        int fd = dup(ready[1]);
        std::string fdText = std::to_string(fd);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool done = false;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        pollfd p{ready[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        char c;
        ssize_t n = read(ready[0], &c, 1);
        if (n <= 0) {
            break; // the server ended without a display
        }
        if (c == '\n') {
            done = true;
        } else if (c >= '0' && c <= '9') {
            number.push_back(c);
        }
    }
    close(ready[0]);
    if (!done || number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return false;
    }
    m_server = pid;
    m_name = ":" + number;
    setenv("DISPLAY", m_name.c_str(), 1);
    return true;
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_server > 0) {
        kill(m_server, SIGTERM);
        waitpid(m_server, nullptr, 0);
    }
    if (m_hadDisplay) {
        setenv("DISPLAY", m_savedDisplay.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}
