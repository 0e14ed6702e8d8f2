#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MacText.h"

// A private Ethernet segment for tests and benchmarks: one veth pair whose
// tool end lives in this process's own network namespace and whose device end
// lives in a second namespace held by a child process. Neither namespace has a
// name in /run/netns, so both vanish with the processes that hold them; the
// machine's real interfaces are never seen.
//
// Linking this library moves the process into a fresh network and mount
// namespace before main runs (while no thread exists yet), and mounts a sysfs
// of its own there, so /sys/class/net lists only the interfaces the process
// created. Without root that step fails and every VirtualSegment refuses to
// start with a message saying so.
namespace kestrune::netns {

// Whether the process runs as root.
bool IsRoot();
// Whether the process got its private namespaces; otherwise why not.
bool InPrivateNetwork(std::string* why = nullptr);
// Enters the private namespaces now if that has not happened yet (it normally
// happens before main). Must run before any thread is started.
bool EnterPrivateNetwork();
// The message shown when the segment tests are run without root.
std::string RootRequiredMessage();

// $KESTRUNE_BUILD_DIR/bin/kestrune-devsim, or beside this executable's
// build tree when the variable is not set.
std::string DevsimPath();

// A child process with its standard output (and error) read line by line.
// The destructor stops it.
class ChildProcess {
public:
    ChildProcess(pid_t pid, int outputFd);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    // Waits until an output line starts with prefix (lines seen earlier count
    // too, from index `from` on). Returns the line, or "" on timeout or when
    // the process ended without printing it.
    std::string WaitForLine(const std::string& prefix, std::chrono::milliseconds timeout,
                            size_t from = 0);
    // Every line printed so far, without the newline.
    std::vector<std::string> Lines() const;
    // Whether the process still runs (not yet reaped).
    bool Running();
    // Sends SIGTERM, waits up to grace for the end (then SIGKILL), and returns
    // the exit code, or 128 + signal number when a signal ended it. Repeated
    // calls return the same code.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
    // Waits for the process to end by itself; the exit code as for Stop, or
    // -1 on timeout.
    int Wait(std::chrono::milliseconds timeout);

private:
    void ReadOutput();
    bool Reap(bool block);

    pid_t m_pid;
    int m_outputFd;
    bool m_reaped = false;
    int m_exitCode = -1;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    bool m_outputEnded = false;
    std::thread m_reader;
};

// Child processes (the namespace holder, device-side programs) are bound to
// the thread that started them: they are killed when that thread ends, so
// that nothing outlives a crashed test. Build segments and start programs on
// a thread that outlives them (normally the test's main thread).
class VirtualSegment {
public:
    // Builds the segment; throws std::runtime_error with a clear message when
    // that is impossible (no root, no `ip`, ...). The MTU of both ends is
    // large enough for 9000-byte frames.
    VirtualSegment();
    ~VirtualSegment();
    VirtualSegment(const VirtualSegment&) = delete;
    VirtualSegment& operator=(const VirtualSegment&) = delete;

    const std::string& ToolInterface() const { return m_toolIf; }
    const std::string& DeviceInterface() const { return m_deviceIf; }
    const MacAddress& ToolMac() const { return m_toolMac; }
    std::string ToolMacText() const { return MacText(m_toolMac.data()); }
    const MacAddress& DeviceEndMac() const { return m_deviceMac; }
    // The process holding the device namespace.
    pid_t DeviceNamespaceHolder() const { return m_holder; }

    // Starts a program inside the device namespace; argv[0] is a path.
    std::unique_ptr<ChildProcess> StartOnDeviceSide(const std::vector<std::string>& argv) const;
    // Runs a program inside the device namespace and returns its exit code.
    int RunOnDeviceSide(const std::vector<std::string>& argv) const;
    // Starts kestrune-devsim on the device end: "--interface <device end>"
    // followed by args.
    std::unique_ptr<ChildProcess> StartDevsim(const std::vector<std::string>& args) const;
    // The same, and waits for its READY line; throws std::runtime_error with
    // the simulator's output when it does not come.
    std::unique_ptr<ChildProcess> StartDevsimReady(
        const std::vector<std::string>& args,
        std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Runs fn on a thread that lives in the device namespace, so sockets and
    // captures it opens belong to the device side; they stay there after fn
    // returns.
    void RunInDeviceNetwork(const std::function<void()>& fn) const;

private:
    pid_t m_holder = -1;
    int m_netFd = -1;
    int m_mntFd = -1;
    std::string m_toolIf, m_deviceIf;
    MacAddress m_toolMac{};
    MacAddress m_deviceMac{};
};

// Runs a program in this process's namespaces and returns its exit code.
int RunCommand(const std::vector<std::string>& argv);

}  // namespace kestrune::netns
