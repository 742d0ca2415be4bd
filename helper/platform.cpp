// POSIX implementation, with a Windows branch for the pieces that differ there.
#include "platform.h"
#include <cerrno>
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
bool RunProgram(const char* const* argv)
{
#ifdef _WIN32
    // The runtime joins the arguments into one command line; blanks need quoting there.
    // (Windows paths cannot hold double quotes, so quoting is enough.)
    std::string quoted[8];
    const char* args[8];
    int n = 0;
    for (; argv[n] && n < 7; n++)
    {
        quoted[n] = std::string("\"") + argv[n] + "\"";
        args[n] = quoted[n].c_str();
    }
    args[n] = NULL;
    intptr_t status = _spawnvp(_P_WAIT, argv[0], args);
    return status == 0;
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
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

static bool RenameOver(const char* tempName, const char* finalName)
{
#ifdef _WIN32
    return MoveFileExA(tempName, finalName, MOVEFILE_REPLACE_EXISTING) != 0;
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
    bool ok = CreateHardLinkA(secondName->c_str(), name, NULL) != 0;
#else
    bool ok = link(name, secondName->c_str()) == 0;
#endif
    if (!ok) secondName->clear();
    return ok;
}
