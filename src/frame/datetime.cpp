/*
 * Exports of the date-time text and of a file's update time. Thin: the text and the
 * file-time reader are in store/datetext.cpp; none of these can fail loudly, so a null
 * argument is simply ignored (SYSTEMTIMEtoSTR, STRtoSYSTEMTIME) or reads as "cannot
 * open" (GetFileUpdateTM).
 */
#include "kavdbmgr.h"
#include "store/datetext.h"

extern "C" void SYSTEMTIMEtoSTR(SYSTEMTIME time, char* text)
{
    if (text != nullptr) {
        kavdb::store::writeDateText(time, text);
    }
}

extern "C" void STRtoSYSTEMTIME(SYSTEMTIME* time, const char* text)
{
    kavdb::store::parseDateText(text, time);
}

extern "C" int32_t GetFileUpdateTM(const char* path, SYSTEMTIME* time)
{
    return kavdb::store::fileUpdateTime(path, time);
}
