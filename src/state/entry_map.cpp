#include "state/entry_map.h"

#include <cerrno>
#include <cstring>

#include "state/state_alloc.h"

struct MapEntry {
    uint64_t key_length;
    uint64_t value_length;
    const uint8_t* key;
    const uint8_t* value;
};

struct MapNode {
    MapNode* parent;
    MapNode* left;
    MapNode* right;
    int64_t height;  // 1 for a leaf
    MapEntry entry;
};

struct EntryMap {
    MapNode* root;
};

// strncmp semantics on purpose (it also stops at a NUL inside both keys): saved archives were
// ordered this way, and the order is visible in them.
static int compare_keys(const uint8_t* a, uint64_t a_length, const uint8_t* b, uint64_t b_length) {
    uint64_t common = a_length < b_length ? a_length : b_length;
    int order = common ? strncmp((const char*)a, (const char*)b, (size_t)common) : 0;
    if (order != 0) return order;
    if (a_length == b_length) return 0;
    return a_length < b_length ? -1 : 1;
}

EntryMap* entry_map_new(void) {
    EntryMap* map = (EntryMap*)state_malloc(sizeof(EntryMap));
    if (!map) return nullptr;
    map->root = nullptr;
    return map;
}

static void free_subtree(MapNode* node) {
    while (node) {
        free_subtree(node->right);
        MapNode* left = node->left;
        state_free(node);
        node = left;
    }
}

void entry_map_free(EntryMap* map) {
    if (!map) return;
    free_subtree(map->root);
    state_free(map);
}

EntryMap* entry_map_fail(EntryMap* map, int error) {
    entry_map_free(map);
    errno = error;
    return nullptr;
}

static int64_t height_of(const MapNode* node) { return node ? node->height : 0; }

static void update_height(MapNode* node) {
    int64_t left = height_of(node->left);
    int64_t right = height_of(node->right);
    node->height = 1 + (left > right ? left : right);
}

// Puts `replacement` where `node` hangs from its parent (or at the root).
static void replace_child(EntryMap* map, MapNode* node, MapNode* replacement) {
    MapNode* parent = node->parent;
    replacement->parent = parent;
    if (!parent)
        map->root = replacement;
    else if (parent->left == node)
        parent->left = replacement;
    else
        parent->right = replacement;
}

// A rotation: lifts `node`'s left child (right rotation) or right child (left rotation) into
// its place; the child's inner subtree moves across to `node`.
static MapNode* lift_child(EntryMap* map, MapNode* node, bool left_child) {
    MapNode* pivot = left_child ? node->left : node->right;
    MapNode*& inner = left_child ? pivot->right : pivot->left;
    replace_child(map, node, pivot);
    (left_child ? node->left : node->right) = inner;
    if (inner) inner->parent = node;
    inner = node;
    node->parent = pivot;
    update_height(node);
    update_height(pivot);
    return pivot;
}

static void rebalance_upwards(EntryMap* map, MapNode* node) {
    while (node) {
        update_height(node);
        int64_t balance = height_of(node->left) - height_of(node->right);
        if (balance == 2) {
            if (height_of(node->left->left) < height_of(node->left->right))
                lift_child(map, node->left, false);
            node = lift_child(map, node, true);
        } else if (balance == -2) {
            if (height_of(node->right->right) < height_of(node->right->left))
                lift_child(map, node->right, true);
            node = lift_child(map, node, false);
        }
        node = node->parent;
    }
}

int entry_map_insert(EntryMap* map, const void* key, uint64_t key_length, const void* value,
                     uint64_t value_length) {
    MapNode* node = (MapNode*)state_malloc(sizeof(MapNode));
    if (!node) return -1;
    node->left = nullptr;
    node->right = nullptr;
    node->height = 1;
    node->entry = {key_length, value_length, (const uint8_t*)key, (const uint8_t*)value};

    MapNode* parent = nullptr;
    MapNode** link = &map->root;
    while (*link) {
        parent = *link;
        const MapEntry& existing = parent->entry;
        int order = compare_keys(node->entry.key, key_length, existing.key, existing.key_length);
        if (order == 0) {
            // An equal key goes right before the existing one: the rightmost place of its
            // left subtree.
            link = &parent->left;
            while (*link) {
                parent = *link;
                link = &parent->right;
            }
            break;
        }
        link = order < 0 ? &parent->left : &parent->right;
    }
    node->parent = parent;
    *link = node;
    rebalance_upwards(map, parent);
    return 0;
}

const uint8_t* entry_map_find(const EntryMap* map, const void* key, uint64_t key_length,
                              uint64_t* value_length) {
    const MapNode* node = map->root;
    while (node) {
        const MapEntry& entry = node->entry;
        int order = compare_keys((const uint8_t*)key, key_length, entry.key, entry.key_length);
        if (order == 0) {
            if (value_length) *value_length = entry.value_length;
            return entry.value;
        }
        node = order < 0 ? node->left : node->right;
    }
    return nullptr;
}

int entry_map_for_each(const EntryMap* map, EntryVisitor visitor, void* context) {
    const MapNode* node = map->root;
    while (node && node->left) node = node->left;
    while (node) {
        const MapEntry& entry = node->entry;
        int result = visitor(entry.key, entry.key_length, entry.value, entry.value_length, context);
        if (result != 0) return result;
        if (node->right) {
            node = node->right;
            while (node->left) node = node->left;
        } else {
            while (node->parent && node->parent->right == node) node = node->parent;
            node = node->parent;
        }
    }
    return 0;
}

