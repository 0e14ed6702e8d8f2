#include "DeviceFrames.h"

#include <algorithm>
#include <cstring>

namespace kestrune::devsim {

namespace {

void PutField(transmit_frame_stu& frame, size_t offset, size_t size, const std::string& text)
{
    auto* bytes = reinterpret_cast<uint8_t*>(&frame);
    std::memcpy(bytes + offset, text.data(), std::min(size, text.size()));
}

}  // namespace

transmit_frame_stu BuildDiscoverAnswer(const MacAddress& device, const MacAddress& tool,
                                       const DeviceWireless& wireless)
{
    transmit_frame_stu frame;
    BuildHeader(frame, tool, device, FrameDiscover, OpAck, 0);
    PutField(frame, kSsid2Offset, kSsid2Size, wireless.ssid2);
    PutField(frame, kSsid5Offset, kSsid5Size, wireless.ssid5);
    PutField(frame, kWpaKey2Offset, kWpaKey2Size, wireless.wpakey2);
    PutField(frame, kWpaKey5Offset, kWpaKey5Size, wireless.wpakey5);
    return frame;
}

transmit_frame_stu BuildAck(const MacAddress& device, const MacAddress& tool, uint16_t type,
                            uint16_t seq)
{
    transmit_frame_stu frame;
    BuildHeader(frame, tool, device, type, OpAck, 0);
    SetSeq(frame, seq);
    return frame;
}

uint16_t ResultOp(uint16_t kind, bool ok)
{
    switch (kind) {
        case FramePara:
            return ok ? OpParaOk : OpParaFail;
        case FrameLogo:
            return ok ? OpLogoOk : OpLogoFail;
        default:
            return ok ? OpAntiTheftOk : OpAntiTheftFail;
    }
}

transmit_frame_stu BuildResult(const MacAddress& device, const MacAddress& tool, uint16_t kind,
                               bool ok)
{
    transmit_frame_stu frame;
    BuildHeader(frame, tool, device, kind, ResultOp(kind, ok), 0);
    return frame;
}

bool IsMeaningfulFromDevice(uint16_t type, uint16_t op)
{
    switch (type) {
        case FrameDiscover:
            return op == OpAck;
        case FramePara:
            return op == OpAck || op == OpParaFail || op == OpParaOk;
        case FrameLogo:
            return op == OpAck || op == OpLogoFail || op == OpLogoOk;
        case FrameAntiTheft:
            return op == OpAck || op == OpAntiTheftFail || op == OpAntiTheftOk;
        default:
            return false;
    }
}

std::vector<uint8_t> BuildJunk(std::mt19937_64& random, const MacAddress& device,
                               const MacAddress& tool)
{
    auto between = [&](size_t low, size_t high) {
        return std::uniform_int_distribution<size_t>(low, high)(random);
    };
    size_t size = 0;
    switch (between(0, 3)) {
        case 0:
            size = between(14, 99);  // short, down to a bare Ethernet header
            break;
        case 1:
            size = kFrameSize;
            break;
        case 2:
            size = between(100, 1600);
            break;
        default:
            size = between(1601, 9000);  // longer than any record the tool keeps
            break;
    }
    std::vector<uint8_t> bytes(size);
    for (;;) {
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random());
        std::memcpy(bytes.data(), tool.data(), 6);
        std::memcpy(bytes.data() + 6, device.data(), 6);
        bytes[12] = 0x62;
        bytes[13] = 0x62;
        // Mostly small type and op numbers, so every pair near the real ones
        // turns up, and now and then any 16-bit value.
        if (size >= 16 && between(0, 3) != 0) {
            bytes[14] = 0;
            bytes[15] = static_cast<uint8_t>(between(0, 5));
        }
        if (size >= 20 && between(0, 3) != 0) {
            bytes[18] = 0;
            bytes[19] = static_cast<uint8_t>(between(0, 12));
        }
        // Judge the frame the way the tool reads it: zero-filled to 1286.
        transmit_frame_stu seen;
        ReadFrame(bytes, seen);
        if (!IsMeaningfulFromDevice(FrameTypeOf(seen), FrameOpOf(seen)) && SeqOf(seen) != kSeqAny)
            return bytes;
    }
}

std::optional<std::string> LockCodeOf(const std::string& json)
{
    static const std::string key = "\"Lockcode\"";
    const size_t at = json.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    size_t i = at + key.size();
    auto skipBlanks = [&] {
        while (i < json.size() && (json[i] == ' ' || json[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i >= json.size() || json[i] != ':')
        return std::nullopt;
    ++i;
    skipBlanks();
    if (i >= json.size() || json[i] != '"')
        return std::nullopt;
    const size_t end = json.find('"', i + 1);
    if (end == std::string::npos)
        return std::nullopt;
    return json.substr(i + 1, end - i - 1);
}

std::string RunLengthText(const std::vector<uint32_t>& counts)
{
    std::string text;
    for (size_t i = 0; i < counts.size();) {
        size_t j = i;
        while (j < counts.size() && counts[j] == counts[i])
            ++j;
        if (!text.empty())
            text += ',';
        text += std::to_string(counts[i]) + "x" + std::to_string(j - i);
        i = j;
    }
    return text;
}

void FileAssembler::Begin()
{
    m_inProgress = true;
    m_completed = false;
    m_justCompleted = false;
    m_blocks = 0;
    m_bytes.clear();
    m_sends.clear();
}

FileAssembler::Outcome FileAssembler::Take(uint16_t seq, uint16_t flag, const uint8_t* payload,
                                           uint16_t length, uint64_t nowMs)
{
    length = std::min<uint16_t>(length, kPayloadSize);
    const bool samePayload = m_lastPayload.size() == length &&
                             std::equal(payload, payload + length, m_lastPayload.begin());
    if ((m_inProgress || m_completed) && seq == m_lastSeq && flag == m_lastFlag && samePayload &&
        nowMs - m_lastMs <= kDuplicateWindowMs) {
        if (!m_sends.empty())
            ++m_sends.back();
        return Outcome::Duplicate;
    }
    // A first block, or the only block of a one-block file, begins a file;
    // any file not finished by then was given up by the tool.
    const bool begins = flag == BlockFirst || (flag == BlockLast && seq == 1);
    if (begins) {
        Begin();
    } else if (!m_inProgress || seq != BlockSeq(m_blocks + 1)) {
        return Outcome::Ignored;
    }
    m_bytes.insert(m_bytes.end(), payload, payload + length);
    m_sends.push_back(1);
    ++m_blocks;
    m_lastSeq = seq;
    m_lastFlag = flag;
    m_lastMs = nowMs;
    m_lastPayload.assign(payload, payload + length);
    if (flag == BlockLast) {
        m_inProgress = false;
        m_completed = true;
        m_justCompleted = true;
    }
    return Outcome::Accepted;
}

bool FileAssembler::TakeCompleted()
{
    const bool completed = m_justCompleted;
    m_justCompleted = false;
    return completed;
}

}  // namespace kestrune::devsim
