#include "core/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>

#include "core/platform.h"

extern char** environ;

namespace pv {
namespace {

// The desktop text editors tried in turn.
constexpr const char* kTextEditors[] = {"gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma"};
constexpr const char* kDesktopOpener = "xdg-open";
// Debian's name for the user's chosen terminal emulator; it takes the program to run after -e.
constexpr const char* kTerminalEmulator = "x-terminal-emulator";
// Editors that draw in a terminal; "editor" and "sensible-editor" are Debian's choices of one.
constexpr std::string_view kTerminalEditors[] = {
    "vi",  "vim",   "vim.basic", "vim.tiny", "nvim",           "nvi",   "elvis",
    "vis", "ex",    "ed",        "nano",     "pico",           "micro", "joe",
    "jed", "jove",  "mg",        "zile",     "mcedit",         "ne",    "kak",
    "hx",  "helix", "emacs-nox", "editor",   "sensible-editor"};

// A command of $VISUAL or $EDITOR as its words; no shell reads it, so quotes are not taken apart.
std::vector<std::string> SplitAtBlanks(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while ((start = text.find_first_not_of(" \t", start)) != std::string::npos) {
        const size_t end = text.find_first_of(" \t", start);
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program a command names: a bare name along the search path, an absolute path as it is; a relative
// path (which would be taken from the folder the editor starts in) never.
std::string Locate(const std::string& command, const std::string& searchPath) {
    if (command.find('/') == std::string::npos) return FindProgramOnPath(command, searchPath);
    return command.front() == '/' && IsExecutableFile(command) ? command : std::string();
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

EditorEnvironment EditorEnvironment::Current() {
    const auto variable = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value) return std::nullopt;
        return std::string(value);
    };
    EditorEnvironment environment;
    environment.visual = variable("VISUAL");
    environment.editor = variable("EDITOR");
    environment.searchPath = variable("PATH").value_or("");
    return environment;
}

bool IsTerminalEditor(const std::string& program) {
    const size_t slash = program.rfind('/');
    const std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
    return std::find(std::begin(kTerminalEditors), std::end(kTerminalEditors), name) !=
           std::end(kTerminalEditors);
}

std::vector<EditorCandidate> TextEditorCandidates(const EditorEnvironment& environment) {
    std::vector<EditorCandidate> candidates;
    const auto fromVariable = [&](const char* variable, const std::optional<std::string>& value) {
        const std::string label = std::string("$") + variable;
        EditorCandidate candidate;
        const std::vector<std::string> words = SplitAtBlanks(value.value_or(""));
        if (words.empty()) {
            candidate.tried = label + " (" + (value ? "empty" : "not set") + ")";
            candidates.push_back(candidate);
            return;
        }
        const std::string& command = words.front();
        const std::string program = Locate(command, environment.searchPath);
        const std::vector<std::string> options(words.begin() + 1, words.end());
        if (program.empty()) {
            candidate.tried = label + " (" + command + ": " +
                              (command.find('/') == std::string::npos ? "not found on the search path"
                                                                      : "not an absolute path of a program") +
                              ")";
        } else if (IsTerminalEditor(command) ||
                   std::find(options.begin(), options.end(), "-nw") != options.end()) {
            // A terminal program started on its own would have no terminal to draw in.
            const std::string terminal = FindProgramOnPath(kTerminalEmulator, environment.searchPath);
            candidate.tried = label + " (" + command + ", in " + kTerminalEmulator +
                              (terminal.empty() ? ", which is not installed)" : ")");
            if (!terminal.empty()) {
                candidate.program = terminal;
                candidate.arguments = {"-e", program};
                candidate.arguments.insert(candidate.arguments.end(), options.begin(), options.end());
            }
        } else {
            candidate.program = program;
            candidate.arguments = options;
            candidate.tried = label + " (" + command + ")";
        }
        candidates.push_back(candidate);
    };
    fromVariable("VISUAL", environment.visual);
    fromVariable("EDITOR", environment.editor);

    EditorCandidate opener;
    opener.program = FindProgramOnPath(kDesktopOpener, environment.searchPath);
    opener.tried = std::string(kDesktopOpener) + (opener.program.empty() ? " (not installed)" : "");
    candidates.push_back(opener);
    // The full path that was found is what starts: searching again at the start could find another
    // program of that name.
    EditorCandidate desktop;
    desktop.tried = "the usual desktop text editors (none installed)";
    for (const char* editor : kTextEditors) {
        desktop.program = FindProgramOnPath(editor, environment.searchPath);
        if (desktop.program.empty()) continue;
        desktop.tried = editor;
        break;
    }
    candidates.push_back(desktop);
    return candidates;
}

}  // namespace pv
