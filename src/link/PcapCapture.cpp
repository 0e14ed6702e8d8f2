#include "PcapCapture.h"

#include <linux/if_packet.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <ctime>

namespace kestrune {

std::unique_ptr<PcapCapture> PcapCapture::Open(const std::string& device, int bufferBytes,
                                               std::string* error)
{
    char message[PCAP_ERRBUF_SIZE] = {};
    auto fail = [&](pcap* handle, const char* what) -> std::unique_ptr<PcapCapture> {
        if (error)
            *error = std::string(what) + ": " + (handle ? pcap_geterr(handle) : message);
        if (handle)
            pcap_close(handle);
        return nullptr;
    };
    if (device.empty()) {
        if (error)
            *error = "no capture device";
        return nullptr;
    }
    pcap* handle = pcap_create(device.c_str(), message);
    if (!handle)
        return fail(nullptr, "pcap_create");
    pcap_set_snaplen(handle, kSnapLength);
    pcap_set_promisc(handle, 1);
    pcap_set_immediate_mode(handle, 1);
    pcap_set_timeout(handle, 1);
    if (bufferBytes > 0)
        pcap_set_buffer_size(handle, bufferBytes);
    if (pcap_activate(handle) < 0)
        return fail(handle, "pcap_activate");
    // Our own sends would otherwise come back to us on Linux; nobody needs
    // them. Telling the kernel keeps every send from visiting every capture
    // of the interface (a hundred deliveries make a hundred captures).
    pcap_setdirection(handle, PCAP_D_IN);
    const int ignoreOutgoing = 1;
    setsockopt(pcap_fileno(handle), SOL_PACKET, PACKET_IGNORE_OUTGOING, &ignoreOutgoing,
               sizeof ignoreOutgoing);
    if (pcap_setnonblock(handle, 1, message) < 0)
        return fail(handle, "pcap_setnonblock");
    if (pcap_get_selectable_fd(handle) < 0)
        return fail(handle, "pcap_get_selectable_fd");
    std::unique_ptr<PcapCapture> capture(new PcapCapture(handle));
    capture->m_device = device;
    return capture;
}

PcapCapture::PcapCapture(pcap* handle) : m_handle(handle), m_fd(pcap_get_selectable_fd(handle)) {}

PcapCapture::~PcapCapture()
{
    pcap_close(m_handle);
}

bool PcapCapture::SetFilter(const std::string& expression)
{
    char message[PCAP_ERRBUF_SIZE] = {};
    bpf_u_int32 net = 0;
    bpf_u_int32 mask = 0;
    if (pcap_lookupnet(m_device.c_str(), &net, &mask, message) < 0)
        mask = PCAP_NETMASK_UNKNOWN;
    bpf_program program{};
    if (pcap_compile(m_handle, &program, expression.c_str(), 1, mask) < 0)
        return false;
    const bool installed = pcap_setfilter(m_handle, &program) == 0;
    pcap_freecode(&program);
    return installed;
}

bool PcapCapture::Send(const void* bytes, size_t length)
{
    return pcap_sendpacket(m_handle, static_cast<const u_char*>(bytes), static_cast<int>(length)) ==
           0;
}

PcapCapture::WaitResult PcapCapture::WaitFor(const struct timespec* timeout, int wakeFd)
{
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        const int ready = ppoll(fds, count, timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Error;
        }
        if (ready == 0)
            return WaitResult::Timeout;
        if (count == 2 && (fds[1].revents & POLLIN))
            return WaitResult::Woken;
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return WaitResult::Error;
        return WaitResult::Readable;
    }
}

PcapCapture::WaitResult PcapCapture::WaitUntil(Clock::time_point deadline, int wakeFd)
{
    const auto now = Clock::now();
    const auto left = deadline > now
                          ? std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now)
                          : std::chrono::nanoseconds(0);
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(left.count() / 1000000000);
    timeout.tv_nsec = static_cast<long>(left.count() % 1000000000);
    return WaitFor(&timeout, wakeFd);
}

PcapCapture::WaitResult PcapCapture::WaitForever(int wakeFd)
{
    return WaitFor(nullptr, wakeFd);
}

int PcapCapture::ReadOne(transmit_frame_stu& frame)
{
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    const int result = pcap_next_ex(m_handle, &header, &data);
    if (result == 1) {
        ReadFrame(std::span<const uint8_t>(data, header->caplen), frame);
        return 1;
    }
    return result == 0 ? 0 : -1;
}

}  // namespace kestrune
