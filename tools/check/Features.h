// The checks of "Features": what a feature's keys do while it is off, and an
// audit file that names a folder; and the words every check uses of a feature
// that is not switched on, said once here.
#pragma once

#include <string>

#include "tools/check/CheckRun.h"

namespace check {

// True when the file's own "Features" entry `name` reads "Enabled": true: the
// checker has no loaded plugin whose settings it could ask.
bool FeatureOnInFile(const CheckRun& run, const char* name);

// `the feature "NAME" is not enabled`, the start of a finding.
std::string FeatureNotEnabled(const char* name);
// `set "Features": {"NAME": {"Enabled": true}}`, the hint of such a finding.
std::string EnableFeatureHint(const char* name);

void CheckFeatures(CheckRun& run);

}  // namespace check
