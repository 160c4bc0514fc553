#include "MSyntax.h"

namespace {

std::string withHyphen(const char* name) {
    std::string text = name ? name : "";
    if (!text.empty() && text[0] != '-') text.insert(text.begin(), '-');
    return text;
}

} // namespace

MStatus MSyntax::addFlag(const char* shortName, const char* longName, MArgType type) {
    const std::string shortText = withHyphen(shortName), longText = withHyphen(longName);
    if (shortText.size() < 2 || find(shortText) || (!longText.empty() && find(longText)))
        return MStatus::kInvalidParameter;
    flags_.push_back({shortText, longText, type});
    return MStatus::kSuccess;
}

const MSyntax::Flag* MSyntax::find(const std::string& name) const {
    for (const Flag& flag : flags_)
        if (flag.shortName == name || flag.longName == name) return &flag;
    return nullptr;
}
