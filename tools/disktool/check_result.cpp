#include "check_result.h"

namespace disktool {

int CheckResult::Count(Severity s) const {
    int n = 0;
    for (const Finding& f : findings) {
        n += f.severity == s;
    }
    return n;
}

int CheckResult::ExitCode() const {
    return Count(Severity::Error) > 0 ? 2 : Count(Severity::Warning) > 0 ? 1 : 0;
}

}  // namespace disktool
