/*
 * Values and errors of the engine layer: the one exception type of the library.
 *
 * Every SQLite failure, and every misuse of a recordset, becomes an EngineError carrying
 * an ADO-style result code, a source and SQLite's own message. EngineError never leaves
 * an export: the operation guard above catches it and turns it into a result code.
 */
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kavdb::engine {

using HResult = int32_t;

/* Result codes an engine error carries. They are what an application sees when an
 * operation fails inside the engine, so they keep the values ADO gives them. */
namespace code {
inline constexpr HResult kSyntax = static_cast<HResult>(0x80040E14);      // bad statement
inline constexpr HResult kNoSuchTable = static_cast<HResult>(0x80040E37); // unknown table
inline constexpr HResult kUnknownColumn = static_cast<HResult>(0x80040E10);
inline constexpr HResult kFieldNotFound = static_cast<HResult>(0x800A0CC1); // recordset field
inline constexpr HResult kNoCurrentRow = static_cast<HResult>(0x800A0BCD);  // BOF or EOF
inline constexpr HResult kObjectClosed = static_cast<HResult>(0x800A0E78);
inline constexpr HResult kConstraint = static_cast<HResult>(0x80040E2F);
inline constexpr HResult kTypeMismatch = static_cast<HResult>(0x80020005);
inline constexpr HResult kDataMismatch = static_cast<HResult>(0x80040E07);  // value of wrong type
inline constexpr HResult kFieldTooSmall = static_cast<HResult>(0x80040E57); // too long, too large
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003);
} // namespace code

class EngineError : public std::runtime_error {
  public:
    EngineError(HResult code, std::string source, std::string description)
        : std::runtime_error(description), code_(code), source_(std::move(source)),
          description_(std::move(description))
    {
    }

    HResult code() const { return code_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }

  private:
    HResult code_;
    std::string source_;
    std::string description_;
};

} // namespace kavdb::engine
