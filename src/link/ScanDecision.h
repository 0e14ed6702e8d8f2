#pragma once

// The rule that ends a device scan, driven by the adapter page's one-second
// timer with the number of devices stored so far. A scan lasts at least four
// ticks and ends at the first multiple of four ticks at which no device was
// added in the window before it; while devices keep arriving the discovery
// request is repeated every twelve ticks.
namespace kestrune {

class ScanDecision {
public:
    enum class Action {
        Continue,     // nothing to do this tick
        Rebroadcast,  // send the discovery request again
        Finish,       // the scan is over: show the devices
    };

    // Call once per timer tick with the current device count.
    Action Tick(int deviceCount);
    // Back to the state of a new scan (done by Finish itself as well).
    void Reset();

    int Ticks() const { return m_ticks; }
    int LastCount() const { return m_lastCount; }

private:
    int m_ticks = 0;
    int m_lastCount = 0;
};

}  // namespace kestrune
