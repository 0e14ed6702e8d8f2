#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "SegmentTest.h"

using namespace kestrune;
using namespace kestrune::netns;
using namespace std::chrono_literals;

namespace {

// A raw socket on one interface of the calling thread's namespace, for
// EtherType 0x6262 only.
int OpenPacketSocket(const std::string& interface)
{
    const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(0x6262));
    if (fd < 0)
        return -1;
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(0x6262);
    address.sll_ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
    if (address.sll_ifindex == 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::vector<uint8_t> MakeFrame(size_t size, const MacAddress& src, uint8_t fill)
{
    std::vector<uint8_t> frame(size, fill);
    std::memset(frame.data(), 0xff, 6);
    std::memcpy(frame.data() + 6, src.data(), 6);
    frame[12] = 0x62;
    frame[13] = 0x62;
    return frame;
}

std::vector<uint8_t> Receive(int fd, std::chrono::milliseconds timeout)
{
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0)
        return {};
    std::vector<uint8_t> buffer(65536);
    const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
}

bool InterfaceExists(const std::string& name)
{
    return ::if_nametoindex(name.c_str()) != 0;
}

}  // namespace

TEST_F(SegmentTest, FramesCrossInBothDirections)
{
    ASSERT_NE(segment->ToolInterface(), segment->DeviceInterface());
    EXPECT_EQ(segment->ToolMac()[0] & 1, 0) << "a unicast address";
    EXPECT_NE(segment->ToolMac(), segment->DeviceEndMac());

    const int toolFd = OpenPacketSocket(segment->ToolInterface());
    ASSERT_GE(toolFd, 0);
    int deviceFd = -1;
    segment->RunInDeviceNetwork([&] { deviceFd = OpenPacketSocket(segment->DeviceInterface()); });
    ASSERT_GE(deviceFd, 0);
    // The device end is not in the tool's namespace, and the other way round.
    EXPECT_FALSE(InterfaceExists(segment->DeviceInterface()));
    bool toolSeenFromDevice = true;
    segment->RunInDeviceNetwork(
        [&] { toolSeenFromDevice = InterfaceExists(segment->ToolInterface()); });
    EXPECT_FALSE(toolSeenFromDevice);

    // A protocol frame one way, a jumbo junk frame the other.
    const std::vector<uint8_t> out = MakeFrame(1286, segment->ToolMac(), 0x5a);
    ASSERT_EQ(::send(toolFd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
    EXPECT_EQ(Receive(deviceFd, 2s), out);

    const std::vector<uint8_t> back = MakeFrame(9000, segment->DeviceEndMac(), 0xa5);
    ASSERT_EQ(::send(deviceFd, back.data(), back.size(), 0), static_cast<ssize_t>(back.size()));
    EXPECT_EQ(Receive(toolFd, 2s), back);
    ::close(toolFd);
    ::close(deviceFd);
}

TEST_F(SegmentTest, DeviceSideProgramsRunInTheDeviceNamespace)
{
    // `ip -o link` on the device side lists the device end and not the tool end.
    auto list = segment->StartOnDeviceSide({"/bin/sh", "-c", "ip -o link; echo DONE"});
    ASSERT_FALSE(list->WaitForLine("DONE", 5s).empty());
    EXPECT_EQ(list->Wait(5s), 0);
    std::string all;
    for (const std::string& line : list->Lines())
        all += line + "\n";
    EXPECT_NE(all.find(segment->DeviceInterface()), std::string::npos) << all;
    EXPECT_EQ(all.find(segment->ToolInterface()), std::string::npos) << all;

    // A program that keeps running is ended by SIGTERM through its PID.
    auto sleeper = segment->StartOnDeviceSide({"/bin/sh", "-c", "echo UP; exec sleep 60"});
    ASSERT_EQ(sleeper->WaitForLine("UP", 5s), "UP");
    EXPECT_TRUE(sleeper->Running());
    EXPECT_EQ(sleeper->Stop(), 128 + SIGTERM);
    EXPECT_FALSE(sleeper->Running());
    EXPECT_EQ(sleeper->WaitForLine("never", 100ms), "");
}

TEST(Segment, NothingIsLeftAfterDestruction)
{
    std::string toolIf;
    pid_t holder = -1;
    {
        KESTRUNE_MAKE_SEGMENT(segment);
        toolIf = segment->ToolInterface();
        holder = segment->DeviceNamespaceHolder();
        ASSERT_TRUE(InterfaceExists(toolIf));
    }
    EXPECT_FALSE(InterfaceExists(toolIf));
    EXPECT_EQ(::kill(holder, 0), -1) << "the holder of the device namespace still runs";
}

TEST(Segment, NothingIsLeftWhenTheOwnerIsKilled)
{
    // Orphans come to us, so we can see the holder die.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t owner = ::fork();
    ASSERT_GE(owner, 0);
    if (owner == 0) {
        try {
            VirtualSegment segment;
            char text[64];
            const int n = std::snprintf(text, sizeof text, "%d %s\n",
                                        static_cast<int>(segment.DeviceNamespaceHolder()),
                                        segment.ToolInterface().c_str());
            [[maybe_unused]] const ssize_t written = ::write(report[1], text, n);
            for (;;)
                ::pause();
        } catch (...) {
            ::_exit(1);
        }
    }
    ::close(report[1]);
    char text[64] = {};
    ssize_t got = 0;
    for (ssize_t n; (n = ::read(report[0], text + got, sizeof text - 1 - got)) > 0;) {
        got += n;
        if (std::strchr(text, '\n'))
            break;
    }
    ::close(report[0]);
    int holder = -1;
    char toolIf[32] = {};
    ASSERT_EQ(std::sscanf(text, "%d %31s", &holder, toolIf), 2) << "owner failed to build";
    ASSERT_TRUE(InterfaceExists(toolIf));

    ::kill(owner, SIGKILL);
    ASSERT_EQ(::waitpid(owner, nullptr, 0), owner);

    bool holderGone = false, interfaceGone = false;
    for (int i = 0; i < 300 && !(holderGone && interfaceGone); ++i) {
        holderGone = holderGone || ::waitpid(holder, nullptr, WNOHANG) == holder;
        interfaceGone = !InterfaceExists(toolIf);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(holderGone) << "the device namespace outlived its owner";
    EXPECT_TRUE(interfaceGone) << toolIf << " outlived its owner";
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}
