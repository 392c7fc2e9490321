/*
 * The error sink and the diagnostic channel.
 *
 * ReportComError hands a caught engine error, with the operation's fixed message, to the
 * application's error handler when one is installed; it never raises. ReportDiagnostic
 * is the one text the library shows a user (standard error unless the application
 * installed its own handler).
 */
#pragma once

#include "kavdbmgr.h"
#include "store/engine/error.h"

#include <string>

namespace kavdb::store {

void setErrorHandler(KaErrorHandler handler);
void setDiagnosticHandler(KaDiagnosticHandler handler);

void ReportComError(const char* message, const engine::EngineError& error);
void ReportDiagnostic(const std::string& text);

} // namespace kavdb::store
