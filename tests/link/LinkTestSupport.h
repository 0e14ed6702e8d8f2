#pragma once

#include <arpa/inet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AcTransmitManage.h"
#include "CSqlManagement.h"
#include "ProgramFolder.h"
#include "SegmentTest.h"
#include "TransmitEngine.h"
#include "TransmitFrame.h"
#include "VirtualSegment.h"

namespace kestrune::linktest {

using Clock = std::chrono::steady_clock;

// Polls a condition every few milliseconds until it holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

inline std::string ReadWholeFile(const std::string& path, bool* exists = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (exists)
        *exists = static_cast<bool>(in);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Bytes that differ from block to block, so a swapped or repeated block shows.
inline std::string PatternBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t state = 2166136261u ^ seed;
    for (size_t i = 0; i < size; ++i) {
        state = state * 16777619u + static_cast<uint32_t>(i);
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

inline MacAddress Mac(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t f)
{
    return MacAddress{a, b, c, d, e, f};
}

// A raw socket on the device end of the segment: sends any bytes and keeps
// every frame that arrives from the tool, with its arrival time.
class DeviceTap {
public:
    struct Seen {
        Clock::time_point at;
        transmit_frame_stu frame;
    };

    explicit DeviceTap(const netns::VirtualSegment& segment) : m_toolMac(segment.ToolMac())
    {
        segment.RunInDeviceNetwork([&] {
            m_fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
            if (m_fd < 0)
                return;
            sockaddr_ll address{};
            address.sll_family = AF_PACKET;
            address.sll_protocol = htons(ETH_P_ALL);
            address.sll_ifindex =
                static_cast<int>(if_nametoindex(segment.DeviceInterface().c_str()));
            if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                close(m_fd);
                m_fd = -1;
            }
            const int ignore = 1;
            setsockopt(m_fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &ignore, sizeof ignore);
            // A megabyte delivery passes by while the machine is busy: keep every frame.
            const int buffer = 64 << 20;
            setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);
        });
        if (m_fd >= 0)
            m_reader = std::thread([this] { Read(); });
    }
    ~DeviceTap()
    {
        m_stop = true;
        if (m_reader.joinable())
            m_reader.join();
        if (m_fd >= 0)
            close(m_fd);
    }

    bool Ok() const { return m_fd >= 0; }

    bool Send(const void* bytes, size_t length)
    {
        return send(m_fd, bytes, length, 0) == static_cast<ssize_t>(length);
    }
    bool Send(const transmit_frame_stu& frame) { return Send(&frame, sizeof frame); }

    // Frames from the tool, in arrival order, that pass the test.
    std::vector<Seen> Frames(const std::function<bool(const transmit_frame_stu&)>& keep = {}) const
    {
        std::lock_guard guard(m_lock);
        std::vector<Seen> kept;
        for (const Seen& seen : m_seen)
            if (!keep || keep(seen.frame))
                kept.push_back(seen);
        return kept;
    }

private:
    void Read()
    {
        std::vector<uint8_t> buffer(65536);
        while (!m_stop) {
            pollfd ready{m_fd, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0)
                continue;
            const ssize_t got = recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (got < 14 || std::memcmp(buffer.data() + 6, m_toolMac.data(), 6) != 0)
                continue;
            Seen seen{Clock::now(), {}};
            ReadFrame(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(got)),
                      seen.frame);
            std::lock_guard guard(m_lock);
            m_seen.push_back(seen);
        }
    }

    MacAddress m_toolMac;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<Seen> m_seen;
    std::thread m_reader;
};

// A temporary program folder (database and result logs) for the whole test
// program, set before the transport manager or the database exist.
class ProgramFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        char folder[] = "/tmp/kestrune-link-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        OverrideProgramFolder(std::string(folder) + "/");
    }
};

// One segment per test, with the transport manager pointed at its tool end
// and the results table emptied.
class LinkSegmentTest : public netns::SegmentTest {
protected:
    void SetUp() override
    {
        netns::SegmentTest::SetUp();
        if (HasFatalFailure() || !segment)
            return;
        manage = AcTransmitManage::Instance();
        sql = manage->Database();
        ASSERT_TRUE(sql && sql->IsOpen());
        manage->SetCaptureName(segment->ToolInterface());
        manage->SetAdapterMac(segment->ToolMac());
        manage->ClearDeviceTable();
        sql->DeleteAllDevices();
    }
    void TearDown() override
    {
        if (manage)
            manage->StopThreads();
        netns::SegmentTest::TearDown();
    }

    // A database row for a device, as discovery would make it.
    void AddRow(const std::string& macText)
    {
        ap_discover_stu record{};
        std::strncpy(record.mac, macText.c_str(), sizeof record.mac - 1);
        std::strcpy(record.date, "2026-01-01 00:00:00");
        ASSERT_TRUE(sql->AddDevice(record));
    }

    ap_info_stu Row(const std::string& macText)
    {
        DeviceList rows;
        int count = 0, success = 0, fail = 0;
        sql->QueryDevices(rows, count, success, fail, true, SortByMac);
        for (const ap_info_stu& row : rows)
            if (macText == row.mac)
                return row;
        ap_info_stu none{};
        none.para_status = none.logo_status = none.antitheft_status = -1;
        return none;
    }

    int RowCount()
    {
        DeviceList rows;
        int count = 0, success = 0, fail = 0;
        sql->QueryDevices(rows, count, success, fail, true, SortByMac);
        return count;
    }

    AcTransmitManage* manage = nullptr;
    CSqlManagement* sql = nullptr;
};

}  // namespace kestrune::linktest

namespace kestrune::linktest {

// Hands one job to the engine, as the dialogs do after setting "Operating".
inline bool StartJob(const std::string& mac, int32_t kind, const std::string& configPath,
                     const std::string& logoPath = {}, const std::string& json = {})
{
    auto job = std::make_unique<transmit_job_stu>();
    if (!BuildTransmitJob(*job, mac, kind, configPath, logoPath, json))
        return false;
    return StartTransmitThread(std::move(job));
}

// "02:6B:73:00:00:05" -> "026B73000005", as the simulator names its files.
inline std::string Plain(std::string mac)
{
    std::string plain;
    for (char c : mac)
        if (c != ':')
            plain += c;
    return plain;
}

// The n-th MAC (0-based) counting up from a base, as the simulator numbers its devices.
inline std::string NthMac(const MacAddress& base, unsigned n)
{
    uint64_t value = 0;
    for (uint8_t byte : base)
        value = value << 8 | byte;
    value += n;
    MacAddress mac{};
    for (int i = 5; i >= 0; --i) {
        mac[static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return MacText(mac.data());
}

// Lines of a simulator that start with a prefix and mention a MAC.
inline std::vector<std::string> LinesFor(const netns::ChildProcess& sim, const std::string& prefix,
                                         const std::string& mac)
{
    std::vector<std::string> kept;
    for (const std::string& line : sim.Lines())
        if (line.rfind(prefix, 0) == 0 && line.find(mac) != std::string::npos)
            kept.push_back(line);
    return kept;
}

// The number after "key=" in a line, -1 when absent.
inline long FieldOf(const std::string& line, const std::string& key)
{
    const size_t at = line.find(" " + key + "=");
    if (at == std::string::npos)
        return -1;
    return std::strtol(line.c_str() + at + key.size() + 2, nullptr, 10);
}

// A folder of its own under the program folder.
inline std::string MakeFolder(const std::string& name)
{
    const std::string path = ProgramFolder() + name;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return error ? std::string() : path;
}

}  // namespace kestrune::linktest
