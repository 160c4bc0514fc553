#pragma once

#include "core/UnwrapSettings.h"
#include "hostapi/MArgDatabase.h"
#include "hostapi/MSyntax.h"

// The flags of the unwrap command, each with one argument, in declaration order.
MSyntax unwrapCommandSyntax();

// Reads every set flag that has a settings field into `settings`, in declaration order.
void readUnwrapFlags(const MArgDatabase& arguments, UnwrapSettings& settings);
