// The program's own entry point in place of the C run-time start-up, which
// has nothing to do for the game: it runs the static initialisers (the node
// tables) and WinMain, and ends the process with WinMain's exit code.
#include <windows.h>

int WINAPI WinMain(HINSTANCE thisInstance, HINSTANCE, LPSTR, int showCommand);

// The initialisers between the linker's -1 and 0 markers, last first, as
// the run-time start-up calls them.
extern "C" void (*__CTOR_LIST__[])();

static void runInitialisers() {
    int count = 1;
    while (__CTOR_LIST__[count]) count++;
    while (--count > 0) __CTOR_LIST__[count]();
}

extern "C" void orvoStart() {
    runInitialisers();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    // The game takes no command-line arguments.
    char noArguments[] = "";
    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, noArguments, show));
}
