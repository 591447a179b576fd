#include "base/version.h"

namespace varno {

std::string_view PackageVersion() {
    return VARNO_VERSION;  // set by the build for this file only
}

}  // namespace varno
