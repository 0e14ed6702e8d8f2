#include "VirtualSegment.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>

namespace kestrune::netns {

namespace {

struct PrivateState {
    bool entered = false;
    bool tried = false;
    std::string why;
};

PrivateState& State()
{
    static PrivateState state;
    return state;
}

void WriteSmallFile(const char* path, const char* text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t n = ::write(fd, text, std::strlen(text));
    ::close(fd);
}

// A sysfs of our own, so /sys/class/net lists the interfaces of the namespace
// we are in rather than the machine's.
bool RemountSysfs()
{
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    ::umount2("/sys", MNT_DETACH);
    return ::mount("sysfs", "/sys", "sysfs", 0, nullptr) == 0;
}

bool SetInterfaceUp(const char* name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        request.ifr_flags |= IFF_UP;
        ok = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    ::close(fd);
    return ok;
}

// Whether the interface is up with carrier, as seen from the calling thread's
// namespace. The kernel sets this only once the link is usable for sending.
bool InterfaceRunning(const std::string& name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    const bool running =
        ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING) != 0;
    ::close(fd);
    return running;
}

bool InterfaceMac(const std::string& name, MacAddress& mac)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    const bool ok = ::ioctl(fd, SIOCGIFHWADDR, &request) == 0;
    if (ok)
        std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, 6);
    ::close(fd);
    return ok;
}

std::string FindIp()
{
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (::access(path, X_OK) == 0)
            return path;
    }
    return {};
}

std::string ErrnoText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

void CloseFromExcept(int keep)
{
    // Children that never exec must not hold other pipes of the parent open.
    if (keep > 3)
        ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u);
    ::syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u);
}

// Forks and execs argv[0] after joining the given namespaces. Only
// async-signal-safe calls happen between fork and exec, since the parent may
// have threads. The child dies with the thread that started it.
pid_t Spawn(const std::vector<std::string>& argv, int netFd, int mntFd, int* outputFd)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        std::strcpy(cwd, "/");
    int pipeFds[2] = {-1, -1};
    if (outputFd && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (outputFd) {
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        }
        return -1;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (netFd >= 0 && ::setns(netFd, CLONE_NEWNET) != 0)
            ::_exit(126);
        if (mntFd >= 0 && ::setns(mntFd, CLONE_NEWNS) != 0)
            ::_exit(126);
        if (::chdir(cwd) != 0)
            ::_exit(126);
        if (outputFd) {
            ::dup2(pipeFds[1], 1);
            ::dup2(pipeFds[1], 2);
        }
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (outputFd) {
        ::close(pipeFds[1]);
        *outputFd = pipeFds[0];
    }
    return pid;
}

int ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return ExitCodeOf(status);
}

std::string JoinArgs(const std::vector<std::string>& argv)
{
    std::string text;
    for (const std::string& arg : argv)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

std::string UniqueStem()
{
    static std::atomic<unsigned> counter{0};
    char stem[16];
    std::snprintf(stem, sizeof stem, "ks%x%02x", static_cast<unsigned>(::getpid()) & 0xffffffu,
                  counter.fetch_add(1) & 0xffu);
    return stem;
}

// Enter the private namespaces while the process is still single-threaded.
struct EnterAtLoad {
    EnterAtLoad() { EnterPrivateNetwork(); }
} enterAtLoad;

}  // namespace

bool IsRoot()
{
    return ::geteuid() == 0;
}

bool EnterPrivateNetwork()
{
    PrivateState& state = State();
    if (state.tried)
        return state.entered;
    state.tried = true;
    if (!IsRoot()) {
        state.why = "the process does not run as root";
        return false;
    }
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        state.why = ErrnoText("unshare of the network and mount namespaces failed");
        return false;
    }
    state.entered = true;
    if (!RemountSysfs())
        state.why = ErrnoText("sysfs could not be mounted in the private namespace");
    SetInterfaceUp("lo");
    WriteSmallFile("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
    WriteSmallFile("/proc/sys/net/ipv6/conf/all/disable_ipv6", "1");
    return true;
}

bool InPrivateNetwork(std::string* why)
{
    const PrivateState& state = State();
    if (why)
        *why = state.why;
    return state.entered;
}

std::string RootRequiredMessage()
{
    std::string why;
    InPrivateNetwork(&why);
    return "these tests need root: they build private network namespaces joined by a veth pair"
           " (run as root, as CI does)" +
           (why.empty() ? std::string() : " [" + why + "]");
}

std::string DevsimPath()
{
    if (const char* build = std::getenv("KESTRUNE_BUILD_DIR"); build && *build)
        return std::string(build) + "/bin/kestrune-devsim";
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return (exe.parent_path().parent_path() / "bin" / "kestrune-devsim").string();
}

int RunCommand(const std::vector<std::string>& argv)
{
    const pid_t pid = Spawn(argv, -1, -1, nullptr);
    return pid < 0 ? -1 : WaitFor(pid);
}

// ---------------------------------------------------------------- ChildProcess

ChildProcess::ChildProcess(pid_t pid, int outputFd) : m_pid(pid), m_outputFd(outputFd)
{
    m_reader = std::thread([this] { ReadOutput(); });
}

ChildProcess::~ChildProcess()
{
    Stop(std::chrono::seconds(2));
    if (m_reader.joinable())
        m_reader.join();
    if (m_outputFd >= 0)
        ::close(m_outputFd);
}

void ChildProcess::ReadOutput()
{
    std::string partial;
    char buffer[65536];
    for (;;) {
        pollfd entry{m_outputFd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 100);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0) {
            // The pipe stays open while the process lives; once it is reaped
            // and nothing is left to read, stop.
            std::lock_guard lock(m_mutex);
            if (m_reaped)
                break;
            continue;
        }
        const ssize_t n = ::read(m_outputFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        partial.append(buffer, static_cast<size_t>(n));
        std::vector<std::string> complete;
        size_t start = 0;
        for (size_t end; (end = partial.find('\n', start)) != std::string::npos; start = end + 1)
            complete.push_back(partial.substr(start, end - start));
        partial.erase(0, start);
        if (!complete.empty()) {
            std::lock_guard lock(m_mutex);
            for (std::string& line : complete)
                m_lines.push_back(std::move(line));
            m_changed.notify_all();
        }
    }
    std::lock_guard lock(m_mutex);
    if (!partial.empty())
        m_lines.push_back(partial);
    m_outputEnded = true;
    m_changed.notify_all();
}

std::string ChildProcess::WaitForLine(const std::string& prefix, std::chrono::milliseconds timeout,
                                      size_t from)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    size_t next = from;
    for (;;) {
        for (; next < m_lines.size(); ++next) {
            if (m_lines[next].compare(0, prefix.size(), prefix) == 0)
                return m_lines[next];
        }
        if (m_outputEnded)
            return {};
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout &&
            next >= m_lines.size())
            return {};
    }
}

std::vector<std::string> ChildProcess::Lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool ChildProcess::Reap(bool block)
{
    std::lock_guard lock(m_mutex);
    if (m_reaped)
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    m_reaped = true;
    m_exitCode = result == m_pid ? ExitCodeOf(status) : -1;
    m_changed.notify_all();
    return true;
}

bool ChildProcess::Running()
{
    return !Reap(false);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return m_exitCode;
}

int ChildProcess::Stop(std::chrono::milliseconds grace)
{
    if (Reap(false))
        return m_exitCode;
    ::kill(m_pid, SIGTERM);
    Wait(grace);
    if (!Running())
        return m_exitCode;
    ::kill(m_pid, SIGKILL);
    Reap(true);
    return m_exitCode;
}

// -------------------------------------------------------------- VirtualSegment

VirtualSegment::VirtualSegment()
{
    if (!IsRoot() || !InPrivateNetwork())
        throw std::runtime_error(RootRequiredMessage());
    const std::string ip = FindIp();
    if (ip.empty())
        throw std::runtime_error("the `ip` program (iproute2) is needed for the virtual segment");

    // The holder: a child that sits in a namespace of its own until we kill
    // it, or until our thread ends, whatever happens to us.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error(ErrnoText("pipe"));
    const pid_t parent = ::getpid();
    m_holder = ::fork();
    if (m_holder < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        throw std::runtime_error(ErrnoText("fork"));
    }
    if (m_holder == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        CloseFromExcept(ready[1]);
        if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
            ::_exit(1);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
            ::umount2("/sys", MNT_DETACH);
            ::mount("sysfs", "/sys", "sysfs", 0, nullptr);
        }
        WriteSmallFile("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
        WriteSmallFile("/proc/sys/net/ipv6/conf/all/disable_ipv6", "1");
        [[maybe_unused]] const ssize_t n = ::write(ready[1], "k", 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ssize_t got;
    do {
        got = ::read(ready[0], &byte, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);

    auto fail = [this](const std::string& message) {
        if (m_netFd >= 0)
            ::close(m_netFd);
        if (m_mntFd >= 0)
            ::close(m_mntFd);
        if (!m_toolIf.empty())
            RunCommand({FindIp(), "link", "del", m_toolIf});
        ::kill(m_holder, SIGKILL);
        WaitFor(m_holder);
        throw std::runtime_error(message);
    };
    if (got != 1)
        fail("the device namespace could not be created");
    const std::string nsDir = "/proc/" + std::to_string(m_holder) + "/ns/";
    m_netFd = ::open((nsDir + "net").c_str(), O_RDONLY | O_CLOEXEC);
    m_mntFd = ::open((nsDir + "mnt").c_str(), O_RDONLY | O_CLOEXEC);
    if (m_netFd < 0 || m_mntFd < 0)
        fail(ErrnoText("opening the device namespace"));

    const std::string stem = UniqueStem();
    const std::string toolIf = stem + "t";
    m_deviceIf = stem + "d";
    // 9216 bytes of MTU so that oversized junk frames of up to 9000 bytes pass.
    if (RunCommand({ip, "link", "add", toolIf, "mtu", "9216", "type", "veth", "peer", "name",
                    m_deviceIf, "mtu", "9216"}) != 0)
        fail("ip link add " + toolIf + " failed");
    m_toolIf = toolIf;
    WriteSmallFile(("/proc/sys/net/ipv6/conf/" + m_toolIf + "/disable_ipv6").c_str(), "1");
    if (RunCommand({ip, "link", "set", m_deviceIf, "netns", std::to_string(m_holder)}) != 0)
        fail("moving " + m_deviceIf + " into the device namespace failed");
    if (RunCommand({ip, "link", "set", m_toolIf, "up"}) != 0)
        fail("ip link set " + m_toolIf + " up failed");
    if (RunOnDeviceSide({ip, "link", "set", m_deviceIf, "up"}) != 0)
        fail("ip link set " + m_deviceIf + " up failed");

    // Frames sent before the kernel reports the link running may be dropped.
    bool deviceRunning = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        RunInDeviceNetwork([&] { deviceRunning = InterfaceRunning(m_deviceIf); });
        if (deviceRunning && InterfaceRunning(m_toolIf))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!deviceRunning || !InterfaceRunning(m_toolIf))
        fail("the veth pair " + m_toolIf + "/" + m_deviceIf + " did not come up");
    bool deviceMacOk = false;
    RunInDeviceNetwork([&] { deviceMacOk = InterfaceMac(m_deviceIf, m_deviceMac); });
    if (!InterfaceMac(m_toolIf, m_toolMac) || !deviceMacOk)
        fail("reading the MAC addresses of the veth pair failed");
}

VirtualSegment::~VirtualSegment()
{
    // Deleting the tool end takes its peer with it at once; the holder's
    // namespace then goes when the holder does.
    if (!m_toolIf.empty() && ::if_nametoindex(m_toolIf.c_str()) != 0)
        RunCommand({FindIp(), "link", "del", m_toolIf});
    ::close(m_netFd);
    ::close(m_mntFd);
    ::kill(m_holder, SIGKILL);
    WaitFor(m_holder);
}

std::unique_ptr<ChildProcess> VirtualSegment::StartOnDeviceSide(
    const std::vector<std::string>& argv) const
{
    int outputFd = -1;
    const pid_t pid = Spawn(argv, m_netFd, m_mntFd, &outputFd);
    if (pid < 0)
        throw std::runtime_error(ErrnoText("starting " + JoinArgs(argv)));
    return std::make_unique<ChildProcess>(pid, outputFd);
}

int VirtualSegment::RunOnDeviceSide(const std::vector<std::string>& argv) const
{
    const pid_t pid = Spawn(argv, m_netFd, m_mntFd, nullptr);
    return pid < 0 ? -1 : WaitFor(pid);
}

std::unique_ptr<ChildProcess> VirtualSegment::StartDevsim(
    const std::vector<std::string>& args) const
{
    std::vector<std::string> argv{DevsimPath(), "--interface", m_deviceIf};
    argv.insert(argv.end(), args.begin(), args.end());
    return StartOnDeviceSide(argv);
}

std::unique_ptr<ChildProcess> VirtualSegment::StartDevsimReady(
    const std::vector<std::string>& args, std::chrono::milliseconds timeout) const
{
    std::unique_ptr<ChildProcess> devsim = StartDevsim(args);
    if (devsim->WaitForLine("READY", timeout).empty()) {
        devsim->Stop(std::chrono::seconds(1));
        std::string output;
        for (const std::string& line : devsim->Lines())
            output += "\n  " + line;
        throw std::runtime_error("kestrune-devsim (" + DevsimPath() + ") did not get ready:" +
                                 (output.empty() ? std::string(" no output") : output));
    }
    return devsim;
}

void VirtualSegment::RunInDeviceNetwork(const std::function<void()>& fn) const
{
    // Network namespaces are per thread: a thread that joins the device
    // namespace leaves the rest of the process where it is.
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            if (::setns(m_netFd, CLONE_NEWNET) != 0)
                throw std::runtime_error(ErrnoText("joining the device namespace"));
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace kestrune::netns
