// Writing a whole file so that the old one survives any failure: the bytes go to a new file
// in the same folder, are synced, and the new file is renamed over the old one.
#pragma once
#include <cstddef>
#include <string>

namespace zv {

struct TReplaceFileResult {
  // What failed: the new file could not be made, or writing, syncing or renaming it failed.
  enum TStep { rsDone, rsCreate, rsWrite } Step = rsDone;
  int Error = 0;  // errno of the failed step
  explicit operator bool() const { return Step == rsDone; }
};

// Replaces the content of Path by Size bytes at Data. The new file keeps the old one's
// permissions (and owner, where allowed); a new Path gets 0666 less the umask. A symbolic
// link is followed, so that the file it names is replaced and the link stays. A file the
// caller may not write is refused as an open for writing would refuse it. On failure Path is
// as it was and no temporary file is left behind.
TReplaceFileResult ReplaceFileContent(const std::string& Path, const void* Data, size_t Size);

}  // namespace zv
