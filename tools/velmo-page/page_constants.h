// The editor page's constants block, written from the parameter table and the engine's
// tables, so that the page a plug-in ships can never disagree with them.
#pragma once
#include <string>

// The block, from its BEGIN line to its END line (both included, each ending in a newline).
std::string page_constants_block();

// `page` with the text from its BEGIN line to its END line replaced by the block; false when
// either line is missing or out of order.
bool page_with_constants(const std::string& page, std::string* out);
