/*
 * The error sink and the diagnostic channel (see report.h). The application's handlers
 * are kept in atomics, so installing one needs no lock; neither report ever raises, not
 * even when the application's handler does.
 */
#include "store/report.h"

#include <atomic>
#include <cstdio>

namespace kavdb::store {

namespace {

std::atomic<KaErrorHandler> errorHandler{nullptr};
std::atomic<KaDiagnosticHandler> diagnosticHandler{nullptr};

void writeToStandardError(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n') {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

} // namespace

void setErrorHandler(KaErrorHandler handler)
{
    errorHandler.store(handler);
}

void setDiagnosticHandler(KaDiagnosticHandler handler)
{
    diagnosticHandler.store(handler);
}

void ReportComError(const char* message, const engine::EngineError& error)
{
    if (message == nullptr || *message == '\0') {
        return;
    }
    const KaErrorHandler handler = errorHandler.load();
    if (handler == nullptr) {
        return;
    }
    try {
        handler(message, error.code(), error.source().c_str(), error.description().c_str());
    } catch (...) {
        // The report is best effort: what the handler does must not change the
        // operation's result.
    }
}

void ReportDiagnostic(const std::string& text)
{
    try {
        const KaDiagnosticHandler handler = diagnosticHandler.load();
        if (handler != nullptr) {
            handler(text.c_str());
        } else {
            writeToStandardError(text);
        }
    } catch (...) {
        // As above: a diagnostic never decides an operation's outcome.
    }
}

} // namespace kavdb::store
