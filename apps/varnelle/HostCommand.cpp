#include "CommandLine.h"
#include "HostShell.h"
#include "PreviewOptions.h"
#include "Subcommands.h"

#include "hostapi/AtomicFile.h"

#include <fstream>
#include <iostream>

// Runs a script of host commands from a file, or from standard input when none is named.
int runHost(const std::vector<std::string>& words, std::ostream& out) {
    std::vector<std::string> rest = words;
    const PreviewOptions options = takePreviewOptions(rest);
    if (rest.size() > 1) throw UsageError("host takes at most one script file");
    if (!rest.empty() && rest[0].size() > 1 && rest[0][0] == '-') throw UsageError("unknown option " + rest[0]);
    const std::string script = rest.empty() ? "" : rest[0];
    const PreviewSession session(options, rest);
    HostShell shell(out);
    if (script.empty()) return shell.runScript(std::cin, "<stdin>");
    std::ifstream in(script);
    if (!in) throw FileError(script + ": cannot open the file");
    return shell.runScript(in, script);
}
