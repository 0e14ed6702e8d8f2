#pragma once

#include <string>

// A named lock that at most one process holds. It is an flock on a file in
// the user's runtime folder, so the kernel releases it when the holder dies,
// however it dies.
namespace kestrune {

inline constexpr const char* kInstanceLockName = "Orvik_Kestrune";

class SingleInstanceLock {
public:
    // The lock file lives in folder, or, when folder is empty, in
    // $XDG_RUNTIME_DIR (falling back to /tmp with the user id in the name).
    explicit SingleInstanceLock(const std::string& name = kInstanceLockName,
                                const std::string& folder = {});
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock without waiting. False when another holder has it (or
    // the lock file cannot be opened, which start-up treats the same way).
    bool TryAcquire();
    bool IsHeld() const { return m_fd >= 0; }
    void Release();

    const std::string& FilePath() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

}  // namespace kestrune
