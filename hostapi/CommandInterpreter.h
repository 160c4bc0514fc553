#pragma once

#include "CommandResult.h"
#include "MStatus.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// What a built-in command gets: its words (the command's name first), where its result goes,
// where its error text goes, and whether its change may go on the undo queue.
struct CommandCall {
    const std::vector<std::string>& words;
    CommandResult& result;
    std::string& error;
    bool undoable;
};

using BuiltinCommand = std::function<MStatus(CommandCall&)>;

// The host's command language, one command a line: words separated by blanks, a word with
// blanks in double quotes (with \" and \\ inside). A line names a built-in command, a
// plug-in's command or a script procedure, in that order.
class CommandInterpreter {
public:
    CommandInterpreter();

    // Runs one command line. On failure `error` says what went wrong (without the command's
    // name, which the caller knows).
    MStatus execute(const std::string& line, CommandResult& result, std::string& error, bool undoable);
    MStatus execute(const std::vector<std::string>& words, CommandResult& result, std::string& error, bool undoable);

    bool isBuiltin(const std::string& name) const { return builtins_.count(name) > 0; }
    void defineBuiltin(const std::string& name, BuiltinCommand command);
    // Script procedures, as a plug-in's script files define them.
    void defineProcedure(const std::string& name, std::function<MStatus()> procedure);
    void removeProcedure(const std::string& name);
    // Runs a procedure; a missing one is a warning and a failure.
    MStatus runProcedure(const std::string& name);

    // The result the running plug-in command sets.
    CommandResult& currentResult() { return current_; }

    // Splits a line into words; false with `error` for an unclosed quote.
    static bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

private:
    MStatus runPluginCommand(const std::vector<std::string>& words, CommandResult& result, std::string& error,
                             bool undoable);

    std::map<std::string, BuiltinCommand> builtins_;
    std::map<std::string, std::function<MStatus()>> procedures_;
    CommandResult current_;
};

// Adds the host's own commands (selection, attributes, history, evaluation, undo, files,
// plug-ins, views) to an interpreter.
void addBuiltinCommands(CommandInterpreter& interpreter);
