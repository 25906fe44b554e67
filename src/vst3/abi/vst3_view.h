// VST 3 editor view: the view interface the plug-in implements, the host's frame, the view
// rectangle and the platform type names passed to attached().
#pragma once
#include "vst3/abi/vst3_base.h"

inline constexpr TUID IID_IPlugView = VST3_IID(0x5BC32507u, 0xD06049EAu, 0xA6151B52u, 0x2B755B29u);
inline constexpr TUID IID_IPlugFrame = VST3_IID(0x367FAF01u, 0xAFA94693u, 0x8D4DA2A0u, 0xED0882A3u);

inline constexpr char kPlatformTypeHWND[] = "HWND";
inline constexpr char kPlatformTypeHIView[] = "HIView";
inline constexpr char kPlatformTypeNSView[] = "NSView";
inline constexpr char kPlatformTypeUIView[] = "UIView";
inline constexpr char kPlatformTypeX11EmbedWindowID[] = "X11EmbedWindowID";
inline constexpr char kPlatformTypeWaylandSurfaceID[] = "WaylandSurfaceID";

// Physical pixels; width = right - left, height = bottom - top.
struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

struct IPlugView;

struct IPlugFrame;
struct IPlugFrameVtbl {
    VST3_FUNKNOWN_SLOTS(IPlugFrame);
    tresult(PLUGIN_API* resizeView)(IPlugFrame* self, IPlugView* view, ViewRect* newSize);
};
struct IPlugFrame {
    const IPlugFrameVtbl* vtbl;
};

struct IPlugViewVtbl {
    VST3_FUNKNOWN_SLOTS(IPlugView);
    tresult(PLUGIN_API* isPlatformTypeSupported)(IPlugView* self, FIDString type);
    tresult(PLUGIN_API* attached)(IPlugView* self, void* parent, FIDString type);
    tresult(PLUGIN_API* removed)(IPlugView* self);
    tresult(PLUGIN_API* onWheel)(IPlugView* self, float distance);
    tresult(PLUGIN_API* onKeyDown)(IPlugView* self, char16 key, int16 keyCode, int16 modifiers);
    tresult(PLUGIN_API* onKeyUp)(IPlugView* self, char16 key, int16 keyCode, int16 modifiers);
    tresult(PLUGIN_API* getSize)(IPlugView* self, ViewRect* size);
    tresult(PLUGIN_API* onSize)(IPlugView* self, ViewRect* newSize);
    tresult(PLUGIN_API* onFocus)(IPlugView* self, TBool state);
    tresult(PLUGIN_API* setFrame)(IPlugView* self, IPlugFrame* frame);
    tresult(PLUGIN_API* canResize)(IPlugView* self);
    tresult(PLUGIN_API* checkSizeConstraint)(IPlugView* self, ViewRect* rect);
};
struct IPlugView {
    const IPlugViewVtbl* vtbl;
};
