// helper's side of the web page: its transfer and decompression, and its image layer, run on
// files of the in-memory file system. In a file of its own, so the glue of the editor and the
// glue of helper each include only their own program's headers.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// helper's exit statuses that the page tells apart (dialogue.h; checked in web_helper.cpp).
const int WEB_HELPER_DONE = 0;
const int WEB_HELPER_IO_FAILURE = 5;

// ---- Streams the programs print to ----
struct Capture
{
    FILE* Stream = nullptr;
    char* Text = nullptr;
    size_t Size = 0;
};

void OpenCapture(Capture& c);
// Closes the stream and returns its text without the last line break.
std::string CloseCapture(Capture& c);

// ---- What an image holds ----
// Texts are numbered as helper numbers them: English, German, French, the credits.
const int WEB_TEXT_ENGLISH = 0;
const int WEB_TEXT_KINDS = 4;

struct RomFacts
{
    bool        Compressed = false; // as sold: the patched image is its decompressed form
    uint32_t    Texts = 0;          // bit k: text k was found whole, ready to extract
    uint64_t    PatchedSize = 0;    // of the patched image: decompressed, or the same (0 unknown)
    std::string Said;               // release, kind and texts for the status line ("" unknown)
};

// Recognises the image as helper does; one it cannot recognise holds no texts.
RomFacts LookAtRom(const std::string& path);

// ---- helper's transfer ----
// helper extract of one text into the working directory, replacing the message files there.
// *said is helper's line: its success or its refusal. Returns helper's exit status.
int ExtractText(const std::string& rom, int text, std::string* said);

// Writes the patched image to outPath: helper decompress of an image as sold (else a plain copy
// of the image), then helper inject of the message files of the working directory as that
// text, checksums included. Returns helper's exit status (its lines in *said); after a failure
// nothing is left at outPath.
int WritePatchedRom(const std::string& rom, bool compressed, int text, const std::string& outPath,
                    std::string* said);

// The name the patched image is offered under: an image as sold NAME.EXT gives
// NAME-decompressed.z64, any other keeps its name.
std::string PatchedRomName(const std::string& romName, bool compressed);
