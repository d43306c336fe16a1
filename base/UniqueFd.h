#pragma once
// The one owner of a file descriptor: closed on destruction, moved never copied.
#include <unistd.h>
#include <utility>

namespace brisvander {

class UniqueFd {
public:
    UniqueFd() = default;
    // Takes `fd`; a negative one means none.
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // The descriptor, still owned here; -1 when none.
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Closes the descriptor, if any; afterwards none is held.
    void Reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

} // namespace brisvander
