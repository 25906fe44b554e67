// The factory as a host sees it after loading the module.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "plugin/version.h"
#include "host_iids.h"
#include "module_fixture.h"

static std::u16string text16(const char16_t* s) { return std::u16string(s); }

class FactoryTest : public testing::Test {
protected:
    IPluginFactory3* f = nullptr;
    void SetUp() override {
        f = test_factory();
        ASSERT_NE(nullptr, f) << "cannot load " << VELMO_VST3_MODULE;
    }
    std::string class_cid(int32 index) {
        PClassInfo info;
        EXPECT_EQ(kResultOk, f->vtbl->getClassInfo(f, index, &info));
        return std::string(info.cid, 16);
    }
};

TEST_F(FactoryTest, FactoryInfoAndInterfaces) {
    PFactoryInfo info;
    memset(&info, 0x55, sizeof info);
    ASSERT_EQ(kResultOk, f->vtbl->getFactoryInfo(f, &info));
    EXPECT_STREQ("Brindle.DIGITAL", info.vendor);
    EXPECT_STREQ("https://brindle.digital", info.url);
    EXPECT_STREQ("support@brindle.digital", info.email);
    EXPECT_EQ(16, info.flags);

    for (const char* iid : {IID_FUnknown, IID_IPluginFactory, IID_IPluginFactory2, IID_IPluginFactory3}) {
        void* obj = nullptr;
        EXPECT_EQ(kResultOk, f->vtbl->queryInterface(f, iid, &obj));
        EXPECT_EQ((void*)f, obj);
    }
    void* obj = &info;
    EXPECT_EQ(kNoInterface, f->vtbl->queryInterface(f, IID_IComponent, &obj));
    EXPECT_EQ(nullptr, obj);
    // The static factory ignores counting: any number of releases leaves it usable.
    for (int i = 0; i < 5; i++) EXPECT_EQ(1u, f->vtbl->release(f));
    EXPECT_EQ(1u, f->vtbl->addRef(f));
    EXPECT_EQ(2, f->vtbl->countClasses(f));
    EXPECT_EQ(kNotImplemented, f->vtbl->setHostContext(f, host_context()));
}

TEST_F(FactoryTest, ClassTable) {
    PClassInfo2 c2[2];
    PClassInfoW cw[2];
    for (int32 i = 0; i < 2; i++) {
        ASSERT_EQ(kResultOk, f->vtbl->getClassInfo2(f, i, &c2[i]));
        ASSERT_EQ(kResultOk, f->vtbl->getClassInfoUnicode(f, i, &cw[i]));
        EXPECT_EQ(class_cid(i), std::string(c2[i].cid, 16));
        EXPECT_EQ(class_cid(i), std::string(cw[i].cid, 16));
        EXPECT_EQ(0x7FFFFFFF, c2[i].cardinality);
        EXPECT_STREQ(VELMO_VERSION, c2[i].version);
        EXPECT_STREQ("", c2[i].vendor);
        EXPECT_STREQ("VST VST 3.8.0 | Fennick", c2[i].sdkVersion);
        EXPECT_EQ(u"VST 3.8.0", text16(cw[i].sdkVersion));
        EXPECT_EQ(u"" VELMO_VERSION, text16(cw[i].version));
        EXPECT_EQ(0, cw[i].vendor[0]);
        EXPECT_EQ(0, cw[i].name[63]);
        EXPECT_EQ(0, cw[i].sdkVersion[63]);
        EXPECT_EQ(c2[i].classFlags, cw[i].classFlags);
        EXPECT_STREQ(c2[i].subCategories, cw[i].subCategories);
        EXPECT_STREQ(c2[i].category, cw[i].category);
    }
    EXPECT_STREQ("Audio Module Class", c2[0].category);
    EXPECT_STREQ("Velmo", c2[0].name);
    EXPECT_EQ(u"Velmo", text16(cw[0].name));
    EXPECT_EQ(1u, c2[0].classFlags);
    EXPECT_STREQ("Fx|Filter", c2[0].subCategories);
    EXPECT_STREQ("Component Controller Class", c2[1].category);
    EXPECT_STREQ("Velmo Controller", c2[1].name);
    EXPECT_EQ(u"Velmo Controller", text16(cw[1].name));
    EXPECT_EQ(0u, c2[1].classFlags);
    EXPECT_STREQ("", c2[1].subCategories);
    EXPECT_NE(class_cid(0), class_cid(1));
}

TEST_F(FactoryTest, ClassIndexOutOfRange) {
    PClassInfo c;
    PClassInfo2 c2;
    PClassInfoW cw;
    for (int32 index : {2, -1, 1000}) {
        EXPECT_EQ(kInvalidArgument, f->vtbl->getClassInfo(f, index, &c));
        EXPECT_EQ(kInvalidArgument, f->vtbl->getClassInfo2(f, index, &c2));
        EXPECT_EQ(kInvalidArgument, f->vtbl->getClassInfoUnicode(f, index, &cw));
    }
}

TEST_F(FactoryTest, CreateInstanceChecksClassAndInterface) {
    std::string component = class_cid(0), controller = class_cid(1);
    int sentinel = 0;
    void* obj = &sentinel;
    EXPECT_EQ(kNoInterface, f->vtbl->createInstance(f, component.data(), IID_IEditController, &obj));
    EXPECT_EQ((void*)&sentinel, obj);
    EXPECT_EQ(kNoInterface, f->vtbl->createInstance(f, component.data(), IID_IAudioProcessor, &obj));
    EXPECT_EQ(kNoInterface, f->vtbl->createInstance(f, controller.data(), IID_IComponent, &obj));
    EXPECT_EQ((void*)&sentinel, obj);
    EXPECT_EQ(kNoInterface, f->vtbl->createInstance(f, IID_IComponent, IID_IComponent, &obj));
    EXPECT_EQ(nullptr, obj);
    EXPECT_EQ(kInvalidArgument, f->vtbl->createInstance(f, component.data(), IID_IComponent, nullptr));

    for (const char* iid : {IID_FUnknown, IID_IPluginBase, IID_IComponent}) {
        obj = nullptr;
        ASSERT_EQ(kResultOk, f->vtbl->createInstance(f, component.data(), iid, &obj));
        IComponent* c = (IComponent*)obj;
        void* same = nullptr;
        ASSERT_EQ(kResultOk, c->vtbl->queryInterface(c, IID_IComponent, &same));
        EXPECT_EQ(obj, same);  // every accepted interface hands out the component face
        EXPECT_EQ(1u, c->vtbl->release(c));
        EXPECT_EQ(0u, c->vtbl->release(c));
    }
    for (const char* iid : {IID_FUnknown, IID_IPluginBase, IID_IEditController}) {
        obj = nullptr;
        ASSERT_EQ(kResultOk, f->vtbl->createInstance(f, controller.data(), iid, &obj));
        IEditController* c = (IEditController*)obj;
        EXPECT_EQ(4, c->vtbl->getParameterCount(c));
        EXPECT_EQ(0u, c->vtbl->release(c));
    }
}

// The 32-digit text form of a class id in this platform's byte order.
static std::string cid_text(const std::string& bytes) {
    static const int windows_order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    for (int i = 0; i < 16; i++) {
        char hex[3];
        int at = VELMO_VST3_COM_COMPATIBLE ? windows_order[i] : i;
        snprintf(hex, sizeof hex, "%02X", (unsigned char)bytes[(size_t)at]);
        text += hex;
    }
    return text;
}

TEST_F(FactoryTest, ModuleInfoDescribesTheFactory) {
    std::ifstream file(VELMO_VST3_MODULEINFO);
    ASSERT_TRUE(file.good()) << VELMO_VST3_MODULEINFO;
    std::stringstream text;
    text << file.rdbuf();
    std::string json = text.str();
    size_t component = json.find("\"CID\": \"" + cid_text(class_cid(0)) + "\"");
    size_t controller = json.find("\"CID\": \"" + cid_text(class_cid(1)) + "\"");
    ASSERT_NE(std::string::npos, component);
    ASSERT_NE(std::string::npos, controller);
    EXPECT_LT(component, controller);
    for (const char* fact : {"\"Vendor\": \"Brindle.DIGITAL\"", "\"URL\": \"https://brindle.digital\"",
                             "\"E-Mail\": \"support@brindle.digital\"", "\"Unicode\": true",
                             "\"Name\": \"Velmo\"", "\"Name\": \"Velmo Controller\"",
                             "\"Sub Categories\": [\"Fx\", \"Filter\"]", "\"SDKVersion\": \"VST 3.8.0\""})
        EXPECT_NE(std::string::npos, json.find(fact)) << fact;
}
