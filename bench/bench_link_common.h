#pragma once

#include <arpa/inet.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "ProgramFolder.h"
#include "TransmitFrame.h"

// Pieces the link benchmarks share: a plain AF_PACKET socket, an echo
// responder that acknowledges every block it gets, and process figures.
namespace kestrune::bench {

// A raw socket for EtherType 0x6262 bound to one interface of the namespace
// the calling thread is in; -1 on failure.
inline int OpenPacketSocket(const std::string& interface)
{
    const int fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(kEtherType));
    if (fd < 0)
        return -1;
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(kEtherType);
    address.sll_ifindex = static_cast<int>(if_nametoindex(interface.c_str()));
    if (address.sll_ifindex == 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    const int ignore = 1;
    setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &ignore, sizeof ignore);
    return fd;
}

// Answers every frame with its acknowledgement (addresses swapped, op 4,
// type and seq kept) until stopped.
class EchoResponder {
public:
    explicit EchoResponder(int fd) : m_fd(fd), m_thread([this] { Run(); }) {}
    ~EchoResponder()
    {
        m_stop = true;
        m_thread.join();
        close(m_fd);
    }

private:
    void Run()
    {
        transmit_frame_stu frame;
        while (!m_stop) {
            pollfd ready{m_fd, POLLIN, 0};
            if (poll(&ready, 1, 50) <= 0)
                continue;
            const ssize_t got = recv(m_fd, &frame, sizeof frame, MSG_DONTWAIT);
            if (got < 20)
                continue;
            uint8_t mac[6];
            std::memcpy(mac, frame.dstMac, 6);
            std::memcpy(frame.dstMac, frame.srcMac, 6);
            std::memcpy(frame.srcMac, mac, 6);
            frame.op = htons(OpAck);
            send(m_fd, &frame, static_cast<size_t>(got), 0);
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

inline double ProcessCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
inline long StatusKib(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

// Starts the peak RSS afresh.
inline void ResetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A fresh program folder in /tmp for the run's database and logs.
inline std::string UseTemporaryProgramFolder()
{
    char folder[] = "/tmp/kestrune-bench-XXXXXX";
    if (!mkdtemp(folder))
        return {};
    const std::string path = std::string(folder) + "/";
    OverrideProgramFolder(path);
    return path;
}

inline void WriteFile(const std::string& path, size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace kestrune::bench
