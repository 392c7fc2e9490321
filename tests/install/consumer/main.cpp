/*
 * A minimal application: formats a time through the library and counts the metadata
 * items of the kadb.ini installed beside it. Exit status 0 when both work.
 */
#include <kavdbmgr.h>

#include <cstdio>
#include <cstring>

int main()
{
    SYSTEMTIME t{};
    t.wYear = 2004;
    t.wMonth = 7;
    t.wDay = 5;
    t.wDayOfWeek = 1;
    char text[48];
    SYSTEMTIMEtoSTR(t, text);
    if (std::strcmp(text, "2004070501000000000") != 0) {
        std::fprintf(stderr, "unexpected date text %s\n", text);
        return 1;
    }

    int32_t items = 0;
    const HRESULT hr = KaAVDBGetDataTotalNum(&items);
    if (hr != S_OK || items < 1) {
        std::fprintf(stderr, "no metadata items from the installed kadb.ini (0x%08x, %d)\n",
                     static_cast<unsigned>(hr), items);
        return 1;
    }
    std::printf("date text %s, %d configured metadata items\n", text, items);
    return 0;
}
