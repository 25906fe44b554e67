#include "vst3/factory.h"

#include <cstring>

#include "plugin/version.h"
#include "vst3/class_ids.h"
#include "vst3/component.h"
#include "vst3/controller.h"
#include "vst3/text_fields.h"

struct ClassEntry {
    const char* cid;
    const char* category;
    const char* name;
    const char16_t* name16;
    uint32 class_flags;
    const char* sub_categories;
};

static const ClassEntry classes[2] = {
    {velmo_component_cid, "Audio Module Class", this_variant.name, this_variant.name16, kDistributable,
     "Fx|Filter"},
    {velmo_controller_cid, "Component Controller Class", this_variant.controller_name,
     this_variant.controller_name16, 0, ""},
};
static const int32 class_count = 2;

static const char* const class_version = VELMO_VERSION;
static const char16_t* const class_version16 = u"" VELMO_VERSION;
static const char* const sdk_version = "VST VST 3.8.0 | Fennick";
static const char16_t* const sdk_version16 = u"VST 3.8.0";

static tresult PLUGIN_API factory_query(IPluginFactory3* self, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPluginFactory) ||
        iid_equal(iid, IID_IPluginFactory2) || iid_equal(iid, IID_IPluginFactory3)) {
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

static uint32 PLUGIN_API factory_add_ref(IPluginFactory3*) { return 1; }
static uint32 PLUGIN_API factory_release(IPluginFactory3*) { return 1; }

static tresult PLUGIN_API get_factory_info(IPluginFactory3*, PFactoryInfo* info) {
    if (!info) return kInvalidArgument;
    text_field_copy(info->vendor, sizeof info->vendor, "Brindle.DIGITAL");
    text_field_copy(info->url, sizeof info->url, "https://brindle.digital");
    text_field_copy(info->email, sizeof info->email, "support@brindle.digital");
    info->flags = kFactoryUnicode;
    return kResultOk;
}

static int32 PLUGIN_API count_classes(IPluginFactory3*) { return class_count; }

static const ClassEntry* class_at(int32 index) {
    return index >= 0 && index < class_count ? &classes[index] : nullptr;
}

// The fields every class-info record has; the three records differ only in what follows.
template <typename Info>
static void fill_class_basics(Info* info, const ClassEntry* e) {
    memcpy(info->cid, e->cid, sizeof(TUID));
    info->cardinality = kManyInstances;
    text_field_copy(info->category, sizeof info->category, e->category);
}

static tresult PLUGIN_API get_class_info(IPluginFactory3*, int32 index, PClassInfo* info) {
    const ClassEntry* e = class_at(index);
    if (!e || !info) return kInvalidArgument;
    fill_class_basics(info, e);
    text_field_copy(info->name, sizeof info->name, e->name);
    return kResultOk;
}

static tresult PLUGIN_API get_class_info2(IPluginFactory3*, int32 index, PClassInfo2* info) {
    const ClassEntry* e = class_at(index);
    if (!e || !info) return kInvalidArgument;
    fill_class_basics(info, e);
    text_field_copy(info->name, sizeof info->name, e->name);
    info->classFlags = e->class_flags;
    text_field_copy(info->subCategories, sizeof info->subCategories, e->sub_categories);
    text_field_copy(info->vendor, sizeof info->vendor, "");
    text_field_copy(info->version, sizeof info->version, class_version);
    text_field_copy(info->sdkVersion, sizeof info->sdkVersion, sdk_version);
    return kResultOk;
}

static tresult PLUGIN_API get_class_info_unicode(IPluginFactory3*, int32 index, PClassInfoW* info) {
    const ClassEntry* e = class_at(index);
    if (!e || !info) return kInvalidArgument;
    fill_class_basics(info, e);
    text_field_copy16(info->name, 64, e->name16);
    info->classFlags = e->class_flags;
    text_field_copy(info->subCategories, sizeof info->subCategories, e->sub_categories);
    info->vendor[0] = 0;
    text_field_copy16(info->version, 64, class_version16);
    text_field_copy16(info->sdkVersion, 64, sdk_version16);
    return kResultOk;
}

static bool is_component_iid(const char* iid) {
    return iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPluginBase) || iid_equal(iid, IID_IComponent);
}
static bool is_controller_iid(const char* iid) {
    return iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPluginBase) ||
           iid_equal(iid, IID_IEditController);
}

static tresult PLUGIN_API create_instance(IPluginFactory3*, FIDString cid, FIDString iid, void** obj) {
    if (!cid || !iid || !obj) return kInvalidArgument;
    if (iid_equal(cid, velmo_component_cid)) {
        if (!is_component_iid(iid)) return kNoInterface;
        Component* c = component_create();
        if (!c) return kOutOfMemory;
        *obj = &c->component;
        return kResultOk;
    }
    if (iid_equal(cid, velmo_controller_cid)) {
        if (!is_controller_iid(iid)) return kNoInterface;
        Controller* c = controller_create();
        if (!c) return kOutOfMemory;
        *obj = &c->edit_controller;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

static tresult PLUGIN_API set_host_context(IPluginFactory3*, FUnknown*) { return kNotImplemented; }

static const IPluginFactory3Vtbl factory_vtbl = {
    factory_query, factory_add_ref, factory_release, get_factory_info, count_classes,
    get_class_info, create_instance, get_class_info2, get_class_info_unicode, set_host_context,
};

static IPluginFactory3 factory = {&factory_vtbl};

IPluginFactory3* factory_get(void) { return &factory; }
