#include "engine/app/StdinLineSource.h"

#include "engine/core/DebugSystem.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

void StdinLineSource::finishLine(std::vector<std::string>& lines)
{
    ++m_lineNumber;
    if (!m_partial.empty() && m_partial.back() == '\r') {
        m_partial.pop_back();
    }
    if (m_overlong) {
        debugPrint(2, "stdin:%d: line longer than %zu bytes, cut\n", m_lineNumber, kMaxLineLength);
    }
    lines.push_back(std::move(m_partial));
    m_partial.clear();
    m_overlong = false;
}

void StdinLineSource::poll(std::vector<std::string>& lines)
{
    // A bounded amount per call, so that a flood of input cannot hold up the
    // frame.
    for (int reads = 0; reads < 16 && !m_closed; ++reads) {
        pollfd pfd{m_fd, POLLIN, 0};
        int ready = ::poll(&pfd, 1, 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return;
        }
        if (pfd.revents & POLLNVAL) {
            m_closed = true;
            return;
        }
        char buffer[4096];
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (n <= 0) {
            m_closed = true;
            if (!m_partial.empty() || m_overlong) {
                finishLine(lines);
            }
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                finishLine(lines);
            } else if (m_partial.size() < kMaxLineLength) {
                m_partial.push_back(buffer[i]);
            } else {
                m_overlong = true;
            }
        }
    }
}
