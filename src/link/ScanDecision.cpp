#include "ScanDecision.h"

namespace kestrune {

ScanDecision::Action ScanDecision::Tick(int deviceCount)
{
    ++m_ticks;
    if (m_ticks == 1)
        m_lastCount = deviceCount;
    if (m_ticks % 4 != 0)
        return Action::Continue;
    if (deviceCount == m_lastCount) {
        Reset();
        return Action::Finish;
    }
    const bool rebroadcast = m_ticks % 6 == 0;
    m_lastCount = deviceCount;
    return rebroadcast ? Action::Rebroadcast : Action::Continue;
}

void ScanDecision::Reset()
{
    m_ticks = 0;
    m_lastCount = 0;
}

}  // namespace kestrune
