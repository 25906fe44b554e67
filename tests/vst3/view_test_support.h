// Shared by the editor view tests: the test bundle's folders, the stand-in WebView2 runtime
// beside the module, a host window owned by the test thread, and what the stand-in saw.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "module_fixture.h"
#include "standin_control.h"
#include "vst3/abi/vst3_view.h"

std::string windows_path(const std::string& unix_path);
// ...\Velmo.vst3\Contents\x86_64-win, or VelmoStereo.vst3's with channels 2.
std::string bundle_module_folder(int channels = 1);

// Waits while serving this thread's messages, as a host's UI thread would.
void pump_messages_for(DWORD milliseconds);

// "s <index> <value bits>" texts the editor of one environment posted to its page, in order.
std::vector<std::string> posted_values(const StandinControl& standin, int environment);
std::string standin_log(const StandinControl& standin, int environment);

// The page message "s" for a plain value, as the editor sends it: "s 0000000i xxxxxxxx".
std::string value_message(uint32_t index, float value);

class ViewTest : public InstanceTest {
protected:
    StandinControl standin = {};
    HWND parent = nullptr;  // a fresh child of the host window per test, owned by this thread
    static HWND host_window;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    IPlugView* create_view();
    HWND make_parent();
    // The editor window inside `in` (its only child), or null.
    static HWND editor_of(HWND in) { return FindWindowExA(in, nullptr, nullptr, nullptr); }
};
