// Stand-in for the checksum tool in helper's Windows tests: records the arguments exactly as
// the C runtime split its command line (UTF-8, each ended by a zero byte) in the file named by
// RN64CRC_RECORD, or rn64crc-args in the working directory, and ends with the status given in
// RN64CRC_STATUS (0 when unset).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

static std::string Utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    std::string out(size > 0 ? (size_t)size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, NULL, NULL);
    return out;
}

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* record = _wgetenv(L"RN64CRC_RECORD");
    FILE* f = _wfopen(record && *record ? record : L"rn64crc-args", L"wb");
    if (!f) return 100;
    for (int i = 1; i < argc; i++) // argv[0] is the name CreateProcess was given
    {
        std::string arg = Utf8(argv[i]);
        fwrite(arg.data(), 1, arg.size() + 1, f); // with its zero byte
    }
    fclose(f);
    const wchar_t* status = _wgetenv(L"RN64CRC_STATUS");
    return status ? _wtoi(status) : 0;
}
