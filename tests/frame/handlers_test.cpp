/*
 * The application's handlers: engine errors reach the error handler with their message,
 * code, source and description; diagnostics reach the diagnostic handler, or standard
 * error when none is installed.
 */
#include "kavdbmgr.h"
#include "store/engine/error.h"
#include "store/report.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using kavdb::engine::EngineError;
using kavdb::store::ReportComError;
using kavdb::store::ReportDiagnostic;

struct Received {
    std::string message;
    HRESULT code;
    std::string source;
    std::string description;
};

std::vector<Received> errorsSeen;
std::vector<std::string> diagnosticsSeen;

void recordError(const char* message, HRESULT code, const char* source, const char* description)
{
    errorsSeen.push_back({message, code, source, description});
}

void recordDiagnostic(const char* text)
{
    diagnosticsSeen.emplace_back(text);
}

class Handlers : public ::testing::Test {
  protected:
    void SetUp() override
    {
        errorsSeen.clear();
        diagnosticsSeen.clear();
    }
    void TearDown() override
    {
        KaSetErrorHandler(nullptr);
        KaSetDiagnosticHandler(nullptr);
    }

    const EngineError error_{static_cast<HRESULT>(0x80040E37), "kavdb.engine",
                             "no such table: Nowhere"};
};

TEST_F(Handlers, ErrorHandlerReceivesEveryPart)
{
    KaSetErrorHandler(&recordError);
    ReportComError("Failed To Read Image", error_);
    ASSERT_EQ(errorsSeen.size(), 1u);
    EXPECT_EQ(errorsSeen[0].message, "Failed To Read Image");
    EXPECT_EQ(errorsSeen[0].code, static_cast<HRESULT>(0x80040E37));
    EXPECT_EQ(errorsSeen[0].source, "kavdb.engine");
    EXPECT_EQ(errorsSeen[0].description, "no such table: Nowhere");
}

TEST_F(Handlers, NullOrEmptyMessageIsNotReported)
{
    KaSetErrorHandler(&recordError);
    ReportComError(nullptr, error_);
    ReportComError("", error_);
    EXPECT_TRUE(errorsSeen.empty());
}

TEST_F(Handlers, RemovedErrorHandlerIsNoLongerCalled)
{
    KaSetErrorHandler(&recordError);
    ReportComError("Failed to open", error_);
    KaSetErrorHandler(nullptr);
    ReportComError("Failed to open", error_);
    EXPECT_EQ(errorsSeen.size(), 1u);
}

TEST_F(Handlers, AThrowingErrorHandlerDoesNotEscape)
{
    KaSetErrorHandler([](const char*, HRESULT, const char*, const char*) {
        throw std::runtime_error("application failure");
    });
    EXPECT_NO_THROW(ReportComError("Failed to open", error_));
}

TEST_F(Handlers, DiagnosticHandlerReceivesTheText)
{
    KaSetDiagnosticHandler(&recordDiagnostic);
    ::testing::internal::CaptureStderr();
    ReportDiagnostic("SQL is empty");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(diagnosticsSeen.size(), 1u);
    EXPECT_EQ(diagnosticsSeen[0], "SQL is empty");
}

struct StderrCase {
    const char* text;
    const char* written;
};

class DefaultDiagnostics : public Handlers, public ::testing::WithParamInterface<StderrCase> {};

TEST_P(DefaultDiagnostics, GoToStandardErrorEndingInOneNewline)
{
    KaSetDiagnosticHandler(&recordDiagnostic);
    KaSetDiagnosticHandler(nullptr); // back to the default
    ::testing::internal::CaptureStderr();
    ReportDiagnostic(GetParam().text);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), GetParam().written);
    EXPECT_TRUE(diagnosticsSeen.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, DefaultDiagnostics,
                         ::testing::Values(StderrCase{"SQL is empty", "SQL is empty\n"},
                                           StderrCase{"two\nlines\n", "two\nlines\n"},
                                           StderrCase{"", "\n"}));

} // namespace
