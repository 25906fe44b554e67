// The editor helpers (velmo-editor) that this test process started, running or not yet reaped.
#pragma once
#include <sys/types.h>

#include <vector>

std::vector<pid_t> helper_children(void);
