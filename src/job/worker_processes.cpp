#include "job/worker_processes.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace zer2ivi::job {

namespace {

std::vector<char*> Argument_Vector(const std::vector<std::string>& arguments) {
    std::vector<char*> vector;
    for (const std::string& argument : arguments) vector.push_back(const_cast<char*>(argument.c_str()));
    vector.push_back(nullptr);
    return vector;
}

}  // namespace

#ifdef _WIN32

std::string Own_Program_Path() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

bool WorkerPool::Parallel() { return false; }

std::optional<std::string> WorkerPool::start(size_t job, const std::string& program,
                                             const std::vector<std::string>& arguments,
                                             const std::string& outputPath,
                                             const std::string& errorPath) {
    // The worker inherits standard output and error: point them at the
    // files for the time of the run.
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = _dup(1);
    const int savedErr = _dup(2);
    const int out = _open(outputPath.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0666);
    const int err = _open(errorPath.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0666);
    std::optional<std::string> error;
    intptr_t status = -1;
    if (savedOut < 0 || savedErr < 0 || out < 0 || err < 0) {
        error = std::string("cannot redirect a worker's output: ") + std::strerror(errno);
    } else {
        _dup2(out, 1);
        _dup2(err, 2);
        // _spawnv hands the arguments to the command line unquoted.
        std::vector<std::string> quoted;
        for (const std::string& argument : arguments) quoted.push_back("\"" + argument + "\"");
        std::vector<char*> vector = Argument_Vector(quoted);
        status = _spawnv(_P_WAIT, program.c_str(), vector.data());
        if (status < 0) error = program + ": " + std::strerror(errno);
        _dup2(savedOut, 1);
        _dup2(savedErr, 2);
    }
    for (int descriptor : {out, err, savedOut, savedErr})
        if (descriptor >= 0) _close(descriptor);
    if (error) return error;
    finished_.push_back({job, static_cast<int>(status)});
    return std::nullopt;
}

std::optional<FinishedWorker> WorkerPool::wait() {
    if (finished_.empty()) return std::nullopt;
    const FinishedWorker worker = finished_.front();
    finished_.erase(finished_.begin());
    return worker;
}

#else

std::string Own_Program_Path() {
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

bool WorkerPool::Parallel() { return true; }

std::optional<std::string> WorkerPool::start(size_t job, const std::string& program,
                                             const std::vector<std::string>& arguments,
                                             const std::string& outputPath,
                                             const std::string& errorPath) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return std::string("cannot start a worker");
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0666);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0666);
    std::vector<char*> vector = Argument_Vector(arguments);
    pid_t pid = 0;
    const int status = posix_spawn(&pid, program.c_str(), &actions, nullptr, vector.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) return program + ": " + std::strerror(status);
    running_.push_back({pid, job});
    return std::nullopt;
}

std::optional<FinishedWorker> WorkerPool::wait() {
    while (!running_.empty()) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            // No child left to wait for (it cannot be): give the first one up.
            const FinishedWorker lost{running_.front().job, 1};
            running_.erase(running_.begin());
            return lost;
        }
        for (size_t i = 0; i < running_.size(); ++i) {
            if (running_[i].id != pid) continue;
            FinishedWorker worker{running_[i].job, 0};
            worker.exitCode = WIFEXITED(status) ? WEXITSTATUS(status)
                              : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                                    : 1;
            running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
            return worker;
        }
    }
    return std::nullopt;
}

#endif

}  // namespace zer2ivi::job
