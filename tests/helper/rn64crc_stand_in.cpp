// Stand-in for the checksum tool in helper's Windows tests: writes the arguments as the C runtime
// split them (UTF-8, each ended by a zero byte) to the file named by RN64CRC_RECORD and ends with
// the status given in RN64CRC_STATUS (0 when unset).
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* record = _wgetenv(L"RN64CRC_RECORD");
    FILE* f = record ? _wfopen(record, L"wb") : NULL;
    if (!f) return 100;
    char arg[4096];
    for (int i = 1; i < argc; i++) // argv[0] is the name CreateProcess was given
        fwrite(arg, 1, (size_t)WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg, sizeof(arg), NULL, NULL), f);
    fclose(f);
    const wchar_t* status = _wgetenv(L"RN64CRC_STATUS");
    return status ? _wtoi(status) : 0;
}
