#pragma once
// A program started by a test without waiting for it, and ended by a signal: for the command line's behaviour on
// Ctrl+C and SIGTERM.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testsupport {

// Polls until done() or the time is up; whether done() became true.
template <typename F>
bool WaitUntil(F&& done, double seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Starts arguments[0] with the arguments, standard input from /dev/null and standard output and error into the files
// named (made empty first; an empty name leaves that stream as the test's). -1 when it cannot be started.
inline pid_t SpawnProgram(std::vector<std::string> arguments, const std::string& out, const std::string& err) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!out.empty()) posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!err.empty()) posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

struct SignalledEnd {
    bool ended = false;  // by itself within the time; otherwise it was killed
    int raw = 0;         // the wait status
    std::chrono::duration<double> took{};
};

// Sends the signal and waits up to the given seconds for the program to end; kills it when it does not.
inline SignalledEnd SignalAndWait(pid_t pid, int signal, double seconds = 10) {
    SignalledEnd result;
    const auto sent = std::chrono::steady_clock::now();
    ::kill(pid, signal);
    result.ended = WaitUntil([&] { return ::waitpid(pid, &result.raw, WNOHANG) == pid; }, seconds);
    if (!result.ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &result.raw, 0);
    }
    result.took = std::chrono::steady_clock::now() - sent;
    return result;
}

}  // namespace testsupport
