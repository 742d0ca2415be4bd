// The one place that touches the disk: reading a file whole and replacing files all-or-nothing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum ReadResult
{
    READ_OK,
    READ_MISSING,  // no such file
    READ_FAILED,   // present but could not be read
};

ReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents);

struct FileToWrite
{
    std::string Path;
    const uint8_t* Data;
    uint32_t Size;
};

// Writes every file in full to a temporary file in its own directory (flushed and synced), then
// renames them over their targets in the order given. On failure one line naming the file and
// the reason goes to stderr, the temporary files are removed, targets already renamed are put
// back from a second name made before the first rename (a hard link; on Windows a copy), and
// false is returned: every target is then as it was (only where no second name can be made can
// an earlier target stay replaced).
bool ReplaceFiles(const FileToWrite* files, int count);

// The line last reported by ReplaceFiles, without the program's name ("" before any failure).
const char* LastFileFailure();

// The program named in front of a failure line on standard error ("velloran" unless set).
extern const char* FileLayerProgramName;

// Removes a file; true when it is gone.
bool RemoveFile(const std::string& path);

// ---- Fault injection for tests ----------------------------------------------------------------
enum FileStep
{
    FILE_STEP_CREATE,  // creating a temporary file
    FILE_STEP_WRITE,   // writing one chunk (files are written in chunks of FILE_WRITE_CHUNK)
    FILE_STEP_SYNC,    // flushing and syncing a temporary file
    FILE_STEP_RENAME,  // renaming a temporary file over its target
};
const uint32_t FILE_WRITE_CHUNK = 64 * 1024;

// When set, called before every step; returning true makes that step fail (errno EIO).
extern bool (*FileFaultHook)(FileStep step, const char* path);
