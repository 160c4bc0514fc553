#include "HostShell.h"

#include "PreviewOptions.h"

#include "hostapi/AtomicFile.h"
#include "hostapi/CommandInterpreter.h"
#include "hostapi/HostSession.h"
#include "hostapi/M3dView.h"
#include "plugin/VarnellePlugin.h"
#include "preview/PngImage.h"

#include <filesystem>

void resetHostSession() {
    HostSession& session = hostSession();
    session.scene.reset();
    session.ui.resetLayout();
    std::string error;
    for (const std::string& plugin : session.plugins.loadedNames())
        session.plugins.unload(plugin, error);
    registerVarnelleModule();
}

HostShell::HostShell(std::ostream& out) : out_(out) {
    resetHostSession();
}

HostShell::~HostShell() {
    resetHostSession();
}

MStatus HostShell::execute(const std::vector<std::string>& words, CommandResult& result, std::string& error) {
    result.clear();
    if (!words.empty() && words[0] == "refresh" && words.size() > 1 && words[1] == "-panels")
        return renderPanels(words, error);
    return hostSession().commands.execute(words, result, error, true);
}

MStatus HostShell::renderPanels(const std::vector<std::string>& words, std::string& error) {
    if (words.size() != 3 && !(words.size() == 6 && words[3] == "-size")) {
        error = "needs -panels DIR [-size WIDTH HEIGHT]";
        return MStatus::kInvalidParameter;
    }
    const std::string folder = words[2];
    try {
        if (words.size() == 6) {
            const int32_t width = parseWholeNumber("-size", words[4], 16, 8192);
            const int32_t height = parseWholeNumber("-size", words[5], 16, 8192);
            for (ModelPanel& panel : hostSession().ui.panels()) {
                panel.width = width;
                panel.height = height;
            }
        }
        std::error_code problem;
        std::filesystem::create_directories(folder, problem);
        if (problem) throw FileError(folder + ": cannot make the folder (" + problem.message() + ")");
        M3dView::refreshModelPanels();
        for (const ModelPanel& panel : hostSession().ui.panels()) {
            PixelCanvas canvas(panel.image.width, panel.image.height);
            canvas.pixels = panel.image.pixels;
            writePng((std::filesystem::path(folder) / (panel.name + ".png")).string(), canvas);
        }
    } catch (const std::exception& failure) {
        error = failure.what();
        return MStatus::kFailure;
    }
    return MStatus::kSuccess;
}

int HostShell::runScript(std::istream& in, const std::string& source) {
    std::string line, error;
    unsigned number = 0;
    CommandResult result;
    while (std::getline(in, line)) {
        ++number;
        std::vector<std::string> words;
        const bool split = CommandInterpreter::splitWords(line, words, error);
        if (split && (words.empty() || words[0][0] == '#' || words[0].rfind("//", 0) == 0)) continue;
        const MStatus status = split ? execute(words, result, error) : MStatus(MStatus::kInvalidParameter);
        if (!status) {
            out_.flush();
            std::fprintf(stderr, "varnelle host: %s:%u: %s: %s\n", source.c_str(), number,
                         split ? words[0].c_str() : "line", error.c_str());
            return 1;
        }
        for (const std::string& value : result.values)
            out_ << value << '\n';
    }
    out_.flush();
    return 0;
}
