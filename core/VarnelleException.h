#pragma once

#include "hostapi/M3dView.h"

#include <cstdint>
#include <string>

// The one exception of an unwrap run: the sentence shown to the user, the name of the source
// unit that raised it and the line given at the raise site. It has no base class on purpose,
// so a handler has to name it.
struct VarnelleException {
    std::string message;
    const char* file = "";
    int32_t line = 0;
};

// Builds the exception from the three values and throws it.
[[noreturn]] void raiseError(const char* message, const char* file, int32_t line);

// Shows the exception's message, and nothing else, in a modal box owned by `owner` with the
// caption "Notification", one OK button and the information icon. Returns when it is closed.
void notifyUser(const VarnelleException& exception, MNativeWindowHdl owner);

// Every failure of a run that reaches the user as a VarnelleException raises one of these.
struct ErrorSite {
    const char* message;
    const char* file;
    int32_t line;
};

namespace ErrorSites {
inline constexpr ErrorSite MainWindowMissing{"Maya window handle not found", "varnelle", 300};
inline constexpr ErrorSite UnknownUnwrapType{"Unknown unwrap type", "varnelle", 334};
inline constexpr ErrorSite UnwrapImpossible{
    "Unwrapping not possible. Try increasing the allowed stretch or the texture size.", "UVAtlasProxy", 46};
inline constexpr ErrorSite PackingImpossible{
    "Packing was not possible due to an encountered error. Most likely the settings for width, height and padding do "
    "not provide enough space to place all UV charts",
    "UVAtlasProxy", 267};
inline constexpr ErrorSite NothingToProjectPerspective{
    "The current projection settings have filtered out all surfaces, there is nothing left to unwrap.",
    "ProjectionUnwrap", 120};
inline constexpr ErrorSite NothingToProjectOrthographic{
    "The current projection settings have filtered out all surfaces, there is nothing left to unwrap.",
    "ProjectionUnwrap", 155};
// The two below are followed by what they name: the camera's name, the faces' numbers.
inline constexpr ErrorSite CameraNotFound{"This camera does not exist in the scene: ", "ProjectionUnwrap", 60};
inline constexpr ErrorSite FacesWithoutUVs{
    "These faces have no UVs in the current UV set, so its UVs cannot be kept: ", "varnelle", 390};
} // namespace ErrorSites

[[noreturn]] inline void raiseError(const ErrorSite& site) {
    raiseError(site.message, site.file, site.line);
}

// The site's message followed by what it names.
[[noreturn]] inline void raiseError(const ErrorSite& site, const std::string& detail) {
    raiseError((site.message + detail).c_str(), site.file, site.line);
}
