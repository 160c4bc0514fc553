#pragma once

#include "host/PolyModifierNode.h"
#include "hostapi/MObject.h"

// The unwrap's factory: the framework asks for one, but the unwrap changes no mesh, so its
// work does nothing.
class tmod_fty : public polyModifierFty {
public:
    MStatus doIt() override { return MStatus::kSuccess; }

private:
    MObject mesh_;
};
