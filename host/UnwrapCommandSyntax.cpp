#include "UnwrapCommandSyntax.h"

MSyntax unwrapCommandSyntax() {
    MSyntax syntax;
    syntax.addFlag("-mc", "-mapchannel", MSyntax::kString);
    syntax.addFlag("-t", "-unwrap_type", MSyntax::kLong);
    syntax.addFlag("-cr", "-charts", MSyntax::kLong);
    syntax.addFlag("-st", "-stretch", MSyntax::kDouble);
    syntax.addFlag("-pad", "-padding", MSyntax::kLong);
    syntax.addFlag("-w", "-width", MSyntax::kLong);
    syntax.addFlag("-h", "-height", MSyntax::kLong);
    syntax.addFlag("-hq", "-high_quality", MSyntax::kBoolean);
    syntax.addFlag("-adm", "-adjacency_method", MSyntax::kLong);
    syntax.addFlag("-e", "-epsilon", MSyntax::kDouble);
    syntax.addFlag("-ks", "-keep_seams", MSyntax::kBoolean);
    syntax.addFlag("-ug", "-use_grooves", MSyntax::kBoolean);
    syntax.addFlag("-ga", "-groove_angle", MSyntax::kDouble);
    syntax.addFlag("-ur", "-use_ridges", MSyntax::kBoolean);
    syntax.addFlag("-ra", "-ridge_angle", MSyntax::kDouble);
    syntax.addFlag("-tm", "-tile_mode", MSyntax::kBoolean);
    syntax.addFlag("-tc", "-tile_columns", MSyntax::kLong);
    syntax.addFlag("-tn", "-tile_number", MSyntax::kLong);
    syntax.addFlag("-tx", "-tile_numx", MSyntax::kLong);
    syntax.addFlag("-ty", "-tile_numy", MSyntax::kLong);
    syntax.addFlag("-p", "pack_mode", MSyntax::kLong);
    syntax.addFlag("-pr", "pre_rotate", MSyntax::kBoolean);
    syntax.addFlag("-ro", "rotation", MSyntax::kLong);
    syntax.addFlag("-fr", "full_rotation", MSyntax::kBoolean);
    syntax.addFlag("-re", "rescale", MSyntax::kBoolean);
    syntax.addFlag("-c", "camera", MSyntax::kString);
    syntax.addFlag("-ca", "cam_angle", MSyntax::kDouble);
    syntax.addFlag("-ce", "cam_extend", MSyntax::kDouble);
    syntax.addFlag("-co", "cam_ortho", MSyntax::kBoolean);
    return syntax;
}

namespace {

template <typename T>
void readFlag(const MArgDatabase& arguments, const char* flag, T& field) {
    if (arguments.isFlagSet(flag)) arguments.getFlagArgument(flag, 0, field);
}

void readIntegerAsDouble(const MArgDatabase& arguments, const char* flag, double& field) {
    int value = 0;
    if (arguments.isFlagSet(flag) && arguments.getFlagArgument(flag, 0, value)) field = value;
}

} // namespace

void readUnwrapFlags(const MArgDatabase& arguments, UnwrapSettings& settings) {
    readFlag(arguments, "-mc", settings.uv_set);
    readFlag(arguments, "-t", settings.unwrap_type);
    readFlag(arguments, "-st", settings.stretch);
    readIntegerAsDouble(arguments, "-pad", settings.padding);
    readFlag(arguments, "-w", settings.tex_width);
    readFlag(arguments, "-h", settings.tex_height);
    readFlag(arguments, "-ks", settings.keep_seams);
    readFlag(arguments, "-ug", settings.use_grooves);
    readFlag(arguments, "-ga", settings.groove_angle);
    readFlag(arguments, "-ur", settings.use_ridges);
    readFlag(arguments, "-ra", settings.ridge_angle);
    readFlag(arguments, "-tx", settings.tile_numx);
    readFlag(arguments, "-ty", settings.tile_numy);
    readFlag(arguments, "-p", settings.pack_mode);
    readFlag(arguments, "-pr", settings.pre_rotate);
    readFlag(arguments, "-ro", settings.rotation);
    readFlag(arguments, "-fr", settings.full_rotation);
    readFlag(arguments, "-re", settings.rescale);
    readFlag(arguments, "-c", settings.camera);
    readFlag(arguments, "-ca", settings.cam_angle);
    readFlag(arguments, "-ce", settings.cam_extend);
    readFlag(arguments, "-co", settings.cam_ortho);
}
