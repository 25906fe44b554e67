#include "preset_slug.h"

std::string preset_slug(const char* name) {
    std::string slug;
    for (const char* c = name; *c; c++) {
        if (*c >= 'A' && *c <= 'Z')
            slug += (char)(*c - 'A' + 'a');
        else if ((*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9'))
            slug += *c;
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
    }
    return slug;
}
