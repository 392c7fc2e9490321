/*
 * Exports that install the application's handlers for engine errors and for the
 * library's diagnostic text; the handlers themselves are kept by store/report.cpp.
 */
#include "kavdbmgr.h"
#include "store/report.h"

extern "C" void KaSetDiagnosticHandler(KaDiagnosticHandler handler)
{
    kavdb::store::setDiagnosticHandler(handler);
}

extern "C" void KaSetErrorHandler(KaErrorHandler handler)
{
    kavdb::store::setErrorHandler(handler);
}
