// All-or-nothing file replacement and whole-file reading.
#include "file_layer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#endif

bool (*FileFaultHook)(FileStep step, const char* path) = nullptr;

static bool InjectedFault(FileStep step, const char* path)
{
    if (FileFaultHook && FileFaultHook(step, path))
    {
        errno = EIO;
        return true;
    }
    return false;
}

const char* FileLayerProgramName = "velloran";
static char LastFailure[512] = "";

static void ReportFailure(const std::string& path, const char* what, int error)
{
    snprintf(LastFailure, sizeof(LastFailure), "cannot %s %s: %s", what, path.c_str(), strerror(error));
    fprintf(stderr, "%s: %s\n", FileLayerProgramName, LastFailure);
}

const char* LastFileFailure()
{
    return LastFailure;
}

// ---- The few calls that differ on Windows -------------------------------------------------------
#ifdef _WIN32
static int ErrnoFromLastError()
{
    switch (GetLastError())
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

// Write-through: the call returns once the new name is on the disk.
static bool RenameOver(const char* from, const char* to)
{
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = ErrnoFromLastError();
    return false;
}

// A copy, not a hard link: a second name of a file that another program holds open could not
// be deleted afterwards (the sharing rules belong to the file, not to one name), and would be
// left behind beside the message files.
static bool LinkName(const char* existing, const char* newName)
{
    return CopyFileA(existing, newName, TRUE) != 0;
}

static bool SyncFile(FILE* f)
{
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
    if (h != INVALID_HANDLE_VALUE && FlushFileBuffers(h)) return true;
    errno = ErrnoFromLastError();
    return false;
}

// A fresh name beside the target, created exclusively; the file inherits its folder's access.
static int CreateExclusive(std::string& tempPath)
{
    const std::string base = tempPath;
    for (int attempt = 0; attempt < 100; attempt++)
    {
        char suffix[48];
        snprintf(suffix, sizeof(suffix), "%d-%d", _getpid(), attempt);
        tempPath = base + suffix;
        int fd = _open(tempPath.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}
#else
static bool RenameOver(const char* from, const char* to)
{
    return rename(from, to) == 0;
}

static bool LinkName(const char* existing, const char* newName)
{
    return link(existing, newName) == 0;
}

static bool SyncFile(FILE* f)
{
    return fsync(fileno(f)) == 0;
}
#endif

// ---- Reading ----------------------------------------------------------------------------------
ReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents)
{
    contents.clear();
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? READ_MISSING : READ_FAILED;
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        contents.reserve((size_t)st.st_size);
    uint8_t chunk[16384];
    bool ok = true;
    for (;;)
    {
        size_t got = fread(chunk, 1, sizeof(chunk), f);
        contents.insert(contents.end(), chunk, chunk + got);
        if (got < sizeof(chunk))
        {
            ok = !ferror(f);
            break;
        }
    }
    fclose(f);
    return ok ? READ_OK : READ_FAILED;
}

// ---- Writing ----------------------------------------------------------------------------------
static size_t LastSlash(const std::string& path)
{
#ifdef _WIN32
    return path.find_last_of("/\\");
#else
    return path.rfind('/');
#endif
}

static std::string DirectoryOf(const std::string& path)
{
    size_t slash = LastSlash(path);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

#ifndef _WIN32
// The mode a replacement should carry: the target's own, or what a new file would get.
static mode_t ModeFor(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}
#endif

// Writes one temporary file beside path; fills tempPath. Returns 0 or the errno of the failure.
static int WriteTemporary(const FileToWrite& file, std::string& tempPath, const char** what)
{
    size_t slash = LastSlash(file.Path);
    std::string base = slash == std::string::npos ? file.Path : file.Path.substr(slash + 1);
    tempPath = DirectoryOf(file.Path) + "/." + base + ".XXXXXX";
    *what = "create a temporary file for";
    if (InjectedFault(FILE_STEP_CREATE, file.Path.c_str()))
    {
        tempPath.clear();
        return errno;
    }
#ifdef _WIN32
    tempPath.resize(tempPath.size() - 6);
    int fd = CreateExclusive(tempPath);
    if (fd < 0)
    {
        tempPath.clear();
        return errno;
    }
#else
    std::vector<char> name(tempPath.begin(), tempPath.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
    {
        tempPath.clear();
        return errno;
    }
    tempPath = name.data();
    fchmod(fd, ModeFor(file.Path));
#endif
    FILE* f = fdopen(fd, "wb");
    if (!f)
    {
        int error = errno;
        close(fd);
        return error;
    }
    *what = "write";
    for (uint32_t done = 0; done < file.Size;)
    {
        uint32_t n = file.Size - done < FILE_WRITE_CHUNK ? file.Size - done : FILE_WRITE_CHUNK;
        if (InjectedFault(FILE_STEP_WRITE, file.Path.c_str()) || fwrite(file.Data + done, 1, n, f) != n)
        {
            int error = errno ? errno : EIO;
            fclose(f);
            return error;
        }
        done += n;
    }
    *what = "sync";
    if (InjectedFault(FILE_STEP_SYNC, file.Path.c_str()) || fflush(f) != 0 || !SyncFile(f))
    {
        int error = errno;
        fclose(f);
        return error;
    }
    *what = "close";
    if (fclose(f) != 0)
        return errno;
    return 0;
}

bool ReplaceFiles(const FileToWrite* files, int count)
{
    std::vector<std::string> temps((size_t)count);
    bool ok = true;
    for (int i = 0; i < count && ok; i++)
    {
        const char* what = "write";
        errno = 0;
        int error = WriteTemporary(files[i], temps[i], &what);
        if (error != 0)
        {
            ReportFailure(files[i].Path, what, error);
            ok = false;
        }
    }
    // Renames only when every temporary file is complete. Each target that exists gets a second
    // name first, so that when a later rename fails the earlier targets can be put back and a
    // failed save leaves every original as it was.
    std::vector<std::string> backups((size_t)count);
    std::vector<bool> existed((size_t)count, false);
    for (int i = 0; i < count && ok; i++)
    {
        struct stat st;
        existed[i] = stat(files[i].Path.c_str(), &st) == 0;
        if (!existed[i]) continue;
        std::string backup = temps[i] + ".old";
        if (LinkName(files[i].Path.c_str(), backup.c_str()))
            backups[i] = backup;
    }
    int renamed = 0;
    for (int i = 0; i < count && ok; i++)
    {
        if (InjectedFault(FILE_STEP_RENAME, files[i].Path.c_str()) ||
            !RenameOver(temps[i].c_str(), files[i].Path.c_str()))
        {
            ReportFailure(files[i].Path, "replace", errno);
            ok = false;
            break;
        }
        temps[i].clear();
        renamed++;
    }
    if (!ok)
        for (int i = 0; i < renamed; i++)
        {
            if (!backups[i].empty() && RenameOver(backups[i].c_str(), files[i].Path.c_str()))
                backups[i].clear();
            else if (!existed[i])
                unlink(files[i].Path.c_str());
        }
    for (const std::string& backup : backups)
        if (!backup.empty())
            unlink(backup.c_str());
    for (const std::string& temp : temps)
        if (!temp.empty())
            unlink(temp.c_str());
#ifndef _WIN32
    if (ok && count > 0)
    {
        // Make the renames themselves durable.
        int dir = open(DirectoryOf(files[0].Path).c_str(), O_RDONLY);
        if (dir >= 0)
        {
            fsync(dir);
            close(dir);
        }
    }
#endif
    return ok;
}

bool RemoveFile(const std::string& path)
{
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}
