#include "MArgDatabase.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

bool parseBooleanWord(const std::string& word, bool& value) {
    if (word == "1" || word == "true" || word == "on" || word == "yes")
        value = true;
    else if (word == "0" || word == "false" || word == "off" || word == "no")
        value = false;
    else
        return false;
    return true;
}

bool parseIntegerWord(const std::string& word, long long& value) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

bool parseDoubleWord(const std::string& word, double& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return *end == '\0' && errno != ERANGE && std::isfinite(value);
}

namespace {

const char* typeWord(MSyntax::MArgType type) {
    switch (type) {
    case MSyntax::kBoolean:
        return "a boolean (on/off, true/false, 1/0)";
    case MSyntax::kLong:
        return "an integer";
    case MSyntax::kUnsigned:
        return "a non-negative integer";
    case MSyntax::kDouble:
    case MSyntax::kDistance:
    case MSyntax::kAngle:
    case MSyntax::kTime:
        return "a number";
    default:
        return "a value";
    }
}

bool fitsType(MSyntax::MArgType type, const std::string& word) {
    bool flag = false;
    long long integer = 0;
    double number = 0.0;
    switch (type) {
    case MSyntax::kBoolean:
        return parseBooleanWord(word, flag);
    case MSyntax::kLong:
        return parseIntegerWord(word, integer) && integer >= INT_MIN && integer <= INT_MAX;
    case MSyntax::kUnsigned:
        return parseIntegerWord(word, integer) && integer >= 0 && integer <= UINT_MAX;
    case MSyntax::kDouble:
    case MSyntax::kDistance:
    case MSyntax::kAngle:
    case MSyntax::kTime:
        return parseDoubleWord(word, number);
    default:
        return true;
    }
}

} // namespace

MArgDatabase::MArgDatabase(const MSyntax& syntax, const MArgList& arguments, MStatus* status) : syntax_(syntax) {
    for (unsigned i = 0; i < arguments.length() && error_.empty(); ++i) {
        const std::string word = arguments.asString(i).str();
        const MSyntax::Flag* flag = syntax.find(word);
        if (!flag) {
            error_ = word.size() > 1 && word[0] == '-' ? "unknown flag '" + word + "'"
                                                       : "unexpected argument '" + word + "'";
            break;
        }
        if (flag->type == MSyntax::kNoArg) {
            values_[flag->shortName] = "";
            continue;
        }
        if (i + 1 >= arguments.length()) {
            error_ = "flag '" + word + "' needs " + typeWord(flag->type);
            break;
        }
        const std::string value = arguments.asString(++i).str();
        if (!fitsType(flag->type, value)) {
            error_ = "flag '" + word + "' needs " + typeWord(flag->type) + ", not '" + value + "'";
            break;
        }
        values_[flag->shortName] = value;
    }
    setStatus(status, error_.empty() ? MStatus() : MStatus(MStatus::kInvalidParameter, error_));
}

bool MArgDatabase::isFlagSet(const char* flag, MStatus* status) const {
    const MSyntax::Flag* known = syntax_.find(flag);
    setStatus(status, known ? MStatus() : MStatus(MStatus::kInvalidParameter));
    return known && values_.count(known->shortName) > 0;
}

const std::string* MArgDatabase::argumentOf(const char* flag, unsigned index) const {
    const MSyntax::Flag* known = syntax_.find(flag);
    if (!known || index != 0) return nullptr;
    const auto found = values_.find(known->shortName);
    return found == values_.end() ? nullptr : &found->second;
}

MStatus MArgDatabase::getFlagArgument(const char* flag, unsigned index, bool& value) const {
    const std::string* word = argumentOf(flag, index);
    return word && parseBooleanWord(*word, value) ? MStatus() : MStatus(MStatus::kInvalidParameter);
}

MStatus MArgDatabase::getFlagArgument(const char* flag, unsigned index, int& value) const {
    const std::string* word = argumentOf(flag, index);
    long long integer = 0;
    if (!word || !parseIntegerWord(*word, integer) || integer < INT_MIN || integer > INT_MAX)
        return MStatus::kInvalidParameter;
    value = static_cast<int>(integer);
    return MStatus::kSuccess;
}

MStatus MArgDatabase::getFlagArgument(const char* flag, unsigned index, unsigned& value) const {
    const std::string* word = argumentOf(flag, index);
    long long integer = 0;
    if (!word || !parseIntegerWord(*word, integer) || integer < 0 || integer > UINT_MAX)
        return MStatus::kInvalidParameter;
    value = static_cast<unsigned>(integer);
    return MStatus::kSuccess;
}

MStatus MArgDatabase::getFlagArgument(const char* flag, unsigned index, double& value) const {
    const std::string* word = argumentOf(flag, index);
    return word && parseDoubleWord(*word, value) ? MStatus() : MStatus(MStatus::kInvalidParameter);
}

MStatus MArgDatabase::getFlagArgument(const char* flag, unsigned index, MString& value) const {
    const std::string* word = argumentOf(flag, index);
    if (!word) return MStatus::kInvalidParameter;
    value = MString(*word);
    return MStatus::kSuccess;
}
