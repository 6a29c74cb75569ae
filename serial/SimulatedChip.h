#pragma once

// The target chip's serial programming interface, driven by line levels alone:
// reset (DTR), clock (TxD break) and data in (RTS); its answer appears on CTS.
class SimulatedChip
{
public:
    void setReset(bool asserted) { m_reset = asserted; }
    void setClock(bool high) { m_clock = high; }
    void setData(bool level) { m_data = level; }
    bool dataOut() const { return false; }
    bool inReset() const { return m_reset; }

private:
    bool m_reset = false;
    bool m_clock = false;
    bool m_data = false;
};
