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

// A child that runs, with the parent's ends of its output pipes and the time it was started.
struct StartedChild {
    pid_t pid = -1;
    int out_fd = -1;
    int err_fd = -1;
    struct timespec start = {0, 0};
    int start_error = 0; // errno of the pipe or fork that failed
};

// Reads both pipes until they close, killing the child once the deadline, counted from its
// start, passes.
void collect(const StartedChild& child, int timeout_seconds, ChildResult& result)
{
    const pid_t pid = child.pid;
    const int out_fd = child.out_fd, err_fd = child.err_fd;
    const struct timespec start = child.start;
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

// Forks a child whose standard output and error go to pipes and runs the child part in it
// (which must not return). A failed fork leaves the pid negative.
StartedChild start_child(const std::function<void()>& in_child)
{
    StartedChild child;
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        child.start_error = errno;
        return child;
    }
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        child.start_error = errno;
        close(out_pipe[0]);
        close(out_pipe[1]);
        return child;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    clock_gettime(CLOCK_MONOTONIC, &child.start);
    child.pid = fork();
    if (child.pid < 0) child.start_error = errno;
    if (child.pid == 0) {
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
    if (child.pid < 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return child;
    }
    child.out_fd = out_pipe[0];
    child.err_fd = err_pipe[0];
    return child;
}

// What a started child printed and how it ended; a child that could not be started reports
// that on its standard error, with neither an exit code nor a signal.
ChildResult finish_child(const StartedChild& child, int timeout_seconds)
{
    ChildResult result;
    if (child.pid < 0) {
        result.err = std::string("could not start the child process: ") + std::strerror(child.start_error);
        return result;
    }
    collect(child, timeout_seconds, result);
    return result;
}

const int CHILD_TIMEOUT_SECONDS = 120;

// The body of a child made by run_in_child: returning from it exits with code 0.
std::function<void()> exiting_after(const std::function<void()>& body)
{
    return [&body] {
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0);
    };
}

} // namespace

ChildResult run_in_child(const std::function<void()>& body)
{
    return finish_child(start_child(exiting_after(body)), CHILD_TIMEOUT_SECONDS);
}

std::vector<ChildResult> run_in_children(const std::vector<std::function<void()>>& bodies)
{
    std::vector<StartedChild> children;
    for (const std::function<void()>& body : bodies) children.push_back(start_child(exiting_after(body)));
    std::vector<ChildResult> results;
    for (const StartedChild& child : children) results.push_back(finish_child(child, CHILD_TIMEOUT_SECONDS));
    return results;
}

ChildResult run_program(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment,
                        const std::string& working_directory, int timeout_seconds)
{
    if (argv.empty()) return ChildResult();
    return finish_child(start_child([&] {
                            if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(127);
                            for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
                            std::vector<char*> args;
                            for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
                            args.push_back(nullptr);
                            execvp(args[0], args.data());
                        }),
                        timeout_seconds);
}
