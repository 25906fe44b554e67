#include "vst3/view_list.h"

#include <cstdlib>

int view_list_add(ViewList* list, PlugView* view) {
    for (uint64_t i = 0; i < list->length; i++) {
        if (!list->slots[i]) {
            list->slots[i] = view;
            return 0;
        }
    }
    if (list->length >= SIZE_MAX / sizeof(PlugView*)) return -1;
    PlugView** grown = (PlugView**)realloc(list->slots, (size_t)(list->length + 1) * sizeof(PlugView*));
    if (!grown) return -1;
    grown[list->length] = view;
    list->slots = grown;
    list->length++;
    return 0;
}

void view_list_remove(ViewList* list, PlugView* view) {
    for (uint64_t i = 0; i < list->length; i++) {
        if (list->slots[i] == view) {
            list->slots[i] = nullptr;
            return;
        }
    }
}

void view_list_free(ViewList* list) {
    free(list->slots);
    list->slots = nullptr;
    list->length = 0;
}
