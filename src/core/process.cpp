#include "core/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "core/platform.h"

extern char** environ;

namespace pv {
namespace {

// The desktop text editors tried in turn.
constexpr const char* kTextEditors[] = {"gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma"};
constexpr const char* kDesktopOpener = "xdg-open";

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Waits for the child on a thread of its own, so that it leaves no zombie once it ends, without touching
// the process-wide SIGCHLD handling that other code may rely on.
void ReapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child still runs; it only stays a zombie until the editor ends.
    }
}

}  // namespace

bool SystemProcessLauncher::Launch(const std::string& program, const std::vector<std::string>& arguments,
                                   const std::string& workingDirectory) {
    // A missing folder is refused before anything starts, rather than by a child that cannot change to it.
    if (program.empty() || !platform::FolderExists(workingDirectory)) return false;
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(program);
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    const std::string folder = workingDirectory;

    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return false;
    // The child starts with nothing blocked and with default handling of the signals the editor may
    // ignore, and in a process group of its own, so that an interrupt meant for the editor spares it.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        return false;
    }
    // The child changes folder itself: the editor's own current folder is shared by all its threads.
    pid_t pid = -1;
    int result = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (result == 0)
        result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) return false;
    ReapWhenDone(pid);
    return true;
}

std::string FindProgramOnPath(const std::string& name, const std::string& searchPath) {
    if (name.empty()) return std::string();
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        // An empty or relative entry means a folder relative to wherever the program happens to run, the
        // detailed file's folder for a text editor: never a place to take a program from.
        if (folder.empty() || folder.front() != '/') continue;
        if (folder.back() != '/') folder += '/';
        const std::string candidate = folder + name;
        if (IsExecutableFile(candidate)) return candidate;
    }
    return std::string();
}

std::string ChoosePlainTextEditor(const std::string& searchPath) {
    // The full path that was found is what starts: searching again at the start could find another
    // program of that name.
    for (const char* editor : kTextEditors) {
        if (std::string found = FindProgramOnPath(editor, searchPath); !found.empty()) return found;
    }
    if (std::string found = FindProgramOnPath(kDesktopOpener, searchPath); !found.empty()) return found;
    return kDesktopOpener;
}

std::string PlainTextEditorProgram() {
    const char* path = std::getenv("PATH");
    return ChoosePlainTextEditor(path ? path : "");
}

}  // namespace pv
