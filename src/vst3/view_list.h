// The Controller's list of the views it created that are still alive. It holds no reference:
// a view leaves by clearing its slot when its own count reaches 0, and a cleared slot is the
// first one a new view takes.
#pragma once
#include <cstdint>

struct PlugView;

struct ViewList {
    PlugView** slots;
    uint64_t length;
};

// Stores the view in the first empty slot, else in a new slot at the end. 0, or -1 when the
// list cannot grow (nothing changes then).
int view_list_add(ViewList* list, PlugView* view);

// Empties the first slot that holds the view; a view not in the list changes nothing.
void view_list_remove(ViewList* list, PlugView* view);

void view_list_free(ViewList* list);
