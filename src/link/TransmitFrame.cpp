#include "TransmitFrame.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrune {

void BuildHeader(transmit_frame_stu& frame, const MacAddress& dst, const MacAddress& src,
                 uint16_t type, uint16_t op, uint16_t fileCount)
{
    std::memset(&frame, 0, sizeof frame);
    std::memcpy(frame.dstMac, dst.data(), 6);
    std::memcpy(frame.srcMac, src.data(), 6);
    frame.etherType[0] = 0x62;
    frame.etherType[1] = 0x62;
    frame.frameType = htons(type);
    frame.op = htons(op);
    frame.fileCount = htons(fileCount);
}

uint16_t FrameTypeOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.frameType);
}
uint16_t FrameOpOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.op);
}
uint16_t SeqOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.seq);
}
uint16_t BlockFlagOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.blockFlag);
}
uint16_t PayloadLenOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.payloadLen);
}
uint16_t FileCountOf(const transmit_frame_stu& frame)
{
    return ntohs(frame.fileCount);
}
void SetSeq(transmit_frame_stu& frame, uint16_t seq)
{
    frame.seq = htons(seq);
}
void SetBlockFlag(transmit_frame_stu& frame, uint16_t flag)
{
    frame.blockFlag = htons(flag);
}
void SetPayloadLen(transmit_frame_stu& frame, uint16_t length)
{
    frame.payloadLen = htons(length);
}

std::string MacTextOf(const transmit_frame_stu& frame)
{
    return MacText(frame.srcMac);
}

void ReadFrame(std::span<const uint8_t> bytes, transmit_frame_stu& frame)
{
    std::memset(&frame, 0, sizeof frame);
    // An empty span may carry a null pointer, which memcpy must not see.
    if (!bytes.empty())
        std::memcpy(&frame, bytes.data(), std::min(bytes.size(), sizeof frame));
}

transmit_frame_stu BuildDiscoverRequest(const MacAddress& adapterMac)
{
    transmit_frame_stu frame;
    BuildHeader(frame, kBroadcastMac, adapterMac, FrameDiscover, OpDiscoverRequest, 0);
    return frame;
}

bool BuildAntiTheftFrame(transmit_frame_stu& frame, const MacAddress& dst, const MacAddress& src,
                         const std::string& json)
{
    if (json.size() >= kPayloadSize)
        return false;
    BuildHeader(frame, dst, src, FrameAntiTheft, OpAntiTheftData, 1);
    SetSeq(frame, 1);
    SetBlockFlag(frame, BlockLast);
    std::memcpy(frame.payload, json.data(), json.size());
    frame.payload[json.size()] = 0;
    SetPayloadLen(frame, static_cast<uint16_t>(json.size()));
    return true;
}

uint16_t BlockSeq(uint32_t blockNumber)
{
    const auto seq = static_cast<uint16_t>(blockNumber & 0xFFFF);
    return seq == 0 ? kSeqAny : seq;
}

uint32_t BlockCount(uint64_t fileSize)
{
    if (fileSize == 0)
        return 1;
    const uint64_t blocks = (fileSize + kPayloadSize - 1) / kPayloadSize;
    return blocks > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(blocks);
}

BlockCutter::BlockCutter(transmit_frame_stu& frame, std::span<const uint8_t> file)
    : m_frame(frame), m_file(file)
{
}

bool BlockCutter::Next()
{
    // A file beyond the 16-bit sequence numbers yields no block at all, so
    // none of it is ever sent.
    if (!Fits())
        return false;
    const bool firstBlock = m_blocks == 0;
    if (!firstBlock && m_position >= m_file.size())
        return false;
    const size_t length = std::min(kPayloadSize, m_file.size() - m_position);
    std::memset(m_frame.payload, 0, kPayloadSize);
    if (length > 0)
        std::memcpy(m_frame.payload, m_file.data() + m_position, length);
    m_position += length;
    SetPayloadLen(m_frame, static_cast<uint16_t>(length));
    uint16_t flag = BlockMiddle;
    if (firstBlock)
        flag = BlockFirst;
    if (m_position == m_file.size())
        flag = BlockLast;
    SetBlockFlag(m_frame, flag);
    ++m_blocks;
    SetSeq(m_frame, BlockSeq(m_blocks));
    return true;
}

bool IsBlockAck(const transmit_frame_stu& received, uint16_t blockType, uint16_t blockSeq)
{
    const uint16_t seq = SeqOf(received);
    if (seq == kSeqAny)
        return true;
    return FrameTypeOf(received) == blockType && FrameOpOf(received) == OpAck && seq == blockSeq;
}

bool IsAntiTheftAck(const transmit_frame_stu& received)
{
    return FrameTypeOf(received) == FrameAntiTheft && FrameOpOf(received) == OpAck &&
           SeqOf(received) == 1;
}

}  // namespace kestrune
