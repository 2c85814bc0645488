// Worker processes of the tool itself, for commands that run many
// conversions: the library serves one call at a time per process.  Each
// worker's standard output and error go to files.
//
// POSIX: posix_spawn, up to the requested number at once.  Windows: the
// workers run one after the other (_spawnv with P_WAIT).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zer2ivi::job {

// The path of the running program; empty when it cannot be found.
std::string Own_Program_Path();

struct FinishedWorker {
    size_t job = 0;
    int exitCode = 0;  // 128 + signal number when a signal ended it
};

class WorkerPool {
public:
    WorkerPool() = default;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Starts program with arguments (arguments[0] is its name), standard
    // output and error into the files given.  The error text when it could
    // not be started.
    std::optional<std::string> start(size_t job, const std::string& program,
                                     const std::vector<std::string>& arguments,
                                     const std::string& outputPath, const std::string& errorPath);
    // Waits for a worker to end; nothing when none is running.
    std::optional<FinishedWorker> wait();
    size_t running() const { return running_.size() + finished_.size(); }
    // Whether workers can run side by side here.
    static bool Parallel();

private:
    struct Running {
        long long id;
        size_t job;
    };
    std::vector<Running> running_;
    std::vector<FinishedWorker> finished_;  // ended already (run in start())
};

}  // namespace zer2ivi::job
