#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "MacText.h"

// The wire format of the device protocol: one fixed 1286-byte frame of
// EtherType 0x6262, the same layout in both directions. Every 16-bit word
// after the Ethernet addresses is big-endian on the wire.
namespace kestrune {

inline constexpr MacAddress kBroadcastMac{0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
inline constexpr uint16_t kEtherType = 0x6262;
inline constexpr size_t kFrameSize = 1286;
inline constexpr size_t kPayloadSize = 1024;
inline constexpr uint16_t kSeqAny = 0xFFFF;  // acknowledges any outstanding block
inline constexpr uint32_t kMaxBlocks = 65535;

enum FrameType : uint16_t {
    FrameDiscover = 0,
    FramePara = 1,
    FrameLogo = 2,
    FrameAntiTheft = 3,
};

enum FrameOp : uint16_t {
    OpDiscoverRequest = 1,
    OpParaBlock = 2,
    OpLogoBlock = 3,
    OpAck = 4,
    OpParaFail = 5,
    OpParaOk = 6,
    OpLogoFail = 7,
    OpLogoOk = 8,
    OpAntiTheftFail = 9,
    OpAntiTheftOk = 10,
    OpAntiTheftData = 11,
};

enum BlockFlag : uint16_t {
    BlockMiddle = 0,
    BlockFirst = 1,
    BlockLast = 2,
};

#pragma pack(push, 1)
struct transmit_frame_stu {
    uint8_t dstMac[6];
    uint8_t srcMac[6];
    uint8_t etherType[2];
    uint16_t frameType;  // big-endian
    uint16_t seq;        // big-endian
    uint16_t op;         // big-endian
    uint16_t fileCount;  // big-endian
    uint8_t deviceInfo[200];
    uint16_t blockFlag;  // big-endian
    uint8_t reserved[36];
    uint8_t payload[kPayloadSize];
    uint16_t payloadLen;  // big-endian
};
#pragma pack(pop)

static_assert(sizeof(transmit_frame_stu) == kFrameSize);
static_assert(offsetof(transmit_frame_stu, srcMac) == 6);
static_assert(offsetof(transmit_frame_stu, etherType) == 12);
static_assert(offsetof(transmit_frame_stu, frameType) == 14);
static_assert(offsetof(transmit_frame_stu, seq) == 16);
static_assert(offsetof(transmit_frame_stu, op) == 18);
static_assert(offsetof(transmit_frame_stu, fileCount) == 20);
static_assert(offsetof(transmit_frame_stu, deviceInfo) == 22);
static_assert(offsetof(transmit_frame_stu, blockFlag) == 222);
static_assert(offsetof(transmit_frame_stu, payload) == 260);
static_assert(offsetof(transmit_frame_stu, payloadLen) == 1284);

// Offsets of the discovery answer's text fields within the frame.
inline constexpr size_t kSsid2Offset = 22, kSsid2Size = 34;
inline constexpr size_t kSsid5Offset = 56, kSsid5Size = 34;
inline constexpr size_t kWpaKey2Offset = 90, kWpaKey2Size = 66;
inline constexpr size_t kWpaKey5Offset = 156, kWpaKey5Size = 66;

// Zeroes the frame and sets addresses, EtherType, type, op and file count.
void BuildHeader(transmit_frame_stu& frame, const MacAddress& dst, const MacAddress& src,
                 uint16_t type, uint16_t op, uint16_t fileCount);

uint16_t FrameTypeOf(const transmit_frame_stu& frame);
uint16_t FrameOpOf(const transmit_frame_stu& frame);
uint16_t SeqOf(const transmit_frame_stu& frame);
uint16_t BlockFlagOf(const transmit_frame_stu& frame);
uint16_t PayloadLenOf(const transmit_frame_stu& frame);
uint16_t FileCountOf(const transmit_frame_stu& frame);
void SetSeq(transmit_frame_stu& frame, uint16_t seq);
void SetBlockFlag(transmit_frame_stu& frame, uint16_t flag);
void SetPayloadLen(transmit_frame_stu& frame, uint16_t length);

// The upper-case MAC text of a frame's srcMac.
std::string MacTextOf(const transmit_frame_stu& frame);

// Copies a received frame into a zeroed record, never more than 1286 bytes;
// a shorter frame leaves the missing bytes zero.
void ReadFrame(std::span<const uint8_t> bytes, transmit_frame_stu& frame);

// The discovery request from the adapter's MAC to broadcast.
transmit_frame_stu BuildDiscoverRequest(const MacAddress& adapterMac);

// The anti-theft frame: seq 1, file count 1, flag 2, the text with its NUL in
// the payload, payloadLen without the NUL. False when the text does not fit.
bool BuildAntiTheftFrame(transmit_frame_stu& frame, const MacAddress& dst, const MacAddress& src,
                         const std::string& json);

// The sequence number sent for the n-th block (1-based): n modulo 65536,
// with 0xFFFF standing in for a 16-bit 0.
uint16_t BlockSeq(uint32_t blockNumber);

// How many blocks a file of this size is cut into (an empty file is one block).
uint32_t BlockCount(uint64_t fileSize);

// Cuts a file's bytes into blocks one at a time. The header is set once for
// the file; each Next() fills payload, payloadLen, blockFlag and seq.
class BlockCutter {
public:
    BlockCutter(transmit_frame_stu& frame, std::span<const uint8_t> file);

    // False when the file has more blocks than the 16-bit sequence allows.
    bool Fits() const { return BlockCount(m_file.size()) <= kMaxBlocks; }
    // Fills the next block; false when every block has been produced, and
    // from the start for a file that does not fit.
    bool Next();
    uint32_t BlocksDone() const { return m_blocks; }

private:
    transmit_frame_stu& m_frame;
    std::span<const uint8_t> m_file;
    size_t m_position = 0;
    uint32_t m_blocks = 0;
};

// Whether a received frame acknowledges the outstanding block (type, op 4 and
// the block's seq), or is the 0xFFFF catch-all.
bool IsBlockAck(const transmit_frame_stu& received, uint16_t blockType, uint16_t blockSeq);
// Whether a received frame acknowledges the anti-theft frame (type 3, op 4, seq 1).
bool IsAntiTheftAck(const transmit_frame_stu& received);

}  // namespace kestrune
