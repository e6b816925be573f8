// The update steps of the main controller: the software and firmware
// version checks, the package installs and the local firmware tool.
//
// Every step runs on the controller's worker thread and blocks it for the
// length of its transfers. The sources (urls, versions, the tool file) may be
// set from another thread when the data files are read again.
//
// The program ends only once an installer or tool was actually started; a
// failed download, an error page, a package without the expected program
// leave it running.
#pragma once

#include <chrono>
#include <mutex>

#include "ui/base/CString.h"
#include "updater/Downloader.h"
#include "updater/ProgressSink.h"
#include "updater/Unpack.h"
#include "updater/UpdaterHost.h"

namespace updater {

class Updater {
public:
    // `progress` receives the download progress (may be null).
    Updater(UpdaterHost& host, ProgressSink* progress, TransferLimits limits = {}, UnpackLimits unpackLimits = {});

    // The software web folder (ends where "version" is appended) and the
    // running program's version.
    void SetSoftwareSource(const CString& baseUrl, const CString& currentVersion);
    // The firmware web folder of the loaded model (empty when its layout has
    // none) and the name of its tool in the program's firmware folder.
    void SetFirmwareSource(const CString& baseUrl, const CString& toolFile);
    // Where packages are unpacked (default: the data folder's temp/) and the
    // folder holding firmware/ (default: the executable's folder).
    void SetFolders(const CString& tempFolder, const CString& programFolder);
    // The pause before the rescan after the local tool failed to start.
    void SetRescanDelay(std::chrono::milliseconds delay);

    // Fetches the published software version; a newer or incomparable one is
    // installed at once, and when that does not happen the software upgrade
    // button is marked.
    void CheckSoftwareVersion();
    // Fetches the published firmware version and compares it with the
    // keyboard's; when the keyboard's is older, marks the firmware upgrade
    // button and queues the firmware update.
    void CheckFirmwareVersion();
    // Download, unpack, start the installer or tool, end the program. False
    // when nothing was started (the program goes on).
    bool InstallSoftwareUpdate();
    bool InstallFirmwareUpdate();
    // Starts the firmware tool shipped in the program's firmware folder with
    // the keyboard released; when it cannot start, rescans after a pause.
    void RunLocalFirmwareTool();

    [[nodiscard]] CString LatestSoftwareVersion() const;
    [[nodiscard]] CString LatestFirmwareVersion() const;

private:
    struct Sources {
        CString softwareBaseUrl;
        CString currentSoftwareVersion;
        CString latestSoftwareVersion;
        CString firmwareBaseUrl;
        CString firmwareToolFile;
        CString latestFirmwareVersion;
        CString tempFolder;
        CString programFolder;
        std::chrono::milliseconds rescanDelay{2000};
    };

    bool InstallUpdate(UpdateKind kind);
    [[nodiscard]] Sources Snapshot() const;

    UpdaterHost& m_host;
    ProgressSink* m_progress;
    Downloader m_downloader;
    UnpackLimits m_unpackLimits;
    mutable std::mutex m_mutex;  // guards m_sources
    Sources m_sources;
};

}  // namespace updater
