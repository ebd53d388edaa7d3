#include "engine/app/DebugConsole.h"

#include "engine/core/DebugSystem.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"

#include <algorithm>

namespace {
constexpr int kPageLines = 10;
}

DebugConsole::DebugConsole()
{
    if (DebugSystem* debug = DebugSystem::instance()) {
        debug->setConsoleDrawer([this] { draw(); });
    }
}

DebugConsole::~DebugConsole()
{
    if (DebugSystem* debug = DebugSystem::instance()) {
        debug->setConsoleDrawer(nullptr);
    }
}

void DebugConsole::start(bool readStdin, int fd)
{
    m_stdin = readStdin ? std::make_unique<StdinLineSource>(fd) : nullptr;
}

void DebugConsole::open()
{
    if (m_open) {
        return;
    }
    m_open = true;
    m_scroll = 0;
    if (m_keyHookSetter) {
        m_keyHookSetter(true);
    }
}

void DebugConsole::close()
{
    if (!m_open) {
        return;
    }
    m_open = false;
    m_input.clear();
    m_inputCut = false;
    m_historyPos = -1;
    if (m_keyHookSetter) {
        m_keyHookSetter(false);
    }
}

void DebugConsole::toggle()
{
    m_open ? close() : open();
}

void DebugConsole::recallHistory(int step)
{
    if (m_history.empty()) {
        return;
    }
    int last = static_cast<int>(m_history.size()) - 1;
    if (step < 0) {
        // Older: from the typed line to the newest entry, then down to the oldest.
        m_historyPos = m_historyPos < 0 ? last : std::max(0, m_historyPos - 1);
    } else if (m_historyPos >= 0) {
        // Newer: past the newest entry comes an empty line again.
        m_historyPos = m_historyPos < last ? m_historyPos + 1 : -1;
    }
    m_input = m_historyPos >= 0 ? m_history[m_historyPos] : std::string();
    m_inputCut = false;
}

bool DebugConsole::handleKey(int code, bool down, bool repeat)
{
    if (!m_open) {
        if (code == kToggleKey && down && !repeat) {
            open();
            return true;
        }
        return false;
    }
    if (!down) {
        return true;
    }
    switch (code) {
    case kToggleKey:
        if (!repeat) {
            close();
        }
        return true;
    case DIK_RETURN:
    case DIK_NUMPADENTER: {
        std::string line = m_input;
        m_input.clear();
        m_inputCut = false;
        m_historyPos = -1;
        submit(line);
        return true;
    }
    case DIK_BACK:
        if (!m_input.empty()) {
            m_input.pop_back();
        }
        m_inputCut = false;
        return true;
    case DIK_UP:
        recallHistory(-1);
        return true;
    case DIK_DOWN:
        recallHistory(+1);
        return true;
    case DIK_PRIOR: {
        int lines = DebugSystem::instance() ? static_cast<int>(DebugSystem::get().recentLines().size()) : 0;
        m_scroll = std::min(m_scroll + kPageLines, std::max(0, lines - 1));
        return true;
    }
    case DIK_NEXT:
        m_scroll = std::max(0, m_scroll - kPageLines);
        return true;
    default:
        break;
    }
    int c = Input::instance() ? Input::get().scanCodeToChar(code) : Input::scanCodeToChar(code, false);
    if (c >= ' ' && c < 0x7F) {
        if (m_input.size() < StdinLineSource::kMaxLineLength) {
            m_input.push_back(static_cast<char>(c));
        } else if (!m_inputCut) {
            m_inputCut = true;
            debugPrint(2, "Console line longer than %zu characters: the rest is cut\n",
                       StdinLineSource::kMaxLineLength);
        }
    }
    return true;
}

bool DebugConsole::handleMouseButton(int button, bool down, int x)
{
    if (!m_open || !m_mouseHook) {
        return false;
    }
    return m_mouseHook(button, down, x);
}

void DebugConsole::submit(const std::string& line)
{
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return;
    }
    debugPrintRaw("] %s\n", line.c_str());
    if (m_history.empty() || m_history.back() != line) {
        m_history.push_back(line);
        if (m_history.size() > kMaxHistory) {
            m_history.erase(m_history.begin());
        }
    }
    m_scroll = 0;
    if (m_runner) {
        m_runner(line);
    }
}

void DebugConsole::update()
{
    if (!m_stdin) {
        return;
    }
    if (m_stdin->isClosed()) {
        return;
    }
    std::vector<std::string> lines;
    m_stdin->poll(lines);
    for (const auto& line : lines) {
        submit(line);
    }
    // Input that ended with a quit line ends the program: it does not run on.
    if (m_stdin->isClosed() && (!m_runningCheck || m_runningCheck())) {
        debugPrintRaw("Standard input ended: running on as a server until quit or a signal (SIGINT, SIGTERM, "
                      "SIGHUP)\n");
    }
}

void DebugConsole::draw() const
{
    if (m_open && m_drawHook) {
        m_drawHook(*this);
    }
}
