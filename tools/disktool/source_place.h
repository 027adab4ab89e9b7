// Where the files a manifest ships may come from: below the manifest's
// folder, and nowhere else on the build machine.
#pragma once

#include <string>

namespace disktool {

// path with its symbolic links resolved as far as it exists; a rest that
// is not there is taken as spelled, its "." and ".." steps applied.
std::string ResolvedPath(const std::string& path);

// True when source lies below folder (both resolved: a link that points
// out is out); *real is then where it leads, or source itself when it is
// not there (reading it fails later).
bool SourceBelow(const std::string& folder, const std::string& source, std::string* real);

}  // namespace disktool
