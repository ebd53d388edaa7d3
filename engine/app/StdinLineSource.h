#pragma once

#include <string>
#include <vector>

// Reads whole lines from a file descriptor (standard input by default)
// without blocking: each call takes what has arrived. A line ends at "\n"
// ("\r\n" too); the last line needs no end when the input closes. Lines over
// kMaxLineLength bytes are cut, with a warning naming the line.
class StdinLineSource {
public:
    static constexpr size_t kMaxLineLength = 4096;

    explicit StdinLineSource(int fd = 0) : m_fd(fd) {}

    // Appends the complete lines available now.
    void poll(std::vector<std::string>& lines);
    bool isClosed() const { return m_closed; }

private:
    void finishLine(std::vector<std::string>& lines);

    int m_fd;
    std::string m_partial;
    bool m_overlong = false;
    bool m_closed = false;
    int m_lineNumber = 0;
};
