// FileDialog through the desktop portal's FileChooser on the session bus,
// falling back to zenity, then kdialog, run as child processes.
//
// Portal exchange: OpenFile/SaveFile answer at once with a request object;
// the choice arrives later as that object's Response signal (response 0 =
// chosen, results["uris"] = file URIs). The request path is predicted from
// our unique bus name and a handle token, and the signal is subscribed to
// before the call, so an answer cannot slip by.
#include <dbus/dbus.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/FileDialog.h"

extern char** environ;

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kFileChooserInterface = "org.freedesktop.portal.FileChooser";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr int kPortalCallTimeoutMs = 10000;
constexpr int kPollIntervalMs = 200;
// Pattern type of a portal filter entry: 0 = glob, 1 = MIME type.
constexpr dbus_uint32_t kGlobPattern = 0;
// Longest path a dialog helper may print; more is not a path.
constexpr size_t kMaxHelperOutput = 64 * 1024;

// "file:///a%20b" -> "/a b"; empty for any other scheme.
std::string PathFromFileUri(const std::string& uri) {
    const std::string prefix = "file://";
    if (uri.compare(0, prefix.size(), prefix) != 0) return {};
    std::string path;
    for (size_t i = prefix.size(); i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const std::string hex = uri.substr(i + 1, 2);
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                path += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        path += uri[i];
    }
    // A host part other than empty or localhost is not a local file.
    if (path.rfind("localhost/", 0) == 0) path.erase(0, 9);
    return !path.empty() && path[0] == '/' ? path : std::string();
}

void AppendStringVariant(DBusMessageIter* dict, const char* key, const std::string& value) {
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &variant);
    const char* text = value.c_str();
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &text);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(dict, &entry);
}

void AppendBoolVariant(DBusMessageIter* dict, const char* key, bool value) {
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "b", &variant);
    const dbus_bool_t flag = value ? TRUE : FALSE;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &flag);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(dict, &entry);
}

// filters: a(sa(us)) with one filter of one glob; current_filter: (sa(us)).
void AppendFilter(DBusMessageIter* container, const std::string& text, const std::string& pattern) {
    DBusMessageIter filter, patterns, entry;
    dbus_message_iter_open_container(container, DBUS_TYPE_STRUCT, nullptr, &filter);
    const char* name = text.c_str();
    dbus_message_iter_append_basic(&filter, DBUS_TYPE_STRING, &name);
    dbus_message_iter_open_container(&filter, DBUS_TYPE_ARRAY, "(us)", &patterns);
    dbus_message_iter_open_container(&patterns, DBUS_TYPE_STRUCT, nullptr, &entry);
    const dbus_uint32_t kind = kGlobPattern;
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_UINT32, &kind);
    const char* glob = pattern.c_str();
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &glob);
    dbus_message_iter_close_container(&patterns, &entry);
    dbus_message_iter_close_container(&filter, &patterns);
    dbus_message_iter_close_container(container, &filter);
}

void AppendFilters(DBusMessageIter* dict, const std::string& text, const std::string& pattern) {
    DBusMessageIter entry, variant, array;
    const char* key = "filters";
    dbus_message_iter_open_container(dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "a(sa(us))", &variant);
    dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "(sa(us))", &array);
    AppendFilter(&array, text, pattern);
    dbus_message_iter_close_container(&variant, &array);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(dict, &entry);
}

// The first URI of results["uris"] in a Response signal's a{sv}.
std::string FirstUri(DBusMessageIter* results) {
    if (dbus_message_iter_get_arg_type(results) != DBUS_TYPE_ARRAY) return {};
    DBusMessageIter dict;
    dbus_message_iter_recurse(results, &dict);
    for (; dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&dict)) {
        DBusMessageIter entry, variant, uris;
        dbus_message_iter_recurse(&dict, &entry);
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING) continue;
        const char* key = nullptr;
        dbus_message_iter_get_basic(&entry, &key);
        if (!key || std::string(key) != "uris" || !dbus_message_iter_next(&entry)) continue;
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_VARIANT) continue;
        dbus_message_iter_recurse(&entry, &variant);
        if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_ARRAY) continue;
        dbus_message_iter_recurse(&variant, &uris);
        if (dbus_message_iter_get_arg_type(&uris) != DBUS_TYPE_STRING) continue;
        const char* uri = nullptr;
        dbus_message_iter_get_basic(&uris, &uri);
        return uri ? std::string(uri) : std::string();
    }
    return {};
}

std::string HandleToken() {
    static std::atomic<unsigned> counter{0};
    return "tastra" + std::to_string(static_cast<long>(getpid())) + "_" + std::to_string(++counter);
}

enum class PortalResult { Chosen, Cancelled, Unavailable };

PortalResult PortalChoose(bool save, const FileDialogFilter& filter, std::string& path) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    if (!bus) {
        dbus_error_free(&error);
        return PortalResult::Unavailable;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    PortalResult result = PortalResult::Unavailable;

    // The request object the portal will create for this call.
    std::string sender = dbus_bus_get_unique_name(bus) ? dbus_bus_get_unique_name(bus) : "";
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    const std::string token = HandleToken();
    std::string requestPath = std::string(kPortalPath) + "/request/" + sender + "/" + token;
    const std::string rule =
        std::string("type='signal',interface='") + kRequestInterface + "',member='Response',path='" + requestPath + "'";
    dbus_bus_add_match(bus, rule.c_str(), &error);
    dbus_error_free(&error);

    const std::string text = filter.text.ToUtf8();
    const std::string pattern = filter.pattern.ToUtf8();
    DBusMessage* call = dbus_message_new_method_call(kPortalService, kPortalPath, kFileChooserInterface,
                                                     save ? "SaveFile" : "OpenFile");
    DBusMessage* reply = nullptr;
    if (call) {
        DBusMessageIter args, dict;
        dbus_message_iter_init_append(call, &args);
        const char* parent = "";
        const char* title = text.c_str();
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &parent);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &title);
        dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &dict);
        AppendStringVariant(&dict, "handle_token", token);
        AppendBoolVariant(&dict, "modal", true);
        AppendFilters(&dict, text, pattern);
        dbus_message_iter_close_container(&args, &dict);
        reply = dbus_connection_send_with_reply_and_block(bus, call, kPortalCallTimeoutMs, &error);
        dbus_message_unref(call);
    }
    dbus_error_free(&error);

    if (reply) {
        // The portal may name another request path than predicted.
        const char* handle = nullptr;
        if (dbus_message_get_args(reply, &error, DBUS_TYPE_OBJECT_PATH, &handle, DBUS_TYPE_INVALID) && handle &&
            requestPath != handle) {
            requestPath = handle;
            const std::string other = std::string("type='signal',interface='") + kRequestInterface +
                                      "',member='Response',path='" + requestPath + "'";
            dbus_bus_add_match(bus, other.c_str(), nullptr);
        }
        dbus_error_free(&error);
        dbus_message_unref(reply);
        result = PortalResult::Cancelled;
        // The user takes as long as they like; a portal that leaves the bus
        // ends the wait.
        bool answered = false;
        while (!answered && dbus_connection_read_write(bus, kPollIntervalMs)) {
            while (DBusMessage* message = dbus_connection_pop_message(bus)) {
                if (dbus_message_is_signal(message, kRequestInterface, "Response") &&
                    dbus_message_has_path(message, requestPath.c_str())) {
                    answered = true;
                    DBusMessageIter iter;
                    dbus_uint32_t response = 2;
                    if (dbus_message_iter_init(message, &iter) &&
                        dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_UINT32) {
                        dbus_message_iter_get_basic(&iter, &response);
                        if (response == 0 && dbus_message_iter_next(&iter)) {
                            path = PathFromFileUri(FirstUri(&iter));
                            if (!path.empty()) result = PortalResult::Chosen;
                        }
                    }
                }
                dbus_message_unref(message);
            }
        }
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return result;
}

// The full path of program name on $PATH; empty when not found.
std::string FindOnPath(const std::string& name) {
    const char* env = std::getenv("PATH");
    const std::string list = env ? env : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = list.find(':', start);
        const std::string folder = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            struct stat st {};
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// Runs a helper and reads what it prints; true when it exited with 0.
bool RunHelper(const std::vector<std::string>& argv, std::string& output) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            if (output.size() < kMaxHelperOutput) output.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HelperChoose(bool save, const FileDialogFilter& filter, std::string& path) {
    const std::string text = filter.text.ToUtf8();
    const std::string pattern = filter.pattern.ToUtf8();
    std::vector<std::string> argv;
    if (const std::string zenity = FindOnPath("zenity"); !zenity.empty()) {
        argv = {zenity, "--file-selection", "--title=" + text, "--file-filter=" + text + " | " + pattern};
        if (save) {
            argv.emplace_back("--save");
            argv.emplace_back("--confirm-overwrite");
        }
    } else if (const std::string kdialog = FindOnPath("kdialog"); !kdialog.empty()) {
        argv = {kdialog, "--title", text, save ? "--getsavefilename" : "--getopenfilename", ".", pattern + "|" + text};
    } else {
        return false;
    }
    std::string output;
    if (!RunHelper(argv, output)) return false;
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    if (output.empty() || output.size() >= kMaxHelperOutput || output[0] != '/' ||
        output.find('\n') != std::string::npos)
        return false;
    path = output;
    return true;
}

class PortalFileDialog final : public FileDialog {
public:
    bool ChooseFileToOpen(const FileDialogFilter& filter, CString& path) override {
        return Choose(false, filter, path);
    }
    bool ChooseFileToSave(const FileDialogFilter& filter, CString& path) override { return Choose(true, filter, path); }

private:
    static bool Choose(bool save, const FileDialogFilter& filter, CString& path) {
        std::string chosen;
        const PortalResult portal = PortalChoose(save, filter, chosen);
        if (portal == PortalResult::Cancelled) return false;
        if (portal == PortalResult::Unavailable && !HelperChoose(save, filter, chosen)) return false;
        path = CString::FromUtf8(chosen);
        return true;
    }
};

}  // namespace

std::unique_ptr<FileDialog> CreateFileDialog() {
    return std::make_unique<PortalFileDialog>();
}
