#include "MString.h"

#include <sstream>

MString& MString::operator+=(double value) {
    std::ostringstream text;
    text << value;
    text_ += text.str();
    return *this;
}
