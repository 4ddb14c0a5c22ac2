#pragma once

// The progress of one painting run as its painter counts it. The algorithm that paints owns one
// and starts it afresh at each process(), so that two renders at once (a preview and an export)
// each count their own; only the thread of that run touches it.
//
// Two ways of counting, one for each kind of painter:
// - the stroke painter reports a percentage only when it differs from the last one it reported;
// - the expressive brushstrokes report a count that rises by one at each report, and label each
//   half of each pass "Step (k/n)".
class PaintProgress
{
public:
    // Back to the start of a run: last percentage 0, count 0, no step taken of none planned.
    void restart() { *this = PaintProgress(); }

    // The last percentage reported.
    int lastPercent() const { return m_lastPercent; }
    void setLastPercent(int percent) { m_lastPercent = percent; }

    // Count and steps start again from 0, with totalSteps steps planned.
    void startSteps(int totalSteps)
    {
        m_count = 0;
        m_step = 0;
        m_totalSteps = totalSteps;
    }
    // The count and the step after the last ones reported.
    int nextCount() { return ++m_count; }
    int nextStep() { return ++m_step; }
    int count() const { return m_count; }
    int step() const { return m_step; }
    int totalSteps() const { return m_totalSteps; }

private:
    int m_lastPercent = 0;
    int m_count = 0;
    int m_step = 0;
    int m_totalSteps = 0;
};
