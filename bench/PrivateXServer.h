// An Xvfb of the benchmark's own, and the clock the window program reports
// its frames by.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

// CLOCK_MONOTONIC, the clock of KUVORA_FIRST_FRAME_REPORT, in nanoseconds.
inline long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// An Xvfb of our own on a display number it picks; stopped by PID.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_Pid = fork();
        if (m_Pid == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[32] = {};
        std::size_t got = 0;
        while (m_Pid > 0 && got < sizeof buffer - 1) {
            const ssize_t n = read(fds[0], buffer + got, sizeof buffer - 1 - got);
            if (n <= 0 || std::memchr(buffer, '\n', got + n)) {
                if (n > 0) got += n;
                break;
            }
            got += n;
        }
        close(fds[0]);
        if (got > 0) m_Display = ":" + std::to_string(std::atoi(buffer));
    }
    ~PrivateXServer() {
        if (m_Pid <= 0) return;
        kill(m_Pid, SIGTERM);
        waitpid(m_Pid, nullptr, 0);
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    const std::string& Display() const { return m_Display; }

private:
    pid_t m_Pid = -1;
    std::string m_Display;
};
