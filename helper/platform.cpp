// POSIX implementation, with a Windows branch for the pieces that differ there.
#include "platform.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

bool (*HelperFaultHook)(HelperFileStep step, const char* name) = NULL;

bool HelperStepFails(HelperFileStep step, const char* name)
{
    if (!HelperFaultHook || !HelperFaultHook(step, name)) return false;
    errno = EIO;
    return true;
}

// ---- Console ----------------------------------------------------------------------------------
#ifdef _WIN32
static UINT OldInputCodePage = 0, OldOutputCodePage = 0;

static void RestoreConsole()
{
    if (OldInputCodePage) SetConsoleCP(OldInputCodePage);
    if (OldOutputCodePage) SetConsoleOutputCP(OldOutputCodePage);
}
#endif

void PrepareConsole()
{
#ifdef _WIN32
    OldInputCodePage = GetConsoleCP();
    OldOutputCodePage = GetConsoleOutputCP();
    if (!OldInputCodePage && !OldOutputCodePage) return; // no console: pipes carry bytes as they are
    SetConsoleCP(CP_UTF8);
    SetConsoleOutputCP(CP_UTF8);
    atexit(RestoreConsole);
#endif
}

// ---- Pause ------------------------------------------------------------------------------------
static const char PAUSE_PROMPT[] = "Press Enter to continue . . . ";

static bool SkipLine(FILE* in) // true when a line break was found before end of input
{
    for (;;)
    {
        int c = fgetc(in);
        if (c == EOF) return false;
        if (c == '\n') return true;
    }
}

void PauseConsole(FILE* in, FILE* out, bool restOfLinePending)
{
    fputs(PAUSE_PROMPT, out);
    fflush(out);
    bool open = true;
    if (restOfLinePending) open = SkipLine(in);
    if (open) SkipLine(in);
#ifdef _WIN32
    bool interactive = _isatty(_fileno(in)) != 0;
#else
    bool interactive = isatty(fileno(in)) != 0;
#endif
    // A terminal echoes the Enter itself; piped input does not, so end the line for it.
    if (!interactive) fputc('\n', out);
    fflush(out);
}

// ---- Starting a program -----------------------------------------------------------------------
// By the runtime's rules: backslashes are literal except before a double quote, where each
// pair gives one backslash and an odd one escapes the quote.
static void AppendQuotedArgument(std::string& line, const char* arg)
{
    if (*arg && !strpbrk(arg, " \t\n\v\""))
    {
        line += arg;
        return;
    }
    line += '"';
    for (const char* p = arg;; p++)
    {
        size_t backslashes = 0;
        while (*p == '\\') { backslashes++; p++; }
        if (*p == '\0')
        {
            line.append(backslashes * 2, '\\'); // the closing quote must stay a quote
            break;
        }
        if (*p == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        line += *p;
    }
    line += '"';
}

std::string JoinWindowsCommandLine(const char* const* argv)
{
    std::string line;
    for (int i = 0; argv[i]; i++)
    {
        if (i > 0) line += ' ';
        AppendQuotedArgument(line, argv[i]);
    }
    return line;
}

bool RunProgram(const char* const* argv)
{
#ifdef _WIN32
    // No command interpreter: the program is found the way CreateProcess finds it (beside
    // helper, the working directory, the system folders, then PATH). The line is converted from
    // UTF-8 to UTF-16 so that a non-ASCII ROM path reaches the tool unchanged.
    std::string line = JoinWindowsCommandLine(argv);
    int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.c_str(), -1, NULL, 0);
    if (wideSize <= 0) return false;
    std::wstring wide((size_t)wideSize, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.c_str(), -1, &wide[0], wideSize);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessW(NULL, &wide[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    DWORD code = 1;
    bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return ended && code == 0;
#else
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0)
    {
        execvp(argv[0], (char* const*)argv);
        _exit(127); // not found or not startable: the parent does not look
    }
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {}
    return waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

// ---- Files ------------------------------------------------------------------------------------
FILE* OpenFileRead(const char* name)
{
    FILE* f = fopen(name, "rb");
    if (!f) return NULL;
    uint64_t size;
    if (!FileSizeOf(f, &size)) { fclose(f); return NULL; } // a directory, a device, ...
    return f;
}

bool FileSizeOf(FILE* f, uint64_t* size)
{
#ifdef _WIN32
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || !(st.st_mode & _S_IFREG)) return false;
#else
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return false;
#endif
    *size = (uint64_t)st.st_size;
    return true;
}

bool PathExists(const char* name)
{
#ifdef _WIN32
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return stat(name, &st) == 0;
#endif
}

bool IsSameFile(FILE* f, const char* name)
{
#ifdef _WIN32
    HANDLE open = (HANDLE)_get_osfhandle(_fileno(f));
    HANDLE other = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (open == INVALID_HANDLE_VALUE || other == INVALID_HANDLE_VALUE)
    {
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(other, &b) &&
                a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
#else
    struct stat a, b;
    return fstat(fileno(f), &a) == 0 && stat(name, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
}

bool SeekTo(FILE* f, uint64_t pos)
{
#ifdef _WIN32
    return _fseeki64(f, (__int64)pos, SEEK_SET) == 0;
#else
    if (pos > (uint64_t)INT64_MAX) return false;
    return fseeko(f, (off_t)pos, SEEK_SET) == 0;
#endif
}

FILE* CreateTempFileFor(const char* finalName, std::string* tempName)
{
#ifdef _WIN32
    int pid = _getpid();
#else
    int pid = (int)getpid();
#endif
    if (HelperStepFails(HELPER_STEP_CREATE, finalName)) return NULL;
    for (int attempt = 0; attempt < 100; attempt++)
    {
        char suffix[48];
        snprintf(suffix, sizeof(suffix), ".tmp-%d-%d", pid, attempt);
        *tempName = std::string(finalName) + suffix;
#ifdef _WIN32
        int fd = _open(tempName->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) return _fdopen(fd, "wb");
#else
        // Plain creation mode so the umask gives the same permissions as any new file.
        int fd = open(tempName->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0)
        {
            FILE* f = fdopen(fd, "wb");
            if (!f) { close(fd); remove(tempName->c_str()); }
            return f;
        }
#endif
        if (errno != EEXIST) return NULL;
    }
    return NULL;
}

bool FlushToDisk(FILE* f)
{
    if (HelperStepFails(HELPER_STEP_SYNC, NULL)) return false;
    if (fflush(f) != 0) return false;
#ifdef _WIN32
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

static bool RenameOver(const char* tempName, const char* finalName)
{
#ifdef _WIN32
    // Write-through: the call returns once the new name is on the disk.
    return MoveFileExA(tempName, finalName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(tempName, finalName) == 0;
#endif
}

bool ReplaceByRename(const char* tempName, const char* finalName)
{
    if (HelperStepFails(HELPER_STEP_RENAME, finalName)) return false;
    return RenameOver(tempName, finalName);
}

bool PutBack(const char* secondName, const char* name)
{
    return RenameOver(secondName, name);
}

bool KeepSecondName(const char* name, std::string* secondName)
{
    *secondName = std::string(name) + ".old";
#ifdef _WIN32
    int pid = _getpid();
#else
    int pid = (int)getpid();
#endif
    char suffix[32];
    snprintf(suffix, sizeof(suffix), "-%d", pid);
    *secondName += suffix;
    remove(secondName->c_str()); // a leftover of a killed run with the same process number
#ifdef _WIN32
    // A copy, not a hard link: a second name of a file that another program holds open could
    // not be deleted afterwards and would stay beside the message files.
    bool ok = CopyFileA(name, secondName->c_str(), TRUE) != 0;
#else
    bool ok = link(name, secondName->c_str()) == 0;
#endif
    if (!ok) secondName->clear();
    return ok;
}
