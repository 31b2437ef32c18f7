#pragma once

#include <QObject>

// Tells the GUI thread when a marking on a worker (AutoMarkRun) starts and ends, so that every
// control that could change the shown groups, their protection or the marking rules can be locked
// for the time of the run and given back after. Lives on the GUI thread; emitted only there.
class AutoMarkRunSignals : public QObject
{
    Q_OBJECT
public:
    static AutoMarkRunSignals &instance();

signals:
    // True as the run starts, false once its marks are handed to the GUI thread (or dropped).
    void runningChanged(bool running);

private:
    AutoMarkRunSignals() = default;
};
