// A preset's name as it appears in URIs and file names: "Slow Sweep" becomes "slow-sweep".
#pragma once
#include <string>

std::string preset_slug(const char* name);
