#include "CommandInterpreter.h"

#include "HostSession.h"
#include "MArgDatabase.h"
#include "MGlobal.h"
#include "MPxCommand.h"

#include <cctype>
#include <memory>

namespace {

// Keeps an undoable plug-in command for undo and redo.
class CommandEntry : public UndoEntry {
public:
    CommandEntry(std::unique_ptr<MPxCommand> command, std::string name)
        : command_(std::move(command)), name_(std::move(name)) {}
    std::string name() const override { return name_; }
    MStatus undo() override { return command_->undoIt(); }
    MStatus redo() override { return command_->redoIt(); }

private:
    std::unique_ptr<MPxCommand> command_;
    std::string name_;
};

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

CommandInterpreter::CommandInterpreter() {
    addBuiltinCommands(*this);
}

bool CommandInterpreter::splitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] != '"') {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word += line[i++];
            words.push_back(word);
            continue;
        }
        for (++i;; ++i) {
            if (i >= line.size()) {
                error = "a quoted word is not closed";
                return false;
            }
            if (line[i] == '"') break;
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            word += line[i];
        }
        ++i;
        words.push_back(word);
    }
    return true;
}

MStatus CommandInterpreter::execute(const std::string& line, CommandResult& result, std::string& error, bool undoable) {
    std::vector<std::string> words;
    if (!splitWords(line, words, error)) return MStatus(MStatus::kInvalidParameter, error);
    return execute(words, result, error, undoable);
}

MStatus CommandInterpreter::execute(const std::vector<std::string>& words, CommandResult& result, std::string& error,
                                    bool undoable) {
    result.clear();
    error.clear();
    if (words.empty()) return MStatus::kSuccess;
    const auto builtin = builtins_.find(words[0]);
    if (builtin != builtins_.end()) {
        CommandCall call{words, result, error, undoable};
        return builtin->second(call);
    }
    if (hostSession().plugins.findCommand(words[0])) return runPluginCommand(words, result, error, undoable);
    if (procedures_.count(words[0])) {
        const MStatus status = procedures_.at(words[0])();
        if (!status) error = "the procedure failed: " + status.errorString().str();
        return status;
    }
    error = "Cannot find procedure \"" + words[0] + "\".";
    return MStatus(MStatus::kNotFound, error);
}

MStatus CommandInterpreter::runPluginCommand(const std::vector<std::string>& words, CommandResult& result,
                                             std::string& error, bool undoable) {
    const CommandRegistration& registration = *hostSession().plugins.findCommand(words[0]);
    std::unique_ptr<MPxCommand> command(static_cast<MPxCommand*>(registration.creator()));
    if (registration.syntax) command->setSyntax(registration.syntax());
    MArgList arguments;
    for (size_t i = 1; i < words.size(); ++i)
        arguments.addArg(MString(words[i]));
    if (registration.syntax) {
        MStatus parsed;
        const MSyntax syntax = command->syntax();
        const MArgDatabase database(syntax, arguments, &parsed);
        if (!parsed) {
            error = database.errorText();
            return parsed;
        }
    }
    current_.clear();
    const MStatus status = command->doIt(arguments);
    result = current_;
    if (!status) {
        error = "the command failed: " + status.errorString().str();
        return status;
    }
    if (command->isUndoable() && undoable)
        hostSession().scene.undoQueue().push(std::make_unique<CommandEntry>(std::move(command), joined(words)));
    return MStatus::kSuccess;
}

void CommandInterpreter::defineBuiltin(const std::string& name, BuiltinCommand command) {
    builtins_[name] = std::move(command);
}

void CommandInterpreter::defineProcedure(const std::string& name, std::function<MStatus()> procedure) {
    procedures_[name] = std::move(procedure);
}

void CommandInterpreter::removeProcedure(const std::string& name) {
    procedures_.erase(name);
}

MStatus CommandInterpreter::runProcedure(const std::string& name) {
    const auto found = procedures_.find(name);
    if (found == procedures_.end()) {
        MGlobal::displayWarning(MString("Cannot find procedure \"" + name + "\"."));
        return MStatus(MStatus::kNotFound, "Cannot find procedure " + name);
    }
    return found->second();
}
