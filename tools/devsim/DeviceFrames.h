#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TransmitFrame.h"

// The device side of the protocol, without any I/O: the frames a device
// sends, and the reassembly of the files it receives. The simulator's main
// loop only moves these frames on and off the wire.
namespace kestrune::devsim {

// The four wireless texts of a discovery answer. A text as long as its field
// or longer fills the field to its full width with no NUL.
struct DeviceWireless {
    std::string ssid2, ssid5, wpakey2, wpakey5;
};

// The answer to a discovery request: type 0, op 4, from the device to the
// tool, with the wireless texts in deviceInfo.
transmit_frame_stu BuildDiscoverAnswer(const MacAddress& device, const MacAddress& tool,
                                       const DeviceWireless& wireless);
// The acknowledgement of a block or of the anti-theft frame: the frame's
// type, op 4 and the given seq.
transmit_frame_stu BuildAck(const MacAddress& device, const MacAddress& tool, uint16_t type,
                            uint16_t seq);
// The op of a result frame: 6/5 for the configuration, 8/7 for the logo,
// 10/9 for the anti-theft settings (ok/fail).
uint16_t ResultOp(uint16_t kind, bool ok);
transmit_frame_stu BuildResult(const MacAddress& device, const MacAddress& tool, uint16_t kind,
                               bool ok);

// A frame the tool must ignore: from the device to the tool, EtherType
// 0x6262, between 14 and 9000 bytes, with random contents and a type/op pair
// that means nothing to the tool (never a discovery answer, acknowledgement
// or result, never seq 0xFFFF).
std::vector<uint8_t> BuildJunk(std::mt19937_64& random, const MacAddress& device,
                               const MacAddress& tool);
// Whether a type/op pair carries meaning when a device sends it.
bool IsMeaningfulFromDevice(uint16_t type, uint16_t op);

// The "Lockcode" value of an anti-theft text, if it has one.
std::optional<std::string> LockCodeOf(const std::string& json);

// Counts written as runs, "<count>x<blocks>,...": "1x64" is 64 blocks each
// received once, "5x1,1x2" the first block five times and two more once.
std::string RunLengthText(const std::vector<uint32_t>& counts);

// Reassembles the file of one device and one kind from its blocks.
class FileAssembler {
public:
    enum class Outcome {
        Accepted,   // a new block, acknowledge it
        Duplicate,  // a resend of the last block taken, acknowledge it again
        Ignored,    // out of order or without a file begun: no acknowledgement
    };

    // Takes one block; `now_ms` tells a resend of a finished file's last
    // block from a new delivery of the same file much later.
    Outcome Take(uint16_t seq, uint16_t flag, const uint8_t* payload, uint16_t length,
                 uint64_t nowMs);
    // True once after the last block of a file was accepted; the file is then
    // in Bytes() and the per-block receive counts in Sends().
    bool TakeCompleted();
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    const std::vector<uint32_t>& Sends() const { return m_sends; }

private:
    void Begin();

    bool m_inProgress = false;
    bool m_completed = false;
    bool m_justCompleted = false;
    uint32_t m_blocks = 0;
    uint16_t m_lastSeq = 0;
    uint16_t m_lastFlag = 0;
    uint64_t m_lastMs = 0;
    std::vector<uint8_t> m_lastPayload;
    std::vector<uint8_t> m_bytes;
    std::vector<uint32_t> m_sends;
};

// A resend of the same finished file's last block (or of the same
// anti-theft text) within this time counts as a duplicate: the tool gives up
// on a block five seconds after its first send.
inline constexpr uint64_t kDuplicateWindowMs = 6000;

}  // namespace kestrune::devsim
