#include "support/private_display.h"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

PrivateDisplay::PrivateDisplay()
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return;
    server = fork();
    if (server == 0) {
        close(pipe_fds[0]);
        std::string fd = std::to_string(pipe_fds[1]);
        int null_fd = open("/dev/null", O_WRONLY);
        if (null_fd >= 0) {
            dup2(null_fd, 1);
            dup2(null_fd, 2);
        }
        // -noreset: the server would otherwise reset whenever its last client leaves (each
        // xdotool call), and a program connecting during that reset cannot open the display.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string number;
    struct pollfd wait_for = {pipe_fds[0], POLLIN, 0};
    char c;
    while (poll(&wait_for, 1, 20000) > 0 && read(pipe_fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipe_fds[0]);
    if (number.empty()) return;
    name = ":" + number;
    const char* old = std::getenv("DISPLAY");
    had_previous = old != nullptr;
    if (had_previous) previous = old;
    setenv("DISPLAY", name.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay()
{
    if (server > 0) {
        kill(server, SIGTERM);
        int status;
        waitpid(server, &status, 0);
    }
    if (had_previous) setenv("DISPLAY", previous.c_str(), 1);
    else unsetenv("DISPLAY");
}
