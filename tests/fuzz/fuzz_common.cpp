#include "fuzz_common.h"

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string Directory;

static void RemoveDirectory()
{
    ClearFuzzDirectory();
    rmdir(Directory.c_str());
}

const std::string& FuzzDirectory()
{
    if (Directory.empty())
    {
        // A memory file system keeps the many small writes and syncs cheap.
        const char* base = getenv("TMPDIR");
        struct stat st;
        if (!base || !*base) base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/velloran-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        FUZZ_CHECK(mkdtemp(name.data()) != nullptr, "cannot make the working directory");
        Directory = name.data();
        atexit(RemoveDirectory);
    }
    return Directory;
}

void ClearFuzzDirectory()
{
    DIR* d = opendir(FuzzDirectory().c_str());
    if (!d) return;
    while (dirent* e = readdir(d))
    {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        unlink((Directory + "/" + e->d_name).c_str());
    }
    closedir(d);
}

void WriteFuzzFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr, "cannot create an input file");
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    FUZZ_CHECK(fclose(f) == 0 && ok, "cannot write an input file");
}

bool OnlyMessageFilesIn(const std::string& dir, const char* also, const char* also2)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    bool only = true;
    while (dirent* e = readdir(d))
    {
        const char* n = e->d_name;
        if (strcmp(n, ".") && strcmp(n, "..") && strcmp(n, "table") && strcmp(n, "nes_message_data_static") &&
            (!also || strcmp(n, also)) && (!also2 || strcmp(n, also2)))
            only = false;
    }
    closedir(d);
    return only;
}
