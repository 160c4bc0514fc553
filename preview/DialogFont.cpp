#include "preview/DialogFont.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <string>

namespace {

std::string sansSerifFontFile() {
    std::string file;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return file;
}

} // namespace

TTF_Font* openDialogFont() {
    const std::string file = sansSerifFontFile();
    if (file.empty() || TTF_Init() != 0) return nullptr;
    TTF_Font* font = TTF_OpenFontDPI(file.c_str(), 8, 96, 96);
    if (!font) TTF_Quit();
    return font;
}

void closeDialogFont(TTF_Font* font) {
    if (!font) return;
    TTF_CloseFont(font);
    TTF_Quit();
}
