#include "core/process.h"

#include <cstdlib>

#include "core/platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;
#endif

namespace pv {
namespace {

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

#ifndef _WIN32
// The desktop text editors tried in turn where there is no notepad.
constexpr const char* kTextEditors[] = {"gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma"};
constexpr const char* kDesktopOpener = "xdg-open";
#endif

bool IsAbsoluteFolder(const std::string& folder) {
#ifdef _WIN32
    return folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
#else
    return !folder.empty() && folder.front() == '/';
#endif
}

bool IsExecutableFile(const std::string& path) {
#ifdef _WIN32
    return platform::FileExists(path);
#else
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
#endif
}

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

// Quotes one argument so that the program's start-up code (CommandLineToArgvW rules) gives it back unchanged:
// blanks stay inside the quotes, a double quote is escaped, and backslashes double only before a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    for (auto it = argument.begin();; ++it) {
        size_t backslashes = 0;
        while (it != argument.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == argument.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted.push_back(*it);
    }
    quoted.push_back(L'"');
    return quoted;
}

bool Start(const std::string& program, const std::vector<std::string>& arguments,
           const std::string& workingDirectory, int showMode) {
    std::wstring commandLine = QuoteArgument(Wide(program));
    for (const auto& argument : arguments) commandLine += L" " + QuoteArgument(Wide(argument));
    const std::wstring folder = Wide(platform::NativePath(workingDirectory));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        folder.c_str(), &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

#else

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

#if (defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))) || defined(__APPLE__)
#define PV_SPAWN_HAS_CHDIR 1
#endif

bool Start(const std::string& program, const std::vector<std::string>& arguments,
           const std::string& workingDirectory, int /*showMode: the window manager decides*/) {
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(program);
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    const std::string folder = platform::NativePath(workingDirectory);

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

    pid_t pid = -1;
    int result = 0;
#ifdef PV_SPAWN_HAS_CHDIR
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        return false;
    }
    // The child changes folder itself: the editor's own current folder is shared by all its threads.
    result = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (result == 0)
        result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
#else
    posix_spawnattr_destroy(&attributes);
    // Without a chdir file action: fork, change folder, exec; a close-on-exec pipe reports a failure.
    int report[2];
    if (::pipe(report) != 0) return false;
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
    pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (::chdir(folder.c_str()) == 0) ::execvp(program.c_str(), argv.data());
        const int error = errno;
        (void)!::write(report[1], &error, sizeof(error));
        ::_exit(127);
    }
    ::close(report[1]);
    if (pid < 0) {
        result = errno;
    } else {
        int error = 0;
        ssize_t got = 0;
        while ((got = ::read(report[0], &error, sizeof(error))) == -1 && errno == EINTR) {
        }
        if (got > 0) {
            result = error;
            while (::waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
            }
        }
    }
    ::close(report[0]);
#endif
    if (result != 0) return false;
    ReapWhenDone(pid);
    return true;
}

#endif

}  // namespace

bool StatelessHelpers::LaunchExe(const std::string& program, const std::vector<std::string>& arguments,
                                 const std::string& workingDirectory, int showMode) {
    // Checked here as well, so that every platform refuses a missing folder the same way.
    if (program.empty() || !platform::FolderExists(workingDirectory)) return false;
    return Start(program, arguments, workingDirectory, showMode);
}

bool SystemProcessLauncher::Launch(const std::string& program, const std::vector<std::string>& arguments,
                                   const std::string& workingDirectory) {
    return StatelessHelpers().LaunchExe(program, arguments, workingDirectory, kShowNormal);
}

std::string FindProgramOnPath(const std::string& name, const std::string& searchPath) {
    if (name.empty()) return std::string();
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(kPathListSeparator, start);
        if (end == std::string::npos) end = searchPath.size();
        std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        // An empty or relative entry means a folder relative to wherever the program happens to run, the
        // detailed file's folder for a text editor: never a place to take a program from.
        if (!IsAbsoluteFolder(folder)) continue;
        if (folder.back() != '/' && folder.back() != platform::kSeparator) folder += platform::kSeparator;
        const std::string candidate = folder + name;
        if (IsExecutableFile(candidate)) return candidate;
    }
    return std::string();
}

std::string ChoosePlainTextEditor(const std::string& searchPath) {
#ifdef _WIN32
    (void)searchPath;
    return "notepad";
#else
    // The full path that was found is what starts: searching again at the start could find another
    // program of that name.
    for (const char* editor : kTextEditors) {
        if (std::string found = FindProgramOnPath(editor, searchPath); !found.empty()) return found;
    }
    if (std::string found = FindProgramOnPath(kDesktopOpener, searchPath); !found.empty()) return found;
    return kDesktopOpener;
#endif
}

std::string PlainTextEditorProgram() {
    const char* path = std::getenv("PATH");
    return ChoosePlainTextEditor(path ? path : "");
}

}  // namespace pv
