// An object that shows a host several interfaces ("faces") embeds one interface record per face
// and keeps one reference count. VST3_FACE writes, for one face, the way back from the face to
// the object (of_<name>) and the face's three FUnknown slots (<name>_query, <name>_add_ref,
// <name>_release), which forward to the object's own static query, add_ref and release.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "vst3/abi/vst3_base.h"

#define VST3_FACE(Object, Face, member, name)                                                  \
    static Object* of_##name(Face* face) { return (Object*)((char*)face - offsetof(Object, member)); } \
    static tresult PLUGIN_API name##_query(Face* self, const TUID iid, void** obj) {           \
        return query(of_##name(self), iid, obj);                                               \
    }                                                                                          \
    static uint32 PLUGIN_API name##_add_ref(Face* self) { return add_ref(of_##name(self)); }   \
    static uint32 PLUGIN_API name##_release(Face* self) { return release(of_##name(self)); }

// How every object's query ends: hands out `face` (null when the object has no such face)
// with one more reference on the object's count.
inline tresult face_hand_out(std::atomic<uint32_t>* refs, void* face, void** obj) {
    *obj = face;
    if (!face) return kNoInterface;
    refs->fetch_add(1);
    return kResultOk;
}
