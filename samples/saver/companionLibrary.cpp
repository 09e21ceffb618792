// The sample saver's companion libraries (saver1.dll, saver2.dll): they only show that the
// installer places extra libraries beside the saver; the sample engine does not load them.
#include <windows.h>

extern "C" __declspec(dllexport) int sampleCompanionVersion() { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
