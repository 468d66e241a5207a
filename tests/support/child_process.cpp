#include "support/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

// Pipes are made close-on-exec so that programs that other threads start meanwhile (xdotool,
// xprop) never hold a child's output open; dup2 gives the child inheritable copies.

// Reads both pipes until they close, killing the child once the deadline passes.
void collect(pid_t pid, int out_fd, int err_fd, int timeout_seconds, ChildResult& result)
{
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    bool out_open = true, err_open = true, killed = false;
    char buffer[65536];
    while (out_open || err_open) {
        struct pollfd fds[2];
        int count = 0;
        if (out_open) fds[count++] = {out_fd, POLLIN, 0};
        if (err_open) fds[count++] = {err_fd, POLLIN, 0};
        int ready = poll(fds, count, 200);
        if (ready < 0 && errno != EINTR) break;
        for (int i = 0; i < count && ready > 0; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            std::string& target = fds[i].fd == out_fd ? result.out : result.err;
            if (got > 0) {
                target.append(buffer, static_cast<size_t>(got));
            } else {
                if (fds[i].fd == out_fd) out_open = false;
                else err_open = false;
            }
        }
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (!killed && timeout_seconds > 0 && now.tv_sec - start.tv_sec > timeout_seconds) {
            kill(pid, SIGKILL);
            killed = true;
        }
    }
    close(out_fd);
    close(err_fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

// Forks a child whose standard output and error go to pipes, runs the child part in it (which
// must not return) and collects what it printed and how it ended.
ChildResult fork_and_collect(const std::function<void()>& in_child, int timeout_seconds)
{
    ChildResult result;
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return result;
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(err_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[1]);
        in_child();
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    collect(pid, out_pipe[0], err_pipe[0], timeout_seconds, result);
    return result;
}

} // namespace

ChildResult run_in_child(const std::function<void()>& body)
{
    return fork_and_collect(
        [&body] {
            body();
            std::fflush(stdout);
            std::fflush(stderr);
            _exit(0);
        },
        120);
}

ChildResult run_program(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment,
                        const std::string& working_directory, int timeout_seconds)
{
    if (argv.empty()) return ChildResult();
    return fork_and_collect(
        [&] {
            if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(127);
            for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
            std::vector<char*> args;
            for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
        },
        timeout_seconds);
}
