#include <cstdio>
#include <string>
#include <vector>

#include "base/version.h"
#include "ctl/ctl_options.h"
#include "ctl/ctl_run.h"

// varnoctl: steers a running VarnoBot through its control socket.
int main(int argc, char** argv) {
    const varno::ParsedCtlOptions parsed =
        varno::ParseCtlOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "varnoctl: %s\n", parsed.error.c_str());
        return varno::kCtlUsage;
    }
    if (parsed.options->help) {
        std::fputs(varno::CtlUsage().c_str(), stdout);
        return 0;
    }
    if (parsed.options->version) {
        std::printf("varnoctl %s\n", std::string(varno::PackageVersion()).c_str());
        return 0;
    }
    return varno::RunCtl(*parsed.options);
}
