// What the update steps need from the main controller. All calls come from
// the controller's worker thread, one step at a time.
#pragma once

namespace updater {

enum class UpdateKind { Software, Firmware };

class UpdaterHost {
public:
    virtual ~UpdaterHost() = default;
    // Stops the main window's start-up timer (the one that would repeat the
    // software check).
    virtual void StopStartupTimer() = 0;
    // The upgrade button of `kind` gets `status` (1 = an update is available).
    virtual void SetUpgradeStatus(UpdateKind kind, int status) = 0;
    // Queues the firmware update command behind the running one.
    virtual void QueueFirmwareUpdate() = 0;
    // The keyboard's firmware version; negative when it does not answer.
    virtual int QueryFirmwareVersion() = 0;
    // Closes every opened keyboard interface so another program can open it.
    virtual void CloseAllDevices() = 0;
    // Scans for keyboards again and applies what was found.
    virtual void RescanDevices() = 0;
    // Ends the program (exit code 0) so a started installer can replace it.
    // A real host does not return.
    virtual void EndProcess() = 0;
};

}  // namespace updater
