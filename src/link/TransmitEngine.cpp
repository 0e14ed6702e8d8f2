#include "TransmitEngine.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "AcTransmitManage.h"
#include "CSqlManagement.h"
#include "DeviceRecords.h"
#include "PcapCapture.h"

namespace kestrune {

namespace {

// A delivery reads only acknowledgements and results of its own device, one
// at a time, so a small ring is plenty and keeps a hundred jobs frugal.
constexpr int kTransmitBufferBytes = 128 << 10;

struct JobCounter {
    std::mutex lock;
    std::condition_variable idle;
    int running = 0;
};

JobCounter& Jobs()
{
    static JobCounter counter;
    return counter;
}

void JobStarted()
{
    std::lock_guard guard(Jobs().lock);
    ++Jobs().running;
}

void JobEnded()
{
    JobCounter& jobs = Jobs();
    std::lock_guard guard(jobs.lock);
    if (--jobs.running == 0)
        jobs.idle.notify_all();
}

void SetWords(transmit_frame_stu& frame, uint16_t type, uint16_t op, uint16_t fileCount)
{
    frame.frameType = htons(type);
    frame.op = htons(op);
    frame.fileCount = htons(fileCount);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void TransmitJobEntry(transmit_job_stu* job)
{
    TransmitJobThread(std::unique_ptr<transmit_job_stu>(job));
    JobEnded();
}

}  // namespace

// --- TransmitChannel ------------------------------------------------------

struct TransmitChannel::Impl {
    std::unique_ptr<PcapCapture> capture;
    transmit_frame_stu received;
};

TransmitChannel::TransmitChannel(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
TransmitChannel::~TransmitChannel() = default;

std::unique_ptr<TransmitChannel> TransmitChannel::Open(const std::string& captureName,
                                                       const std::string& deviceMacText)
{
    std::unique_ptr<PcapCapture> capture;
    for (int attempt = 0; attempt < kCaptureOpenAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(kCaptureOpenPause);
        capture = PcapCapture::Open(captureName, kTransmitBufferBytes);
        if (capture)
            break;
    }
    if (!capture)
        return nullptr;
    if (!capture->SetFilter("ether src " + deviceMacText + " and ether proto 0x6262"))
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->capture = std::move(capture);
    return std::unique_ptr<TransmitChannel>(new TransmitChannel(std::move(impl)));
}

bool TransmitChannel::Exchange(const transmit_frame_stu& frame, const AckTest& isAck)
{
    using Clock = PcapCapture::Clock;
    PcapCapture& capture = *m_impl->capture;
    transmit_frame_stu& received = m_impl->received;
    const auto first = Clock::now();
    const auto failAt = first + kBlockTimeout;
    m_lastSends = 0;
    for (;;) {
        const auto now = Clock::now();
        if (m_lastSends < kBlockSends && now >= first + m_lastSends * kResendAfter) {
            capture.Send(frame);
            ++m_lastSends;
        }
        if (now >= failAt)
            return false;
        auto wakeAt = failAt;
        if (m_lastSends < kBlockSends)
            wakeAt = std::min(wakeAt, first + m_lastSends * kResendAfter);
        // Frames already waiting (stale acknowledgements, say) make this return at once.
        const auto waited = capture.WaitUntil(wakeAt);
        if (waited == PcapCapture::WaitResult::Timeout)
            continue;
        if (waited == PcapCapture::WaitResult::Error) {
            // A failing descriptor must not turn the wait into a spin.
            std::this_thread::sleep_until(std::min(wakeAt, now + std::chrono::milliseconds(10)));
        }
        while (capture.ReadOne(received) == 1)
            if (isAck(received))
                return true;
    }
}

// --- Jobs -----------------------------------------------------------------

bool BuildTransmitJob(transmit_job_stu& job, const std::string& deviceMacText, int32_t kind,
                      const std::string& configPath, const std::string& logoPath,
                      const std::string& jsonText)
{
    std::memset(&job, 0, sizeof job);
    MacAddress device{};
    if (!ParseMacText(deviceMacText, device))
        return false;
    const MacAddress adapter = AcTransmitManage::Instance()->AdapterMac();
    std::memcpy(job.deviceMac, device.data(), 6);
    std::memcpy(job.adapterMac, adapter.data(), 6);
    job.etherType[0] = 0x62;
    job.etherType[1] = 0x62;
    job.transmitKind = kind;
    CopyField(job.configPath, configPath);
    CopyField(job.logoPath, logoPath);
    CopyField(job.jsonText, jsonText);
    return true;
}

bool StartTransmitThread(std::unique_ptr<transmit_job_stu> job)
{
    if (!job)
        return false;
    transmit_job_stu* owned = job.release();
    JobStarted();
    for (int attempt = 0; attempt < kThreadStartAttempts; ++attempt) {
        try {
            std::thread(TransmitJobEntry, owned).detach();
            return true;
        } catch (const std::system_error&) {
        }
    }
    delete owned;
    JobEnded();
    return false;
}

int TransmitJobThread(std::unique_ptr<transmit_job_stu> job)
{
    const transmit_job_stu copy = *job;
    job.reset();
    RunTransmitJob(copy);
    return 0;
}

void RunTransmitJob(const transmit_job_stu& job)
{
    transmit_frame_stu header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, &job, 14);
    const std::string mac = MacText(job.deviceMac);
    CSqlManagement* sql = AcTransmitManage::Instance()->Database();
    auto status = [](bool delivered) { return delivered ? TransmitFinish : TransmitFail; };

    switch (job.transmitKind) {
        case TransmitLogo: {
            SetWords(header, FrameLogo, OpLogoBlock, 1);
            const bool sent = TransmitFile(header, FrameLogo, FieldText(job.logoPath), mac);
            if (sql)
                sql->UpdateLogoStatus(mac, status(sent));
            break;
        }
        case TransmitConfig: {
            SetWords(header, FramePara, OpParaBlock, 1);
            const bool sent = TransmitFile(header, FramePara, FieldText(job.configPath), mac);
            if (sql)
                sql->UpdateParaStatus(mac, status(sent));
            break;
        }
        case TransmitAntiTheft: {
            SetWords(header, FrameAntiTheft, OpAntiTheftData, 1);
            const bool sent = TransmitJson(header, FieldText(job.jsonText), mac);
            if (sql)
                sql->UpdateAntiTheftStatus(mac, status(sent));
            break;
        }
        default: {
            SetWords(header, FrameLogo, OpLogoBlock, 2);
            const bool logoSent = TransmitFile(header, FrameLogo, FieldText(job.logoPath), mac);
            if (sql)
                sql->UpdateLogoStatus(mac, status(logoSent));
            // The configuration goes whatever became of the logo.
            SetWords(header, FramePara, OpParaBlock, 2);
            const bool configSent = TransmitFile(header, FramePara, FieldText(job.configPath), mac);
            if (sql)
                sql->UpdateParaStatus(mac, status(configSent));
            break;
        }
    }
}

bool TransmitFile(const transmit_frame_stu& header, uint16_t expectedType, const std::string& path,
                  const std::string& macText)
{
    const std::string captureName = AcTransmitManage::Instance()->CaptureName();
    auto channel = TransmitChannel::Open(captureName, macText);
    if (!channel)
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const auto length = static_cast<uint64_t>(info.st_size);
    // Beyond 65535 blocks the 16-bit sequence numbers would repeat.
    if (BlockCount(length) > kMaxBlocks)
        return false;

    transmit_frame_stu frame = header;
    uint64_t position = 0;
    uint32_t blocks = 0;
    uint16_t seq = 0;
    const TransmitChannel::AckTest isAck = [&](const transmit_frame_stu& received) {
        return IsBlockAck(received, expectedType, seq);
    };
    do {
        const size_t want =
            static_cast<size_t>(std::min<uint64_t>(kPayloadSize, length - position));
        const size_t got = want ? std::fread(frame.payload, 1, want, file.get()) : 0;
        // A file cut short while we read it is not delivered half.
        if (got != want)
            return false;
        std::memset(frame.payload + got, 0, kPayloadSize - got);
        uint16_t flag = BlockMiddle;
        if (blocks == 0)
            flag = BlockFirst;
        if (position + got == length)
            flag = BlockLast;
        SetBlockFlag(frame, flag);
        SetPayloadLen(frame, static_cast<uint16_t>(got));
        seq = BlockSeq(++blocks);
        SetSeq(frame, seq);
        if (!channel->Exchange(frame, isAck))
            return false;
        position += got;
    } while (position < length);
    return true;
}

bool TransmitJson(const transmit_frame_stu& header, const std::string& text,
                  const std::string& macText)
{
    if (text.size() >= kPayloadSize)
        return false;
    const std::string captureName = AcTransmitManage::Instance()->CaptureName();
    auto channel = TransmitChannel::Open(captureName, macText);
    if (!channel)
        return false;
    transmit_frame_stu frame = header;
    std::memcpy(frame.payload, text.data(), text.size());
    frame.payload[text.size()] = 0;
    SetBlockFlag(frame, BlockLast);
    SetPayloadLen(frame, static_cast<uint16_t>(text.size()));
    SetSeq(frame, 1);
    return channel->Exchange(frame, IsAntiTheftAck);
}

int RunningTransmitJobs()
{
    std::lock_guard guard(Jobs().lock);
    return Jobs().running;
}

bool WaitTransmitJobsIdle(std::chrono::milliseconds limit)
{
    JobCounter& jobs = Jobs();
    std::unique_lock lock(jobs.lock);
    return jobs.idle.wait_for(lock, limit, [&] { return jobs.running == 0; });
}

}  // namespace kestrune
