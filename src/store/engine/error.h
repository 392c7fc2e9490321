/*
 * Values and errors of the engine layer: the one exception type of the library.
 *
 * Every SQLite failure, and every misuse of a recordset, becomes an EngineError carrying
 * an ADO-style result code, a source and SQLite's own message. EngineError never leaves
 * an export: the operation guard above catches it and turns it into a result code.
 */
#pragma once

#include "kavdbmgr.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kavdb::engine {

using HResult = HRESULT;

/* The result codes an engine error carries, by the names the public header gives them:
 * what an application sees when an operation fails inside the engine. */
namespace code {
inline constexpr HResult kSyntax = KAVDB_E_SYNTAX;
inline constexpr HResult kNoSuchTable = KAVDB_E_NO_SUCH_TABLE;
inline constexpr HResult kUnknownColumn = KAVDB_E_UNKNOWN_COLUMN;
inline constexpr HResult kFieldNotFound = KAVDB_E_FIELD_NOT_FOUND;
inline constexpr HResult kNoCurrentRow = KAVDB_E_NO_CURRENT_ROW;
inline constexpr HResult kObjectClosed = KAVDB_E_OBJECT_CLOSED;
inline constexpr HResult kConstraint = KAVDB_E_CONSTRAINT;
inline constexpr HResult kTypeMismatch = KAVDB_E_TYPE_MISMATCH;
inline constexpr HResult kDataMismatch = KAVDB_E_DATA_MISMATCH;
inline constexpr HResult kFieldTooSmall = KAVDB_E_FIELD_TOO_SMALL;
inline constexpr HResult kServerLost = KAVDB_E_SERVER_LOST;
inline constexpr HResult kFail = E_FAIL;
inline constexpr HResult kInvalidArg = E_INVALIDARG;
inline constexpr HResult kOutOfMemory = E_OUTOFMEMORY;
inline constexpr HResult kPointer = E_POINTER;
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
