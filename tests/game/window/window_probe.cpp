// Looks at the running game's window from outside: class, title, styles, size
// and the two panels. Writes ok/FAIL lines to the file named by its argument.
#include <windows.h>

#include <cstdio>
#include <cstring>

static FILE* out;
static int failures;

static void check(bool ok, const char* what) {
    fprintf(out, "%s %s\n", ok ? "ok" : "FAIL", what);
    if (!ok) failures++;
}

struct Panels {
    HWND parent;
    int count;
    RECT rects[4];
    LONG_PTR styles[4];
    int ids[4];
    char classes[4][32];
};

static BOOL CALLBACK collectPanel(HWND child, LPARAM data) {
    Panels* panels = (Panels*)data;
    if (GetParent(child) != panels->parent || panels->count >= 4) return TRUE;
    int i = panels->count++;
    GetWindowRect(child, &panels->rects[i]);
    MapWindowPoints(NULL, panels->parent, (POINT*)&panels->rects[i], 2);
    panels->styles[i] = GetWindowLongPtrA(child, GWL_STYLE);
    panels->ids[i] = GetDlgCtrlID(child);
    GetClassNameA(child, panels->classes[i], sizeof panels->classes[i]);
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    out = fopen(argv[1], "w");
    if (!out) return 2;

    HWND window = FindWindowA("MainWndClass", "Orvo");
    check(window != NULL, "window of class MainWndClass titled \"Orvo\"");
    if (!window) {
        fclose(out);
        return 1;
    }
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    const LONG_PTR wanted = WS_DLGFRAME | WS_SYSMENU | WS_MINIMIZEBOX;
    check((style & wanted) == wanted, "dialog frame, system menu, minimise box");
    check((style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD | WS_HSCROLL | WS_VSCROLL)) == 0,
          "no sizing border, no maximise box");
    check((exStyle & ~(LONG_PTR)WS_EX_WINDOWEDGE) == 0, "no extended style");

    RECT frame;
    GetWindowRect(window, &frame);
    char text[128];
    wsprintfA(text, "outer size 600 x 370 (got %ld x %ld)", frame.right - frame.left, frame.bottom - frame.top);
    check(frame.right - frame.left == 600 && frame.bottom - frame.top == 370, text);
    check(GetMenu(window) != NULL, "the window has its menu bar");

    Panels panels;
    ZeroMemory(&panels, sizeof panels);
    panels.parent = window;
    EnumChildWindows(window, collectPanel, (LPARAM)&panels);
    check(panels.count == 2, "two child panels");
    static const RECT expected[2] = {{12, 12, 402, 312}, {420, 12, 570, 312}};
    const LONG_PTR panelStyle = WS_CHILD | WS_VISIBLE | WS_DLGFRAME | SS_GRAYFRAME;
    for (int i = 0; i < panels.count && i < 2; i++) {
        const RECT& r = panels.rects[i];
        wsprintfA(text, "panel %d at (%ld, %ld) to (%ld, %ld)", i, r.left, r.top, r.right, r.bottom);
        check(memcmp(&r, &expected[i], sizeof r) == 0, text);
        check(lstrcmpiA(panels.classes[i], "static") == 0, "panel is a static control");
        check(panels.ids[i] == 0x201, "panel id 0x201");
        check((panels.styles[i] & 0xFFFF001F) == panelStyle, "panel style child, visible, dialog frame, grey frame");
    }
    fprintf(out, "%d failure(s)\n", failures);
    fclose(out);
    return failures ? 1 : 0;
}
