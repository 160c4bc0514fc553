#include "AttributeText.h"
#include "CommandInterpreter.h"
#include "HostSession.h"
#include "M3dView.h"
#include "MArgDatabase.h"
#include "MGlobal.h"
#include "MeshNode.h"
#include "SceneFile.h"

#include <algorithm>

// The host's own commands. Each returns its failure with `call.error` saying what is wrong;
// the ones that change the scene put a step on the undo queue when asked to.
namespace {

MStatus fail(CommandCall& call, const std::string& text, MStatus::MStatusCode code = MStatus::kInvalidParameter) {
    call.error = text;
    return MStatus(code, text);
}

bool isFlag(const std::string& word, const char* shortName, const char* longName) {
    return word == shortName || word == longName;
}

// Restores the value a plug had, or the one it was given.
class AttributeChange : public UndoEntry {
public:
    AttributeChange(std::string name, NamedPlug plug, AttributeValue before, AttributeValue after)
        : name_(std::move(name)), plug_(std::move(plug)), before_(std::move(before)), after_(std::move(after)) {}
    std::string name() const override { return name_; }
    MStatus undo() override { return Scene::current().setPlugValue(*plug_.node, plug_.address, before_); }
    MStatus redo() override { return Scene::current().setPlugValue(*plug_.node, plug_.address, after_); }

private:
    std::string name_;
    NamedPlug plug_;
    AttributeValue before_, after_;
};

class SelectionChange : public UndoEntry {
public:
    SelectionChange(std::vector<MObject> before, std::vector<MObject> after)
        : before_(std::move(before)), after_(std::move(after)) {}
    std::string name() const override { return "select"; }
    MStatus undo() override { return restore(before_); }
    MStatus redo() override { return restore(after_); }

private:
    static MStatus restore(const std::vector<MObject>& nodes) {
        std::vector<MObject>& selection = Scene::current().selection();
        selection.clear();
        for (const MObject& node : nodes)
            if (node.as<SceneNode>()->inScene()) selection.push_back(node);
        return MStatus::kSuccess;
    }
    std::vector<MObject> before_, after_;
};

// Takes nodes out of the scene on redo and puts them back on undo.
class Removal : public UndoEntry {
public:
    Removal(std::string name, std::vector<std::shared_ptr<SceneNode>> nodes,
            std::vector<std::vector<NodeRemoval>> removals)
        : name_(std::move(name)), nodes_(std::move(nodes)), removals_(std::move(removals)) {}
    std::string name() const override { return name_; }
    MStatus undo() override {
        for (auto removal = removals_.rbegin(); removal != removals_.rend(); ++removal)
            Scene::current().restore(*removal);
        return MStatus::kSuccess;
    }
    MStatus redo() override {
        for (size_t i = 0; i < nodes_.size(); ++i)
            removals_[i] = Scene::current().remove(nodes_[i]);
        return MStatus::kSuccess;
    }

private:
    std::string name_;
    std::vector<std::shared_ptr<SceneNode>> nodes_;
    std::vector<std::vector<NodeRemoval>> removals_;
};

// Takes imported nodes out on undo and puts them back on redo.
class Addition : public UndoEntry {
public:
    Addition(std::string name, std::vector<std::shared_ptr<SceneNode>> nodes)
        : name_(std::move(name)), nodes_(std::move(nodes)), removals_(nodes_.size()) {}
    std::string name() const override { return name_; }
    MStatus undo() override {
        for (size_t i = 0; i < nodes_.size(); ++i)
            removals_[i] = Scene::current().remove(nodes_[i]);
        return MStatus::kSuccess;
    }
    MStatus redo() override {
        for (auto removal = removals_.rbegin(); removal != removals_.rend(); ++removal)
            Scene::current().restore(*removal);
        return MStatus::kSuccess;
    }

private:
    std::string name_;
    std::vector<std::shared_ptr<SceneNode>> nodes_;
    std::vector<std::vector<NodeRemoval>> removals_;
};

std::string commandText(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

MStatus constructionHistory(CommandCall& call) {
    bool query = false, toggle = false;
    std::string value;
    for (size_t i = 1; i < call.words.size(); ++i) {
        const std::string& word = call.words[i];
        if (isFlag(word, "-q", "-query")) {
            query = true;
        } else if (isFlag(word, "-tgl", "-toggle")) {
            toggle = true;
            if (!query && i + 1 < call.words.size()) value = call.words[++i];
        } else {
            return fail(call, "unknown flag " + word + " (use -q -tgl, or -toggle 0|1)");
        }
    }
    if (!toggle) return fail(call, "needs -toggle");
    if (query) {
        call.result.set(Scene::current().recordsHistory() ? "1" : "0");
        return MStatus::kSuccess;
    }
    bool on = false;
    if (!parseBooleanWord(value, on)) return fail(call, "-toggle needs 0 or 1");
    Scene::current().setRecordsHistory(on);
    return MStatus::kSuccess;
}

// Evaluates every computed attribute of a node, or one plug.
MStatus dgeval(CommandCall& call) {
    const unsigned before = Scene::current().evaluationCount();
    bool any = false;
    for (size_t i = 1; i < call.words.size(); ++i) {
        const std::string& target = call.words[i];
        if (target == "-src" || target == "-verbose") continue;
        any = true;
        if (target.find('.') != std::string::npos) {
            NamedPlug plug;
            if (!findNamedPlug(target, plug, call.error)) return MStatus(MStatus::kInvalidParameter, call.error);
            plug.node->evaluate(plug.address.attribute);
            continue;
        }
        const std::shared_ptr<SceneNode> node = Scene::current().find(target);
        if (!node) return fail(call, "No object matches name: " + target);
        for (unsigned attribute = 0; attribute < node->type().attributeCount(); ++attribute)
            if (node->type().isComputed(static_cast<int>(attribute))) node->evaluate(static_cast<int>(attribute));
    }
    if (!any) return fail(call, "needs a node or a plug to evaluate");
    call.result.set(std::to_string(Scene::current().evaluationCount() - before));
    return MStatus::kSuccess;
}

MStatus selectNodes(CommandCall& call) {
    std::vector<MObject>& selection = Scene::current().selection();
    const std::vector<MObject> before = selection;
    MGlobal::ListAdjustment mode = MGlobal::kReplaceList;
    std::vector<MObject> named;
    bool clear = false;
    for (size_t i = 1; i < call.words.size(); ++i) {
        const std::string& word = call.words[i];
        if (isFlag(word, "-cl", "-clear")) {
            clear = true;
        } else if (isFlag(word, "-add", "-add")) {
            mode = MGlobal::kAddToList;
        } else if (isFlag(word, "-d", "-deselect")) {
            mode = MGlobal::kRemoveFromList;
        } else if (isFlag(word, "-r", "-replace")) {
            mode = MGlobal::kReplaceList;
        } else {
            const std::vector<MObject> found = Scene::current().match(word);
            if (found.empty()) return fail(call, "No object matches name: " + word);
            named.insert(named.end(), found.begin(), found.end());
        }
    }
    if (clear) selection.clear();
    if (!named.empty() || (!clear && mode == MGlobal::kReplaceList)) {
        MSelectionList list;
        for (const MObject& node : named)
            list.add(node);
        MGlobal::setActiveSelectionList(list, mode);
    }
    if (call.undoable) Scene::current().undoQueue().push(std::make_unique<SelectionChange>(before, selection));
    return MStatus::kSuccess;
}

MStatus setAttr(CommandCall& call) {
    if (call.words.size() < 3) return fail(call, "needs NODE.ATTRIBUTE and a value");
    NamedPlug plug;
    if (!findNamedPlug(call.words[1], plug, call.error)) return MStatus(MStatus::kInvalidParameter, call.error);
    const AttributeDefinition& definition = plug.node->attribute(plug.address.attribute);
    if (definition.array && plug.address.element < 0)
        return fail(call, call.words[1] + " is an array: name an element");
    if (!definition.writable) return fail(call, "The attribute '" + call.words[1] + "' cannot be written");
    for (const Connection& connection : Scene::current().incoming(*plug.node, plug.address.attribute))
        if (connection.to.overlaps(plug.address))
            return fail(call, "The attribute '" + call.words[1] + "' is connected and cannot be set");
    AttributeValue value;
    const std::vector<std::string> valueWords(call.words.begin() + 2, call.words.end());
    if (!parseValue(valueTypeAt(*plug.node, plug.address), valueWords, value, call.error)) {
        call.error = call.words[1] + ": " + call.error;
        return MStatus(MStatus::kInvalidParameter, call.error);
    }
    AttributeValue before;
    plug.node->readValue(plug.address, before);
    const MStatus status = Scene::current().setPlugValue(*plug.node, plug.address, value);
    if (!status) return fail(call, status.errorString().str());
    if (call.undoable)
        Scene::current().undoQueue().push(
            std::make_unique<AttributeChange>(commandText(call.words), plug, before, value));
    return MStatus::kSuccess;
}

MStatus getAttr(CommandCall& call) {
    if (call.words.size() != 2) return fail(call, "needs one NODE.ATTRIBUTE");
    NamedPlug plug;
    if (!findNamedPlug(call.words[1], plug, call.error)) return MStatus(MStatus::kInvalidParameter, call.error);
    const MStatus evaluated = plug.node->evaluate(plug.address.attribute);
    if (!evaluated) return fail(call, "evaluating " + call.words[1] + " failed: " + evaluated.errorString().str());
    std::vector<AttributeValue> values;
    const AttributeDefinition& definition = plug.node->attribute(plug.address.attribute);
    if (definition.array && plug.address.element < 0) {
        for (const unsigned element : plug.node->elementIndices(plug.address.attribute)) {
            AttributeValue value;
            plug.node->readValue({plug.address.attribute, static_cast<int>(element)}, value);
            values.push_back(value);
        }
    } else {
        values.emplace_back();
        plug.node->readValue(plug.address, values.back());
    }
    std::string text;
    std::vector<std::string> words;
    for (const AttributeValue& value : values) {
        if (!formatValue(value, words)) return fail(call, call.words[1] + " holds mesh data, which has no text");
        for (const std::string& word : words)
            text += (text.empty() ? "" : " ") + word;
    }
    call.result.set(text);
    return MStatus::kSuccess;
}

MStatus deleteNodes(CommandCall& call) {
    if (call.words.size() < 2) return fail(call, "needs the names of the nodes to delete");
    std::vector<std::shared_ptr<SceneNode>> nodes;
    for (size_t i = 1; i < call.words.size(); ++i) {
        const std::vector<MObject> found = Scene::current().match(call.words[i]);
        if (found.empty()) return fail(call, "No object matches name: " + call.words[i]);
        for (const MObject& node : found)
            nodes.push_back(node.shared<SceneNode>());
    }
    std::vector<std::vector<NodeRemoval>> removals;
    for (const std::shared_ptr<SceneNode>& node : nodes)
        removals.push_back(Scene::current().remove(node));
    if (call.undoable)
        Scene::current().undoQueue().push(std::make_unique<Removal>(commandText(call.words), nodes, removals));
    return MStatus::kSuccess;
}

MStatus ls(CommandCall& call) {
    std::string type;
    bool selected = false;
    std::vector<std::string> patterns;
    for (size_t i = 1; i < call.words.size(); ++i) {
        const std::string& word = call.words[i];
        if (isFlag(word, "-type", "-typ")) {
            if (i + 1 == call.words.size()) return fail(call, "-type needs a node type");
            type = call.words[++i];
        } else if (isFlag(word, "-sl", "-selection")) {
            selected = true;
        } else if (!word.empty() && word[0] == '-') {
            return fail(call, "unknown flag " + word);
        } else {
            patterns.push_back(word);
        }
    }
    if (patterns.empty()) patterns.push_back("*");
    std::vector<MObject> candidates;
    if (selected) {
        candidates = Scene::current().selection();
    } else {
        for (const std::shared_ptr<SceneNode>& node : Scene::current().nodes())
            candidates.emplace_back(node);
    }
    call.result.array = true;
    for (const MObject& candidate : candidates) {
        const SceneNode& node = *candidate.as<SceneNode>();
        if (!type.empty() && node.typeName() != type) continue;
        const bool named = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
            const std::vector<MObject> matches = Scene::current().match(pattern);
            return std::find(matches.begin(), matches.end(), candidate) != matches.end();
        });
        if (named) call.result.values.push_back(node.name());
    }
    return MStatus::kSuccess;
}

MStatus undoOrRedo(CommandCall& call, bool undo) {
    if (call.words.size() != 1) return fail(call, "takes no arguments");
    std::string name;
    UndoQueue& queue = Scene::current().undoQueue();
    const MStatus status = undo ? queue.undo(name) : queue.redo(name);
    if (status.statusCode() == MStatus::kNotFound) {
        MGlobal::displayWarning(status.errorString().str().substr(status.errorString().str().find(' ') + 1));
        return MStatus::kSuccess;
    }
    if (!status) return fail(call, (undo ? "undoing " : "redoing ") + name + " failed: " + status.errorString().str());
    return MStatus::kSuccess;
}

MStatus plugin(CommandCall& call, bool load) {
    if (call.words.size() != 2) return fail(call, "needs the name of a plug-in");
    const MStatus status = load ? hostSession().plugins.load(call.words[1], call.error)
                                : hostSession().plugins.unload(call.words[1], call.error);
    if (status && load) call.result.set(call.words[1]);
    return status;
}

MStatus menu(CommandCall& call) {
    const std::vector<std::string>& words = call.words;
    const bool query = words.size() == 4 && isFlag(words[1], "-q", "-query") && isFlag(words[2], "-ia", "-itemArray");
    if (!query) return fail(call, "only menu -q -itemArray MENU is known");
    if (!hostSession().ui.hasMenu(words[3])) return fail(call, "No menu named " + words[3]);
    call.result.array = true;
    for (const MenuItem& item : hostSession().ui.menuItems(words[3]))
        call.result.values.push_back(item.label);
    return MStatus::kSuccess;
}

MStatus file(CommandCall& call) {
    const std::vector<std::string>& words = call.words;
    if (words.size() != 3) return fail(call, "needs -import PATH or -export PATH");
    try {
        if (isFlag(words[1], "-i", "-import")) {
            const std::vector<std::shared_ptr<SceneNode>> added = importObjIntoScene(words[2]);
            call.result.array = true;
            for (const std::shared_ptr<SceneNode>& node : added)
                call.result.values.push_back(node->name());
            if (call.undoable) Scene::current().undoQueue().push(std::make_unique<Addition>(commandText(words), added));
            return MStatus::kSuccess;
        }
        if (isFlag(words[1], "-es", "-export")) {
            exportSelectedMesh(words[2]);
            return MStatus::kSuccess;
        }
    } catch (const FileError& error) {
        return fail(call, error.what(), MStatus::kFailure);
    }
    return fail(call, "unknown flag " + words[1] + " (use -import or -export)");
}

MStatus sceneFile(CommandCall& call, bool save) {
    if (call.words.size() != 2) return fail(call, "needs the path of a scene file");
    try {
        if (save)
            saveScene(call.words[1]);
        else
            openScene(call.words[1]);
    } catch (const FileError& error) {
        return fail(call, error.what(), MStatus::kFailure);
    }
    return MStatus::kSuccess;
}

MStatus refresh(CommandCall& call) {
    for (size_t i = 1; i < call.words.size(); ++i)
        if (!isFlag(call.words[i], "-f", "-force")) return fail(call, "unknown flag " + call.words[i]);
    M3dView::refreshModelPanels();
    return MStatus::kSuccess;
}

MStatus viewFit(CommandCall& call) {
    for (size_t i = 1; i < call.words.size(); ++i)
        if (!isFlag(call.words[i], "-all", "-allObjects")) return fail(call, "unknown flag " + call.words[i]);
    if (!M3dView::fitModelPanels()) return fail(call, "there is no visible mesh to fit the views to");
    return MStatus::kSuccess;
}

} // namespace

void addBuiltinCommands(CommandInterpreter& interpreter) {
    interpreter.defineBuiltin("constructionHistory", constructionHistory);
    interpreter.defineBuiltin("dgeval", dgeval);
    interpreter.defineBuiltin("select", selectNodes);
    interpreter.defineBuiltin("setAttr", setAttr);
    interpreter.defineBuiltin("getAttr", getAttr);
    interpreter.defineBuiltin("delete", deleteNodes);
    interpreter.defineBuiltin("ls", ls);
    interpreter.defineBuiltin("undo", [](CommandCall& call) { return undoOrRedo(call, true); });
    interpreter.defineBuiltin("redo", [](CommandCall& call) { return undoOrRedo(call, false); });
    interpreter.defineBuiltin("loadPlugin", [](CommandCall& call) { return plugin(call, true); });
    interpreter.defineBuiltin("unloadPlugin", [](CommandCall& call) { return plugin(call, false); });
    interpreter.defineBuiltin("menu", menu);
    interpreter.defineBuiltin("file", file);
    interpreter.defineBuiltin("save", [](CommandCall& call) { return sceneFile(call, true); });
    interpreter.defineBuiltin("open", [](CommandCall& call) { return sceneFile(call, false); });
    interpreter.defineBuiltin("refresh", refresh);
    interpreter.defineBuiltin("viewFit", viewFit);
}
