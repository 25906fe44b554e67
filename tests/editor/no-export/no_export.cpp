// A WebView2Loader.dll without the loader export: the editor must refuse it.
#include <windows.h>

extern "C" __declspec(dllexport) int velmoNothingHere(void)
{
    return 0;
}
