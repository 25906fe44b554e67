// The edit controller through the module: parameter descriptions, conversions, stored values,
// the component handler's reference and the refusals.
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "host_iids.h"
#include "module_fixture.h"
#include "recording_handler.h"
#include "vst3/abi/vst3_view.h"

static const ParamID cutoff_id = 1784049613u;
static const ParamID lfo_amt_id = 394330366u;
static const ParamID lfo_speed_id = 793359101u;
static const ParamID mod_cutoff_id = 558397322u;

class ControllerTest : public InstanceTest {
protected:
    IEditController* ec() { return p.controller; }
    double normalized(ParamID id) { return ec()->vtbl->getParamNormalized(ec(), id); }
    std::u16string text(ParamID id, double value) {
        String128 s;
        memset(s, 0, sizeof s);
        EXPECT_EQ(kResultOk, ec()->vtbl->getParamStringByValue(ec(), id, value, s));
        return s;
    }
};

TEST_F(ControllerTest, ParameterDescriptions) {
    struct Expected {
        ParamID id;
        const char16_t* title;
        const char16_t* short_title;
        int32 steps;
        double default_value;
        int32 flags;
    } rows[4] = {
        {cutoff_id, u"Cutoff", u"Cutoff", 15, 1.0, kParamCanAutomate},
        {lfo_amt_id, u"LFO Amount", u"LFO Amt", 15, 0.0, kParamCanAutomate},
        {lfo_speed_id, u"LFO Speed", u"LFO Speed", 15, 7.0 / 15.0, kParamCanAutomate},
        {mod_cutoff_id, u"Modulated Cutoff", u"Mod Cutoff", 255, 248.0 / 255.0, kParamIsReadOnly},
    };
    ASSERT_EQ(4, ec()->vtbl->getParameterCount(ec()));
    for (int32 i = 0; i < 4; i++) {
        ParameterInfo info;
        memset(&info, 0x33, sizeof info);
        ASSERT_EQ(kResultOk, ec()->vtbl->getParameterInfo(ec(), i, &info));
        EXPECT_EQ(rows[i].id, info.id);
        EXPECT_EQ(std::u16string(rows[i].title), std::u16string(info.title));
        EXPECT_EQ(std::u16string(rows[i].short_title), std::u16string(info.shortTitle));
        EXPECT_EQ(0, info.units[0]);
        EXPECT_EQ(0, info.title[127]);
        EXPECT_EQ(rows[i].steps, info.stepCount);
        EXPECT_DOUBLE_EQ(rows[i].default_value, info.defaultNormalizedValue);
        EXPECT_EQ(0, info.unitId);
        EXPECT_EQ(rows[i].flags, info.flags);
        // Fresh values are the defaults.
        EXPECT_DOUBLE_EQ(rows[i].default_value, normalized(info.id));
    }
    ParameterInfo info;
    EXPECT_EQ(kResultFalse, ec()->vtbl->getParameterInfo(ec(), 4, &info));
    EXPECT_EQ(kResultFalse, ec()->vtbl->getParameterInfo(ec(), -1, &info));
}

TEST_F(ControllerTest, TextAndValueConversions) {
    EXPECT_EQ(u"7.50", text(cutoff_id, 0.5));
    EXPECT_EQ(u"0.29", text(cutoff_id, 0.02));
    EXPECT_EQ(u"255.00", text(mod_cutoff_id, 1.0));
    EXPECT_EQ(u"248.00", text(mod_cutoff_id, 248.0 / 255.0));
    String128 untouched;
    untouched[0] = u'q';
    EXPECT_EQ(kResultFalse, ec()->vtbl->getParamStringByValue(ec(), 42, 0.5, untouched));
    EXPECT_EQ(u'q', untouched[0]);

    struct { const char16_t* text; double value; } parses[] = {{u"7.5", 0.5}, {u"abc", 0.0}, {u"12x", 0.8}, {u"15", 1.0}};
    for (auto& c : parses) {
        String128 s = {};
        std::u16string(c.text).copy(s, 127);
        double value = -1;
        EXPECT_EQ(kResultOk, ec()->vtbl->getParamValueByString(ec(), cutoff_id, s, &value));
        EXPECT_DOUBLE_EQ(c.value, value);
    }
    String128 s = {u'1'};
    double value = -1;
    EXPECT_EQ(kResultFalse, ec()->vtbl->getParamValueByString(ec(), 42, s, &value));
    EXPECT_EQ(kInvalidArgument, ec()->vtbl->getParamValueByString(ec(), cutoff_id, nullptr, &value));

    EXPECT_DOUBLE_EQ(7.5, ec()->vtbl->normalizedParamToPlain(ec(), lfo_speed_id, 0.5));
    EXPECT_DOUBLE_EQ(255.0, ec()->vtbl->normalizedParamToPlain(ec(), mod_cutoff_id, 1.0));
    EXPECT_DOUBLE_EQ(18.0, ec()->vtbl->normalizedParamToPlain(ec(), cutoff_id, 1.2));  // not clamped
    EXPECT_DOUBLE_EQ(0.2, ec()->vtbl->plainParamToNormalized(ec(), lfo_amt_id, 3.0));
    EXPECT_DOUBLE_EQ(0.0, ec()->vtbl->normalizedParamToPlain(ec(), 42, 0.5));
}

TEST_F(ControllerTest, SetParamNormalizedSnapsAndStores) {
    EXPECT_EQ(kResultOk, ec()->vtbl->setParamNormalized(ec(), cutoff_id, 0.5));
    EXPECT_DOUBLE_EQ(8.0 / 15.0, normalized(cutoff_id));  // 7.5 rounds half away from zero
    EXPECT_EQ(kResultOk, ec()->vtbl->setParamNormalized(ec(), lfo_speed_id, 1.4));
    EXPECT_DOUBLE_EQ(1.0, normalized(lfo_speed_id));
    EXPECT_EQ(kResultOk, ec()->vtbl->setParamNormalized(ec(), lfo_amt_id, -0.3));
    EXPECT_DOUBLE_EQ(0.0, normalized(lfo_amt_id));
    EXPECT_EQ(kResultOk, ec()->vtbl->setParamNormalized(ec(), mod_cutoff_id, 8.0 / 255.0));
    EXPECT_DOUBLE_EQ(8.0 / 255.0, normalized(mod_cutoff_id));
    EXPECT_EQ(kResultFalse, ec()->vtbl->setParamNormalized(ec(), 42, 0.5));
    EXPECT_EQ(kResultFalse, ec()->vtbl->setParamNormalized(ec(), 0xFFFFFFFFu, 0.5));
    EXPECT_DOUBLE_EQ(0.0, normalized(42));
    EXPECT_DOUBLE_EQ(8.0 / 15.0, normalized(cutoff_id));
}

TEST_F(ControllerTest, LifeCycleAndRefusals) {
    EXPECT_EQ(kResultFalse, ec()->vtbl->initialize(ec(), host_context()));
    EXPECT_EQ(kNotImplemented, ec()->vtbl->setState(ec(), nullptr));
    EXPECT_EQ(kNotImplemented, ec()->vtbl->getState(ec(), nullptr));
    EXPECT_EQ(nullptr, ec()->vtbl->createView(ec(), "Editor"));
    EXPECT_EQ(nullptr, ec()->vtbl->createView(ec(), nullptr));
    IPlugView* view = ec()->vtbl->createView(ec(), "editor");  // an editor on every platform
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(0u, view->vtbl->release(view));
    void* obj = nullptr;
    ASSERT_EQ(kResultOk, ec()->vtbl->queryInterface(ec(), IID_IMidiMapping, &obj));
    IMidiMapping* m = (IMidiMapping*)obj;
    for (int32 bus : {0, 1, -1})
        for (int16 channel : {0, 15, 16})
            for (CtrlNumber cc : {0, 1, 74, 127, 128, 129, 130, 140}) {
                ParamID id = 7;
                EXPECT_EQ(kInvalidArgument, m->vtbl->getMidiControllerAssignment(m, bus, channel, cc, &id));
            }
    ASSERT_EQ(kResultOk, m->vtbl->queryInterface(m, IID_IPluginBase, &obj));
    EXPECT_EQ((void*)ec(), obj);
    funknown_release(obj);
    funknown_release(m);
    for (const char* iid : {IID_IConnectionPoint, IID_IEditController2, IID_IUnitInfo, IID_IComponent,
                            IID_IAudioProcessor}) {
        obj = &obj;
        EXPECT_EQ(kNoInterface, ec()->vtbl->queryInterface(ec(), iid, &obj));
        EXPECT_EQ(nullptr, obj);
    }
    ec()->vtbl->setParamNormalized(ec(), cutoff_id, 0.0);
    EXPECT_EQ(kResultOk, ec()->vtbl->terminate(ec()));
    EXPECT_EQ(kResultOk, ec()->vtbl->initialize(ec(), host_context()));
    EXPECT_DOUBLE_EQ(1.0, normalized(cutoff_id));  // initialize sets the defaults again
    // Initialised means holding a context: after initialize(nullptr) a second one is taken.
    EXPECT_EQ(kResultOk, ec()->vtbl->terminate(ec()));
    EXPECT_EQ(kResultOk, ec()->vtbl->initialize(ec(), nullptr));
    EXPECT_EQ(kResultOk, ec()->vtbl->initialize(ec(), host_context()));
    EXPECT_EQ(kResultFalse, ec()->vtbl->initialize(ec(), host_context()));
}

TEST_F(ControllerTest, HoldsOneCountedReferenceToTheHandler) {
    RecordingHandler a, b;
    EXPECT_EQ(kResultOk, ec()->vtbl->setComponentHandler(ec(), &a.handler));
    EXPECT_EQ(2u, a.refs.load());
    EXPECT_EQ(kResultOk, ec()->vtbl->setComponentHandler(ec(), &a.handler));
    EXPECT_EQ(2u, a.refs.load());
    EXPECT_EQ(kResultOk, ec()->vtbl->setComponentHandler(ec(), &b.handler));
    EXPECT_EQ(1u, a.refs.load());
    EXPECT_EQ(2u, b.refs.load());
    EXPECT_EQ(kResultOk, ec()->vtbl->setComponentHandler(ec(), nullptr));
    EXPECT_EQ(1u, b.refs.load());

    EXPECT_EQ(kResultOk, ec()->vtbl->setComponentHandler(ec(), &a.handler));
    ec()->vtbl->terminate(ec());
    EXPECT_EQ(1u, a.refs.load()) << "terminate lets go of the handler";
    ec()->vtbl->initialize(ec(), host_context());

    ec()->vtbl->setComponentHandler(ec(), &b.handler);
    EXPECT_EQ(2u, b.refs.load());
    funknown_release(p.controller);  // destroyed without terminate
    p.controller = nullptr;
    EXPECT_EQ(1u, b.refs.load()) << "destruction lets go of the handler";
    EXPECT_TRUE(a.calls.empty() && b.calls.empty()) << "host-made changes are not echoed";
}

#if defined(_WIN32)
// The build tree's bundle carries no WebView2 loader beside the module: the editor cannot
// start, and the view says so and stays usable.
TEST_F(ControllerTest, EditorWithoutAWebView2LoaderBesideTheModule) {
    HWND parent = CreateWindowExA(0, "STATIC", nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, parent);
    IPlugView* v = ec()->vtbl->createView(ec(), "editor");
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(kResultFalse, v->vtbl->attached(v, parent, "HWND"));
    EXPECT_EQ(nullptr, FindWindowExA(parent, nullptr, nullptr, nullptr));
    ViewRect r;
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    EXPECT_EQ(800, r.right);
    EXPECT_EQ(600, r.bottom);
    EXPECT_EQ(kResultOk, ec()->vtbl->setParamNormalized(ec(), cutoff_id, 0.5));  // no editor to tell
    EXPECT_EQ(0u, v->vtbl->release(v));
    DestroyWindow(parent);
}
#endif
