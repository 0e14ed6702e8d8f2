#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "MacText.h"
#include "TransmitFrame.h"

// The transfer engine: one worker thread per job delivers a logo, a
// configuration file, both, or the anti-theft text to one device, block by
// block with acknowledgement and resend, and records the outcome per kind in
// the results database (4 "Transmit finish", 5 "Transmit fail").
namespace kestrune {

enum TransmitKind : int32_t {
    TransmitLogo = 1,
    TransmitConfig = 2,
    TransmitLogoAndConfig = 3,  // also any value other than 1, 2 and 4
    TransmitAntiTheft = 4,
};

struct transmit_job_stu {
    uint8_t deviceMac[6];
    uint8_t adapterMac[6];
    uint8_t etherType[2];
    uint8_t reserved[2];
    int32_t transmitKind;
    char configPath[260];
    char logoPath[260];
    char jsonText[512];
};
static_assert(sizeof(transmit_job_stu) == 1052);
static_assert(offsetof(transmit_job_stu, etherType) == 12);
static_assert(offsetof(transmit_job_stu, transmitKind) == 16);
static_assert(offsetof(transmit_job_stu, configPath) == 20);
static_assert(offsetof(transmit_job_stu, logoPath) == 280);
static_assert(offsetof(transmit_job_stu, jsonText) == 540);

// Fixed values of the engine.
inline constexpr int kCaptureOpenAttempts = 10;
inline constexpr auto kCaptureOpenPause = std::chrono::milliseconds(100);
inline constexpr int kThreadStartAttempts = 5;
inline constexpr int kBlockSends = 5;  // a block is sent at most this often
inline constexpr auto kResendAfter = std::chrono::seconds(1);
// A block fails this long after its first send without its acknowledgement.
inline constexpr auto kBlockTimeout = std::chrono::seconds(5);

// A zeroed job for a device, with the adapter MAC the transport manager holds
// now and the EtherType bytes; the text fields are cut to their widths.
// False when deviceMacText is not a MAC text.
bool BuildTransmitJob(transmit_job_stu& job, const std::string& deviceMacText, int32_t kind,
                      const std::string& configPath, const std::string& logoPath,
                      const std::string& jsonText);

// Hands a job to a new detached worker thread, which owns it from then on.
// Thread creation is tried up to five times; when all fail the job is dropped
// and false returned (no status changes).
bool StartTransmitThread(std::unique_ptr<transmit_job_stu> job);

// The worker: copies the job, releases the caller's block, runs it.
int TransmitJobThread(std::unique_ptr<transmit_job_stu> job);

// Builds the header from the job, sends by kind and sets the statuses.
void RunTransmitJob(const transmit_job_stu& job);

// One file, block by block; true when every block was acknowledged.
bool TransmitFile(const transmit_frame_stu& header, uint16_t expectedType, const std::string& path,
                  const std::string& macText);

// The anti-theft frame; true when the device acknowledged it (type 3, op 4, seq 1).
bool TransmitJson(const transmit_frame_stu& header, const std::string& text,
                  const std::string& macText);

// Number of worker threads running now, and a wait until none runs (for the
// caller that needs every delivery to have ended, such as tests at exit).
int RunningTransmitJobs();
bool WaitTransmitJobsIdle(std::chrono::milliseconds limit);

// One capture towards one device: sends a frame and waits for the frame that
// acknowledges it, resending after each second without it and giving up five
// seconds after the first send. Frames that do not match never extend that.
class TransmitChannel {
public:
    // Opens the capture on the device (10 attempts 100 ms apart) with a filter
    // on frames from the device. Null when it cannot be opened.
    static std::unique_ptr<TransmitChannel> Open(const std::string& captureName,
                                                 const std::string& deviceMacText);
    ~TransmitChannel();

    using AckTest = std::function<bool(const transmit_frame_stu& received)>;
    // Sends the frame and waits for its acknowledgement; false when it failed.
    bool Exchange(const transmit_frame_stu& frame, const AckTest& isAck);
    // Times the frame was sent in the last Exchange.
    int LastSends() const { return m_lastSends; }

private:
    struct Impl;
    explicit TransmitChannel(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
    int m_lastSends = 0;
};

}  // namespace kestrune
