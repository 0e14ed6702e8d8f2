#include "AcTransmitManage.h"

#include <pcap/pcap.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

#include "CSqlManagement.h"
#include "DebugLog.h"
#include "PcapCapture.h"
#include "ResultLog.h"

namespace kestrune {

namespace {

// The receive thread's kernel buffer: a burst of answers from a thousand
// devices at once must fit while the thread drains it.
constexpr int kReceiveBufferBytes = 4 << 20;
// The broadcast capture only sends; the smallest ring will do.
constexpr int kBroadcastBufferBytes = 32 << 10;
// Frames handled per wake-up before the manage thread is signalled.
constexpr int kDrainBatch = 256;
constexpr auto kReceiveReadyWait = std::chrono::seconds(2);

void Signal(int fd)
{
    if (fd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
}

void Drain(int fd)
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool SystemCaptureDevices(std::vector<std::string>& names)
{
    char message[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, message) < 0)
        return false;
    for (pcap_if_t* device = devices; device; device = device->next)
        if (device->name)
            names.emplace_back(device->name);
    pcap_freealldevs(devices);
    return true;
}

}  // namespace

AcTransmitManage* AcTransmitManage::Instance()
{
    static AcTransmitManage instance;
    return &instance;
}

AcTransmitManage::AcTransmitManage()
    : m_adapterSource(SystemAdapterSource()), m_captureDeviceSource(SystemCaptureDevices)
{
    // Obtained here so that the database outlives this manager at exit.
    m_sql.store(CSqlManagement::GetInstance());
}

AcTransmitManage::~AcTransmitManage()
{
    StopThreads();
    CloseFd(m_event);
    CloseFd(m_recvWake);
}

void AcTransmitManage::GetAdapterList(AdapterList& list)
{
    std::lock_guard guard(m_adapterLock);
    ReadAdapterList(m_adapterSource, list);
}

bool AcTransmitManage::SelectCaptureDevice(const adapter_info_stu& adapter)
{
    std::vector<std::string> names;
    CaptureDeviceSource source;
    CaptureListFailureHook hook;
    {
        std::lock_guard guard(m_adapterLock);
        source = m_captureDeviceSource;
        hook = m_captureListFailureHook;
    }
    if (!source || !source(names)) {
        if (hook)
            hook("pcap_findalldevs error");
        return false;
    }
    const int index = FindCaptureDevice(names, FieldText(adapter.adapterName));
    if (index < 0)
        return false;
    SetCaptureName(names[static_cast<size_t>(index)]);
    return true;
}

bool AcTransmitManage::ApplyAdapter(const adapter_info_stu& adapter)
{
    MacAddress mac{};
    std::memcpy(mac.data(), adapter.mac, mac.size());
    SetAdapterMac(mac);
    return SelectCaptureDevice(adapter);
}

MacAddress AcTransmitManage::AdapterMac() const
{
    std::lock_guard guard(m_selectionLock);
    return m_adapterMac;
}

std::string AcTransmitManage::CaptureName() const
{
    std::lock_guard guard(m_selectionLock);
    return m_captureName;
}

void AcTransmitManage::SetAdapterMac(const MacAddress& mac)
{
    std::lock_guard guard(m_selectionLock);
    m_adapterMac = mac;
}

void AcTransmitManage::SetCaptureName(const std::string& name)
{
    std::lock_guard guard(m_selectionLock);
    // The record field holds 259 characters and a NUL.
    m_captureName = name.substr(0, 259);
}

void AcTransmitManage::SetAdapterSource(AdapterSource source)
{
    std::lock_guard guard(m_adapterLock);
    m_adapterSource = std::move(source);
}

void AcTransmitManage::SetCaptureDeviceSource(CaptureDeviceSource source)
{
    std::lock_guard guard(m_adapterLock);
    m_captureDeviceSource = std::move(source);
}

void AcTransmitManage::SetCaptureListFailureHook(CaptureListFailureHook hook)
{
    std::lock_guard guard(m_adapterLock);
    m_captureListFailureHook = std::move(hook);
}

void AcTransmitManage::StopReceive()
{
    if (!m_recvThread.joinable())
        return;
    m_stopRecv = true;
    Signal(m_recvWake);
    m_recvThread.join();
    m_stopRecv = false;
}

void AcTransmitManage::StopManage()
{
    if (!m_manageThread.joinable())
        return;
    m_stopManage = true;
    Signal(m_event);
    m_manageThread.join();
    m_stopManage = false;
}

void AcTransmitManage::StopThreads()
{
    StopReceive();
    StopManage();
}

bool AcTransmitManage::Init()
{
    // Both threads end before their descriptors are replaced.
    StopThreads();
    {
        // Answers of an earlier scan must not reach the new device table.
        std::lock_guard guard(m_answerLock);
        m_answerQueue.clear();
    }
    CloseFd(m_event);
    CloseFd(m_recvWake);
    m_event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_recvWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_event < 0 || m_recvWake < 0) {
        WriteDebugLog(__PRETTY_FUNCTION__, 1, 115, "create event_manage_discover fail");
        CloseFd(m_event);
        CloseFd(m_recvWake);
        return false;
    }

    {
        std::lock_guard guard(m_readyLock);
        m_recvReady = false;
    }
    try {
        m_recvThread = std::thread(&AcTransmitManage::ReceiveThread, this, CaptureName(),
                                   AdapterMac(), m_recvWake);
    } catch (const std::system_error&) {
        WriteDebugLog(__PRETTY_FUNCTION__, 1, 123, "create thread_recv_discover fail");
        return false;
    }
    {
        std::unique_lock lock(m_readyLock);
        m_readyChanged.wait_for(lock, kReceiveReadyWait, [this] { return m_recvReady; });
    }

    try {
        m_manageThread = std::thread(&AcTransmitManage::ManageThread, this, m_event);
    } catch (const std::system_error&) {
        WriteDebugLog(__PRETTY_FUNCTION__, 1, 131, "create thread_manage_discover fail");
        return false;
    }
    return true;
}

bool AcTransmitManage::BroadcastDiscover()
{
    auto capture = PcapCapture::Open(CaptureName(), kBroadcastBufferBytes);
    if (!capture)
        return false;
    return capture->Send(BuildDiscoverRequest(AdapterMac()));
}

void AcTransmitManage::ClearDeviceTable()
{
    std::lock_guard guard(m_deviceLock);
    m_deviceTable.clear();
    m_deviceMacs.clear();
}

std::vector<ap_discover_stu> AcTransmitManage::DeviceTable() const
{
    std::lock_guard guard(m_deviceLock);
    return m_deviceTable;
}

size_t AcTransmitManage::DeviceCount() const
{
    std::lock_guard guard(m_deviceLock);
    return m_deviceTable.size();
}

void AcTransmitManage::ReceiveThread(std::string captureName, MacAddress adapterMac, int wakeFd)
{
    auto markReady = [this] {
        std::lock_guard guard(m_readyLock);
        m_recvReady = true;
        m_readyChanged.notify_all();
    };
    auto capture = PcapCapture::Open(captureName, kReceiveBufferBytes);
    if (!capture || !capture->SetFilter("ether dst " + MacTextLower(adapterMac.data()) +
                                        " and ether proto 0x6262")) {
        markReady();
        return;
    }
    m_receiving = true;
    markReady();

    transmit_frame_stu frame;
    while (!m_stopRecv) {
        const auto waited = capture->WaitForever(wakeFd);
        if (m_stopRecv)
            break;
        if (waited == PcapCapture::WaitResult::Woken) {
            Drain(wakeFd);
            continue;
        }
        if (waited == PcapCapture::WaitResult::Error) {
            // A vanished interface keeps reporting errors; do not spin on it.
            pollfd wake{wakeFd, POLLIN, 0};
            poll(&wake, 1, 10);
        }
        bool queued = false;
        for (int handled = 0; !m_stopRecv; ++handled) {
            if (capture->ReadOne(frame) != 1)
                break;
            if (FrameTypeOf(frame) == FrameDiscover && FrameOpOf(frame) == OpAck) {
                std::lock_guard guard(m_answerLock);
                m_answerQueue.push_back(frame);
                queued = true;
            } else {
                DispatchFrame(frame);
            }
            if (queued && handled % kDrainBatch == kDrainBatch - 1) {
                Signal(m_event);
                queued = false;
            }
        }
        if (queued)
            Signal(m_event);
    }
    m_receiving = false;
}

void AcTransmitManage::DispatchFrame(const transmit_frame_stu& frame)
{
    struct Outcome {
        uint16_t type, op;
        int kind;
        bool success;
        int32_t status;
    };
    static constexpr Outcome kOutcomes[] = {
        {FramePara, OpParaOk, KindPara, true, OperateSuccess},
        {FramePara, OpParaFail, KindPara, false, OperateFail},
        {FrameLogo, OpLogoOk, KindLogo, true, OperateSuccess},
        {FrameLogo, OpLogoFail, KindLogo, false, OperateFail},
        {FrameAntiTheft, OpAntiTheftOk, KindAntiTheft, true, OperateSuccess},
        {FrameAntiTheft, OpAntiTheftFail, KindAntiTheft, false, LockcodeMismatch},
    };
    const uint16_t type = FrameTypeOf(frame);
    const uint16_t op = FrameOpOf(frame);
    for (const Outcome& outcome : kOutcomes) {
        if (outcome.type != type || outcome.op != op)
            continue;
        const std::string mac = MacTextOf(frame);
        WriteResultLog(outcome.kind, mac, outcome.success);
        CSqlManagement* sql = Database();
        if (!sql)
            return;
        if (outcome.kind == KindPara)
            sql->UpdateParaStatus(mac, outcome.status);
        else if (outcome.kind == KindLogo)
            sql->UpdateLogoStatus(mac, outcome.status);
        else
            sql->UpdateAntiTheftStatus(mac, outcome.status);
        return;
    }
    // Every other frame (block acknowledgements included) is not ours to read.
}

void AcTransmitManage::ManageThread(int eventFd)
{
    std::deque<transmit_frame_stu> answers;
    for (;;) {
        pollfd event{eventFd, POLLIN, 0};
        if (poll(&event, 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        Drain(eventFd);
        if (m_stopManage)
            return;
        {
            std::lock_guard guard(m_answerLock);
            answers.swap(m_answerQueue);
        }
        HandleAnswers(answers);
        answers.clear();
    }
}

void AcTransmitManage::HandleAnswers(std::deque<transmit_frame_stu>& answers)
{
    for (const transmit_frame_stu& frame : answers) {
        const ap_discover_stu record =
            BuildDiscoverRecord(frame.srcMac, frame.deviceInfo, LocalNow());
        const std::string mac = FieldText(record.mac);
        std::lock_guard guard(m_deviceLock);
        if (!m_deviceMacs.insert(mac).second)
            continue;
        m_deviceTable.push_back(record);
        // Lock order: deviceLock, then the database's own lock.
        AddDevice(record);
    }
}

bool AcTransmitManage::AddDevice(const ap_discover_stu& device)
{
    CSqlManagement* sql = Database();
    return sql && sql->AddDevice(device);
}

}  // namespace kestrune
