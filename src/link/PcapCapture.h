#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "TransmitFrame.h"

struct pcap;

namespace kestrune {

// One live capture of libpcap, opened the way our frames need it: immediate
// delivery (no holding frames until a read timeout), a snapshot that fits a
// protocol frame, a kernel buffer sized for the use, inbound frames only,
// non-blocking reads, and waiting through poll on the capture's descriptor.
class PcapCapture {
public:
    using Clock = std::chrono::steady_clock;

    // Enough for one 1286-byte frame and its Ethernet header, with room to spare.
    static constexpr int kSnapLength = 1600;

    // Opens the device; null on failure (the reason goes to error when given).
    static std::unique_ptr<PcapCapture> Open(const std::string& device, int bufferBytes,
                                             std::string* error = nullptr);
    ~PcapCapture();
    PcapCapture(const PcapCapture&) = delete;
    PcapCapture& operator=(const PcapCapture&) = delete;

    // Compiles the filter with optimisation, with the device's netmask when it
    // has one, and installs it in the kernel.
    bool SetFilter(const std::string& expression);

    bool Send(const void* bytes, size_t length);
    bool Send(const transmit_frame_stu& frame) { return Send(&frame, sizeof frame); }

    enum class WaitResult { Readable, Timeout, Woken, Error };
    // Waits until a frame can be read, the deadline passes, or wakeFd (when
    // not -1) becomes readable. Frames already buffered count as readable.
    WaitResult WaitUntil(Clock::time_point deadline, int wakeFd = -1);
    // Waits without a time limit until a frame or the wake descriptor.
    WaitResult WaitForever(int wakeFd);

    // Reads one frame without waiting into a zeroed record (at most 1286
    // bytes of it): 1 a frame, 0 none waiting, -1 a read error.
    int ReadOne(transmit_frame_stu& frame);

private:
    explicit PcapCapture(pcap* handle);
    WaitResult WaitFor(const struct timespec* timeout, int wakeFd);

    pcap* m_handle;
    int m_fd;
    std::string m_device;
};

}  // namespace kestrune
