#pragma once

#include "hostapi/CommandResult.h"
#include "hostapi/MStatus.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// A shell over the stand-in host: runs lines of the host's command language with the
// "varnelle" plug-in available to "loadPlugin", prints every command's result on `out` (one
// value a line) and adds one command of its own:
//   refresh -panels DIR [-size WIDTH HEIGHT]   draws the four model panels (with what
//                                              plug-ins draw over them) into DIR/PANEL.png
// A shell starts from a new scene and leaves one behind.
class HostShell {
public:
    explicit HostShell(std::ostream& out);
    ~HostShell();
    HostShell(const HostShell&) = delete;
    HostShell& operator=(const HostShell&) = delete;

    // Runs one command given as words (undoable, as the user's commands are); on failure
    // `error` says what went wrong.
    MStatus execute(const std::vector<std::string>& words, CommandResult& result, std::string& error);

    // Runs a script, one command a line; blank lines and lines starting with "#" or "//" are
    // skipped. Stops at the first failing line with "SOURCE:LINE: COMMAND: problem" on the
    // error stream. Returns the exit code: 0, or 1 after a failure.
    int runScript(std::istream& in, const std::string& source);

private:
    MStatus renderPanels(const std::vector<std::string>& words, std::string& error);

    std::ostream& out_;
};

// Every session of the program starts clean: a new scene, the default panels and menus, no
// plug-in loaded (the "varnelle" plug-in known).
void resetHostSession();
