#include "HostSession.h"

HostSession& hostSession() {
    static HostSession session;
    return session;
}
