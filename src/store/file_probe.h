/*
 * Looking at files without opening them. Closing any descriptor of the catalogue file
 * (or of its -wal or -shm) drops SQLite's POSIX locks on it for the whole process, and
 * opening a FIFO blocks for ever; so the library never opens a file just to look at it.
 */
#pragma once

namespace kavdb::store {

enum class FileKind { Missing, Regular, Other };

/* What is at path, following symbolic links; Missing also when it cannot be told. */
FileKind fileKind(const char* path) noexcept;
/* Anything at all is at path (a dangling symbolic link included). */
bool anythingAt(const char* path) noexcept;
/* This process may read path, as an open for reading would find. */
bool mayRead(const char* path) noexcept;

} // namespace kavdb::store
