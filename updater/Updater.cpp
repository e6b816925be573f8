#include "updater/Updater.h"

#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/Paths.h"
#include "platform/Process.h"
#include "updater/VersionText.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

constexpr const char16_t* kVersionFile = u"version";
constexpr const char* kSoftwarePackage = "Keyboard-Software-%s.zip";
constexpr const char* kSoftwareInstaller = "Keyboard-Software-%s.exe";
constexpr const char* kFirmwarePackage = "FirmwareUpdateTool-%s.zip";
constexpr const char* kFirmwareTool = "FirmwareUpdateTool-%s.exe";
constexpr const char16_t* kFirmwareFolder = u"firmware/";

CString WithSlash(const CString& folder) {
    if (folder.IsEmpty() || folder.GetAt(folder.GetLength() - 1) == u'/') return folder;
    return folder + u"/";
}

bool IsRegularFile(const CString& path) {
    std::error_code error;
    return fs::is_regular_file(fs::path(path.ToUtf8()), error);
}

void RemoveFile(const CString& path) {
    std::error_code ignored;
    fs::remove(fs::path(path.ToUtf8()), ignored);
}

}  // namespace

Updater::Updater(UpdaterHost& host, ProgressSink* progress, TransferLimits limits, UnpackLimits unpackLimits)
    : m_host(host), m_progress(progress), m_downloader(limits), m_unpackLimits(unpackLimits) {}

void Updater::SetSoftwareSource(const CString& baseUrl, const CString& currentVersion) {
    std::lock_guard lock(m_mutex);
    m_sources.softwareBaseUrl = baseUrl;
    m_sources.currentSoftwareVersion = currentVersion;
}

void Updater::SetFirmwareSource(const CString& baseUrl, const CString& toolFile) {
    std::lock_guard lock(m_mutex);
    m_sources.firmwareBaseUrl = baseUrl;
    m_sources.firmwareToolFile = toolFile;
}

void Updater::SetFolders(const CString& tempFolder, const CString& programFolder) {
    std::lock_guard lock(m_mutex);
    m_sources.tempFolder = WithSlash(tempFolder);
    m_sources.programFolder = WithSlash(programFolder);
}

void Updater::SetRescanDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_sources.rescanDelay = delay;
}

CString Updater::LatestSoftwareVersion() const {
    std::lock_guard lock(m_mutex);
    return m_sources.latestSoftwareVersion;
}

CString Updater::LatestFirmwareVersion() const {
    std::lock_guard lock(m_mutex);
    return m_sources.latestFirmwareVersion;
}

Updater::Sources Updater::Snapshot() const {
    std::lock_guard lock(m_mutex);
    Sources copy = m_sources;
    if (copy.tempFolder.IsEmpty()) copy.tempFolder = paths::DataFolder() + u"temp/";
    if (copy.programFolder.IsEmpty()) copy.programFolder = paths::ProgramFolder();
    return copy;
}

void Updater::CheckSoftwareVersion() {
    m_host.StopStartupTimer();
    const Sources sources = Snapshot();
    CString latest;
    if (m_downloader.FetchText(sources.softwareBaseUrl + kVersionFile, &latest) != kTransferOk) return;
    if (!IsUsableVersionText(latest)) return;
    {
        std::lock_guard lock(m_mutex);
        m_sources.latestSoftwareVersion = latest;
    }
    const int order = CompareVersions(sources.currentSoftwareVersion, latest);
    if (order != kLatestIsNewer && order != kNotComparable) return;
    if (!InstallSoftwareUpdate()) m_host.SetUpgradeStatus(UpdateKind::Software, 1);
}

void Updater::CheckFirmwareVersion() {
    {
        std::lock_guard lock(m_mutex);
        m_sources.latestFirmwareVersion.Empty();
    }
    const Sources sources = Snapshot();
    CString latest;
    if (m_downloader.FetchText(sources.firmwareBaseUrl + kVersionFile, &latest) != kTransferOk) return;
    if (!IsUsableVersionText(latest)) return;
    {
        std::lock_guard lock(m_mutex);
        m_sources.latestFirmwareVersion = latest;
    }
    const int keyboardVersion = m_host.QueryFirmwareVersion();
    if (keyboardVersion < 0) return;
    // The keyboard reports its version as hexadecimal digits meant to be read
    // as a decimal number: 0x0102 is version 102.
    const int keyboardNumber = DecimalValue(CString::FormatUtf8("%x", static_cast<unsigned>(keyboardVersion)));
    if (keyboardNumber < DecimalValue(latest)) {
        m_host.SetUpgradeStatus(UpdateKind::Firmware, 1);
        m_host.QueueFirmwareUpdate();
    }
}

bool Updater::InstallSoftwareUpdate() {
    return InstallUpdate(UpdateKind::Software);
}

bool Updater::InstallFirmwareUpdate() {
    return InstallUpdate(UpdateKind::Firmware);
}

bool Updater::InstallUpdate(UpdateKind kind) {
    const Sources sources = Snapshot();
    const bool software = kind == UpdateKind::Software;
    const CString& latest = software ? sources.latestSoftwareVersion : sources.latestFirmwareVersion;
    if (!IsUsableVersionText(latest)) return false;
    const std::string version = latest.ToUtf8();
    const CString package = CString::FormatUtf8(software ? kSoftwarePackage : kFirmwarePackage, version.c_str());
    const CString program = CString::FormatUtf8(software ? kSoftwareInstaller : kFirmwareTool, version.c_str());
    const CString url = (software ? sources.softwareBaseUrl : sources.firmwareBaseUrl) + u"//" + package;
    const CString packageFile = sources.tempFolder + package;

    if (!paths::CreateFolderTree(sources.tempFolder)) return false;
    RemoveFile(packageFile);
    (void)m_downloader.DownloadToFile(url, packageFile, m_progress);
    if (!IsRegularFile(packageFile)) return false;
    if (Unpack(packageFile, sources.tempFolder, m_unpackLimits)) RemoveFile(packageFile);
    if (!process::StartProgram(sources.tempFolder + program)) return false;
    m_host.EndProcess();
    return true;
}

void Updater::RunLocalFirmwareTool() {
    const Sources sources = Snapshot();
    // The tool's name comes from a data file: it must name a file inside the
    // firmware folder, not climb out of it.
    CString tool = sources.firmwareToolFile;
    tool.Replace(u"\\", u"/");
    const std::string relative = SafeEntryPath(tool.ToUtf8());
    if (relative.empty() || relative != tool.ToUtf8()) return;
    const CString path = sources.programFolder + kFirmwareFolder + CString::FromUtf8(relative);
    if (!IsRegularFile(path)) return;

    m_host.CloseAllDevices();
    if (process::StartProgram(path)) {
        m_host.EndProcess();
        return;
    }
    std::this_thread::sleep_for(sources.rescanDelay);
    m_host.RescanDevices();
}

}  // namespace updater
