// Where a package download reports how far it got (the main window; it
// takes the values as posted notifications and never blocks the worker).
#pragma once

namespace updater {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // 0 .. 100; posted, never sent: must return at once.
    virtual void PostProgress(int value) = 0;
};

}  // namespace updater
