/*
 * Fault points of the engine layer. Tests arm them to reach failure paths that a healthy
 * SQLite never takes on demand: a commit that fails with the transaction still open, a
 * begin that cannot have its lock, a slice that cannot end or begin again. Disarmed, a
 * point costs one atomic load.
 */
#pragma once

namespace kavdb::engine {

enum class FaultPoint { Begin, Commit, SliceCommit, SliceBegin, kCount };

/* The next time the engine passes point, it fails there as SQLite would: kFail, with
 * SQLite's own state left as the real failure would leave it. */
void armFault(FaultPoint point);
/* Called by the engine at each point; raises once when armed. */
void passFaultPoint(FaultPoint point);

} // namespace kavdb::engine
