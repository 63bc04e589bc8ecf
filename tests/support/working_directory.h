// The process's working directory moved for the length of a scope: the demo
// opens its data through relative paths (data/...), so a test points them at
// a scratch data set by standing in it. The way back is taken at scope end
// even when an ASSERT leaves the test early, so the next case of the same
// process starts where it was started.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

class ScopedWorkingDirectory {
public:
    // Throws std::filesystem::filesystem_error when `dir` cannot be entered.
    explicit ScopedWorkingDirectory(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedWorkingDirectory() { leave(); }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

    // Goes back before the scope ends (to remove the directory, say); the
    // end of the scope then does nothing.
    void leave() {
        if (previous_.empty()) return;
        std::error_code error;  // a destructor must not throw: the failure is reported instead
        std::filesystem::current_path(previous_, error);
        if (error) ADD_FAILURE() << "could not return to " << previous_ << ": " << error.message();
        previous_.clear();
    }

private:
    std::filesystem::path previous_;  // empty once left
};
