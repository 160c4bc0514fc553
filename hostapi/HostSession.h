#pragma once

#include "CommandInterpreter.h"
#include "MMessage.h"
#include "PluginRegistry.h"
#include "Scene.h"
#include "UserInterface.h"

// Everything the stand-in host keeps for the process. The members are torn down in reverse
// order, the scene first; the callback register outlives them all.
struct HostSession {
    CallbackRegistry& callbacks = callbackRegistry();
    PluginRegistry plugins;
    UserInterface ui;
    CommandInterpreter commands;
    Scene scene;
};

HostSession& hostSession();
