/*
 * Helpers of the reliability tests: catalogue checks through the public API (integrity,
 * keys), a child process that reports each call it completed, and resident memory.
 */
#pragma once

#include "kavdbmgr.h"

#include <functional>
#include <string>
#include <vector>

namespace kavdb::test {

/* Rows of a statement (its Filename column) through the public API. */
std::vector<std::string> queryColumn(DBHandle* h, const std::string& sql);
/* "ok" when SQLite's integrity check passes. */
std::string integrity(DBHandle* h);
/* MainTable rows whose folder or metadata link points at a missing row. */
int danglingKeys(DBHandle* h, int tables);

/* Runs body in a child process; body reports completed steps with report(i). */
struct Child {
    int pid = -1;
    int readFd = -1;
};
Child startChild(const std::function<void(const std::function<void(int)>&)>& body);
/* Every step the child reported, after it ended (killed or not); exit status out. */
std::vector<int> collect(Child& child, int* status = nullptr);

/* Resident set size of this process in KiB. */
long residentKiB();

} // namespace kavdb::test
