#include "CommandLine.h"
#include "Subcommands.h"

#include "hostapi/AtomicFile.h"
#include "hostapi/M3dView.h"

#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const std::vector<std::string>&, std::ostream&);
    const char* usage;
};

// The terminal stands for the host's main window: notifications are printed on it.
constexpr MNativeWindowHdl kTerminalWindow = 1;

const Subcommand subcommands[] = {
    {"unwrap", runUnwrapCommand,
     "unwrap MESH.obj -o OUT.obj [unwrap flags] [--mesh NAME] [--json]\n"
     "       [--preview LAYOUT.png [--preview-size N]] [--window] [--quiet]\n"
     "       [--camera-def NAME EYE_X EYE_Y EYE_Z AIM_X AIM_Y AIM_Z [ortho WIDTH]]\n"
     "    unwraps a mesh of the file (the first unless --mesh names one) and writes it with the layout as its UVs"},
    {"inspect", runInspect,
     "inspect MESH.obj [-t TYPE] [-ks 0|1] [-ug 0|1] [-ga DEG] [-ur 0|1] [-ra DEG] [-mc UVSET]\n"
     "    collects triangles, seams and adjacency of the first mesh and prints their counts as JSON"},
    {"charts", runCharts,
     "charts MESH.obj [-st S] [-o OUT.obj] [--pack W H GUTTER] [--json]\n"
     "    cuts the first mesh into charts within stretch S, writes them as its UVs; --pack packs them into a\n"
     "    W x H texture (1 texel or more a side) with GUTTER texels (less than the shorter side) between charts"},
    {"outline", runOutline,
     "outline MESH.obj --svg OUT.svg [-pad P -w W -h H -ro R -fr 0|1 -pr 0|1]\n"
     "    draws every existing-UV chart's traced outline, padded outline and first orientation's box"},
    {"pack", runPack,
     "pack MESH.obj -o OUT.obj [-pad P -w W -h H -p 1|2 -pr 0|1 -ro R -fr 0|1] [--json]\n"
     "    packs the charts of the first mesh's existing UVs with the polygon chart packer and writes the mesh;\n"
     "    every face needs UVs (a mesh without any is box-projected)"},
    {"host", runHost,
     "host [SCRIPT] [--window] [--quiet] [--preview LAYOUT.png [--preview-size N]]\n"
     "    runs host commands (loadPlugin varnelle, file -import, select, varnelleDemo, setAttr, getAttr,\n"
     "    undo, redo, refresh -panels DIR, save, open, ...) from the script, or from standard input"},
    {"preview", runPreview,
     "preview MESH.obj (--png OUT.png [--preview-size N] | --window) [--tiles N] [--quiet]\n"
     "    draws the UV layout the mesh file already has: polygon edges on the tile grid"},
};

void printUsage(std::FILE* stream) {
    std::fprintf(stream, "usage: varnelle SUBCOMMAND ...\n");
    for (const Subcommand& subcommand : subcommands)
        std::fprintf(stream, "  varnelle %s\n", subcommand.usage);
}

} // namespace

int main(int argc, char** argv) {
    M3dView::setApplicationShell(kTerminalWindow);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Subcommand& subcommand : subcommands) {
        if (std::strcmp(argv[1], subcommand.name) != 0) continue;
        try {
            return subcommand.run(std::vector<std::string>(argv + 2, argv + argc), std::cout);
        } catch (const UsageError& error) {
            std::fprintf(stderr, "varnelle %s: %s\n", subcommand.name, error.what());
            printUsage(stderr);
            return 2;
        } catch (const FileError& error) {
            std::fprintf(stderr, "varnelle: %s\n", error.what());
            return 2;
        }
    }
    std::fprintf(stderr, "varnelle: unknown subcommand '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
