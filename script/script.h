// velloran-script: the whole text of the two message files as one readable UTF-8 file and back
// (export, import), and the check of every box against what the preview would draw wrongly.
// Built on the store (files, safe save), the encoding tables and the text measure.
#pragma once
#include "message_store.h"
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---- Names of the format (script_names.cpp) ----------------------------------------------------
// One name per byte value that the text writes as itself or as a tag. Each is looked up
// case-insensitively when read.
const char* ColourName(uint8_t colour);        // "red" for 0x41; NULL outside 0x40..0x47
const char* SymbolName(uint8_t b);             // controller symbols 0x9F..0xAB; NULL otherwise
const char* BoxTypeName(uint8_t type);         // "black" ... "black-text"; NULL for 6..15
const char* BoxPositionName(uint8_t position); // "bottom", "top", "center"; NULL for 3..15
// The sound's name without its leading blanks, or NULL when the ID is not in the table or
// another ID before it has the same name (it is then written by its hex ID).
const char* SoundTagName(uint16_t soundId);
// Reverse look-ups; false when the word names nothing.
bool FindColourName(const std::string& lowerName, uint8_t* colour);
bool FindSymbolName(const std::string& lowerName, uint8_t* b);
bool FindBoxTypeName(const std::string& lowerName, uint8_t* type);
bool FindBoxPositionName(const std::string& lowerName, uint8_t* position);
bool FindSoundName(const std::string& lowerName, uint16_t* soundId);
// Byte of a Unicode code point in the text (ASCII, the accented letters, the yen sign);
// -1 when the encoding has none.
int ByteOfCodePoint(uint32_t codePoint);

// How a code's tag writes its argument bytes (read big-endian as one number).
enum TagArgument : uint8_t
{
    TAG_NO_ARGUMENT,
    TAG_DECIMAL,  // {speed 2}, {fade-long 300}
    TAG_MESSAGE,  // a message ID in four hex digits, as in a header: {goto 4013}
    TAG_HEX,      // {background 0x000A01}
    TAG_COLOUR,   // {red}, or {color 0x52} outside the colour table
    TAG_SOUND,    // {sound Poe Giggle} or {sound 0x28DF}
};
TagArgument TagArgumentOf(uint8_t code);
// The control code a tag names: the code table's tags, and the names of older scripts
// ({pass08} {pass09} {pass15} {pass1A} {box-alt}, which give the code byte alone: the bytes
// after it are its arguments, as they always were). -1 when the word names no code.
int FindCodeTag(const std::string& lowerName, bool* alone);

// ---- Export (script_export.cpp) ----------------------------------------------------------------
// Writes the script of the store's pair to out. notes receives one line for every place where
// import would not give the pair back byte for byte (what it will normalise); empty when the
// round trip is exact.
void ExportScript(const MessageStore& store, std::string& out, std::vector<std::string>& notes);

// ---- Import (script_import.cpp) ----------------------------------------------------------------
const int SCRIPT_ERROR_LIMIT = 50;

struct ScriptPair
{
    std::vector<uint8_t> Table;
    std::vector<uint8_t> Data;
    std::vector<uint32_t> HeaderLines;  // line of each entry's header, table order
    std::vector<std::string> Errors;    // "FILE:LINE:COLUMN: what is wrong", at most the limit
};

// Reads a whole script. The pair is complete only when Errors is empty.
void ParseScript(const uint8_t* text, size_t size, const std::string& fileName, ScriptPair& result);

// ---- Check (script_check.cpp) ------------------------------------------------------------------
// Appends one line per finding to out, each prefixed by prefixes[entry index] when given (the
// script's "FILE:LINE: "). Returns the number of findings. Uses the store's box scan, so the
// store's navigation fields change.
uint32_t CheckMessages(MessageStore& store, bool strict, std::string& out,
                       const std::vector<std::string>* prefixes = nullptr);

// ---- The program (script_main.cpp) -------------------------------------------------------------
// Exit statuses
const int SCRIPT_EXIT_OK       = 0; // done; check: nothing found
const int SCRIPT_EXIT_FOUND    = 1; // check found something; the script has errors (nothing written)
const int SCRIPT_EXIT_FILES    = 2; // message files missing or damaged, a file unreadable or
                                    // unwritable, export target exists: nothing written
const int SCRIPT_EXIT_USAGE    = 64; // the command line is wrong (as for helper and velloran)

// Runs one command line in the given directory (the message files' and relative FILEs');
// standard output and error go to out and err, a script "-" is read from in.
int RunScriptProgram(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err,
                     const char* directory = ".");
