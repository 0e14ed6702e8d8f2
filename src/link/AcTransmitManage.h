#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "DeviceRecords.h"
#include "LocalAdapter.h"
#include "MacText.h"
#include "TransmitFrame.h"

namespace kestrune {

class CSqlManagement;

// The process-wide transport manager. It holds the chosen adapter (its MAC
// and capture device), sends the discovery broadcast, and runs two threads:
// the receive thread reads every protocol frame addressed to the adapter
// (discovery answers and device results), the manage thread turns discovery
// answers into device records and database rows. No thread is ever killed:
// each has a stop flag and is woken through an eventfd.
class AcTransmitManage {
public:
    // The single instance, created on first use.
    static AcTransmitManage* Instance();

    ~AcTransmitManage();
    AcTransmitManage(const AcTransmitManage&) = delete;
    AcTransmitManage& operator=(const AcTransmitManage&) = delete;

    // --- Adapters ---------------------------------------------------------
    // Reads the adapter list under adapterLock (empty when there is none).
    void GetAdapterList(AdapterList& list);
    // Stores the capture device of the adapter in captureName; false when no
    // capture device matches or the device list cannot be read (reported
    // through the capture-list hook; captureName keeps its value then).
    bool SelectCaptureDevice(const adapter_info_stu& adapter);
    // Applies an adapter: adapterMac from its MAC, then SelectCaptureDevice.
    bool ApplyAdapter(const adapter_info_stu& adapter);

    MacAddress AdapterMac() const;
    std::string CaptureName() const;
    void SetAdapterMac(const MacAddress& mac);
    void SetCaptureName(const std::string& name);

    // Tests feed made-up adapter and capture device lists through these.
    void SetAdapterSource(AdapterSource source);
    using CaptureDeviceSource = std::function<bool(std::vector<std::string>& names)>;
    void SetCaptureDeviceSource(CaptureDeviceSource source);
    // Called with "pcap_findalldevs error" when the capture device list cannot
    // be read; the window layer shows it as a message box.
    using CaptureListFailureHook = std::function<void(const std::string& text)>;
    void SetCaptureListFailureHook(CaptureListFailureHook hook);

    // --- Discovery --------------------------------------------------------
    // New wake-up event, both threads restarted on the current adapter. The
    // receive capture is open (or has failed) when this returns, so answers to
    // a broadcast sent right after are not lost.
    bool Init();
    // Sends one discovery request on the current adapter.
    bool BroadcastDiscover();
    // Empties the device table (the caller empties the database as well).
    void ClearDeviceTable();
    // Ends both threads (also done by Init before restarting, and at exit).
    void StopThreads();

    // A copy of the device table, in order of arrival.
    std::vector<ap_discover_stu> DeviceTable() const;
    size_t DeviceCount() const;
    // Whether the receive thread holds an open capture.
    bool Receiving() const { return m_receiving.load(); }

    // The results database the threads and transfers write to (the process
    // instance unless a test set another).
    CSqlManagement* Database() const { return m_sql.load(); }
    void SetDatabase(CSqlManagement* sql) { m_sql.store(sql); }

private:
    AcTransmitManage();
    void ReceiveThread(std::string captureName, MacAddress adapterMac, int wakeFd);
    void ManageThread(int eventFd);
    void DispatchFrame(const transmit_frame_stu& frame);
    void HandleAnswers(std::deque<transmit_frame_stu>& answers);
    bool AddDevice(const ap_discover_stu& device);
    void StopReceive();
    void StopManage();

    mutable std::mutex m_selectionLock;  // adapterMac and captureName
    MacAddress m_adapterMac{};
    std::string m_captureName;

    std::mutex m_adapterLock;
    AdapterSource m_adapterSource;
    CaptureDeviceSource m_captureDeviceSource;
    CaptureListFailureHook m_captureListFailureHook;

    std::thread m_recvThread;
    std::thread m_manageThread;
    int m_event = -1;     // event_manage_discover: wakes the manage thread
    int m_recvWake = -1;  // wakes the receive thread for its stop flag
    std::atomic<bool> m_stopRecv{false};
    std::atomic<bool> m_stopManage{false};
    std::atomic<bool> m_receiving{false};

    std::mutex m_readyLock;
    std::condition_variable m_readyChanged;
    bool m_recvReady = false;

    std::mutex m_answerLock;
    std::deque<transmit_frame_stu> m_answerQueue;

    mutable std::mutex m_deviceLock;
    std::vector<ap_discover_stu> m_deviceTable;
    std::unordered_set<std::string> m_deviceMacs;

    std::atomic<CSqlManagement*> m_sql{nullptr};
};

}  // namespace kestrune
