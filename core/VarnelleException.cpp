#include "VarnelleException.h"

#include "hostapi/MessageBox.h"

#include <sstream>

void raiseError(const char* message, const char* file, int32_t line) {
    throw VarnelleException{message ? message : "", file ? file : "", line};
}

void notifyUser(const VarnelleException& exception, MNativeWindowHdl owner) {
    // The box gets its own copy of the text, so the exception may go away while it is open.
    std::ostringstream text;
    text << exception.message;
    MessageBoxA(owner, text.str().c_str(), "Notification", MB_ICONINFORMATION);
}
