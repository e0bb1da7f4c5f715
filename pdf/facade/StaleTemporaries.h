#pragma once
// Removal of the temporary files (TemporaryFile.h) that runs of ours killed while writing left in a
// folder. A decrypted copy in clear may wait there under its hidden name, so a run cleans the
// folders it writes to before it starts.

#include <cstddef>
#include <string>

namespace pdf {

// Removes from nativeFolder each file that is provably a temporary file of ours no process still
// writes, and returns how many. A folder that cannot be read has none.
//
// A file counts as such only when all of these hold, each checked without following a link:
// - its name has our exact form, and the process that created it (named in it) has ended: a
//   running process, this one included, may still be writing it, and a process that has ended
//   can write nothing any more;
// - it is a regular file owned by this user with no other name: nothing another user made, and
//   no link to a file kept elsewhere;
// - no process holds its lock: our writers lock it until its name is gone, and a killed process
//   holds no lock, which covers a creator whose id this system cannot see (another machine on a
//   shared folder, another process namespace);
// - it is empty or begins with "%PDF-", as everything our writers put there does.
std::size_t RemoveStaleTemporaries(const std::string& nativeFolder);

}  // namespace pdf
