/*
 * Looking a catalogue over, and repairing what can be repaired in place: the engine's
 * integrity check of a file (a server's pages are the server's to keep: one line says
 * so), the enforced keys, metadata rows no file uses, entries whose file is gone from
 * disk, and the text and place indexes. The report is one line per finding, in words.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* Appends the findings to report and sets *problems to the number left standing after
 * repair (when repair is set: broken links are cleared, indexes made again; damage to the
 * file and missing files are only reported). Unused metadata rows are reported, dropped
 * by a repair, and never counted: a refresh leaves them. S_OK when the check ran,
 * whatever it found. */
HResult checkCatalogue(DBHandle* h, int32_t repair, StringList* report, int32_t* problems);

/* The check's parts, for a backup's copy: the engine's integrity and the keys. The
 * problems found are appended to report; their number is returned. */
int32_t checkFileAndKeys(DBHandle* h, engine::Connection& c, StringList& report);

} // namespace kavdb::ops
