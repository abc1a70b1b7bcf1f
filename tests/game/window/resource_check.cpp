// Reads the resources of an Orvo.exe (32- or 64-bit) opened as a data file and
// checks its menu, accelerators, icon and version block.
// Usage: resource_check ORVO.EXE   (prints ok/FAIL lines; exit code 1 on any failure)
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../../../release_version.h"

static int failures;

static void check(bool ok, const char* what) {
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) failures++;
}

struct MenuEntry {
    const char* text;  // NULL for a separator
    UINT id;           // 0 for a submenu
};

static bool sameItems(HMENU menu, const MenuEntry* entries, int count) {
    if (GetMenuItemCount(menu) != count) return false;
    for (int i = 0; i < count; i++) {
        MENUITEMINFOA info;
        char text[64] = "";
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) return false;
        if ((info.hSubMenu != NULL) != (entries[i].text && entries[i].id == 0)) return false;
        if (entries[i].text == NULL) {
            if (!(info.fType & MFT_SEPARATOR)) return false;
        } else {
            if (info.fType & MFT_SEPARATOR) return false;
            if (strcmp(text, entries[i].text) != 0 || (!info.hSubMenu && info.wID != entries[i].id)) {
                printf("     item %d: \"%s\" %u\n", i, text, info.wID);
                return false;
            }
        }
    }
    return true;
}

static void checkMenu(HMODULE module) {
    HMENU menu = LoadMenuA(module, "P_MENU");
    check(menu != NULL, "menu P_MENU loads");
    if (!menu) return;
    check(GetMenuItemCount(menu) == 2, "P_MENU has two menus");
    char title[32] = "";
    GetMenuStringA(menu, 0, title, sizeof title, MF_BYPOSITION);
    check(strcmp(title, "&Game") == 0, "first menu is \"&Game\"");
    GetMenuStringA(menu, 1, title, sizeof title, MF_BYPOSITION);
    check(strcmp(title, " &? ") == 0, "second menu is \" &? \"");

    static const MenuEntry game[] = {
        {"&New game\tCtrl+N", 256},
        {"&Save game", 1022},
        {"&Restore game", 1023},
        {"Play against the co&mputer", 270},
        {"&Level", 0},
        {"&Undo move\tCtrl+Z", 274},
        {"S&cores", 258},
        {NULL, 0},
        {"&Exit program\tAlt+X", 264},
    };
    static const MenuEntry levels[] = {{"&Easy", 271}, {"&Normal", 272}, {"&Hard", 273}};
    static const MenuEntry help[] = {{"&Help\tF1", 262}, {NULL, 0}, {"&About...", 263}};
    HMENU gameMenu = GetSubMenu(menu, 0);
    check(gameMenu && sameItems(gameMenu, game, 9),
          "Game menu: New game, Save game, Restore game, Play against the computer, Level, Undo move, Scores, "
          "separator, Exit program");
    check(gameMenu && GetSubMenu(gameMenu, 4) && sameItems(GetSubMenu(gameMenu, 4), levels, 3),
          "Level menu: Easy, Normal, Hard");
    // The game turns the marks on; in the resource nothing is checked.
    UINT states = MF_CHECKED;
    if (gameMenu) states = GetMenuState(gameMenu, 270, MF_BYCOMMAND) | GetMenuState(gameMenu, 272, MF_BYCOMMAND);
    check((states & MF_CHECKED) == 0, "no menu item is checked in the resource");
    check(GetSubMenu(menu, 1) && sameItems(GetSubMenu(menu, 1), help, 3), "? menu: Help, separator, About...");
    DestroyMenu(menu);
}

static void checkAccelerators(HMODULE module) {
    HACCEL table = LoadAcceleratorsA(module, "P_ACCEL");
    check(table != NULL, "accelerator table P_ACCEL loads");
    if (!table) return;
    ACCEL keys[16];
    int count = CopyAcceleratorTableA(table, keys, 16);
    check(count == 6, "P_ACCEL has six entries");
    static const ACCEL expected[6] = {
        {FVIRTKEY | FCONTROL | FNOINVERT, 'P', 257}, {FVIRTKEY | FCONTROL | FNOINVERT, 'N', 256},
        {FVIRTKEY | FCONTROL | FNOINVERT, 'S', 261}, {FVIRTKEY | FALT | FNOINVERT, 'X', 264},
        {FVIRTKEY | FNOINVERT, VK_F1, 262},          {FVIRTKEY | FCONTROL | FNOINVERT, 'Z', 274},
    };
    bool same = count == 6;
    for (int i = 0; same && i < 6; i++) {
        // The last entry's end flag (0x80) is not part of the key.
        if ((keys[i].fVirt & 0x7F) != expected[i].fVirt || keys[i].key != expected[i].key ||
            keys[i].cmd != expected[i].cmd) {
            printf("     entry %d: flags %02x key %u command %u\n", i, keys[i].fVirt, keys[i].key, keys[i].cmd);
            same = false;
        }
    }
    check(same,
          "Ctrl+P 257, Ctrl+N 256, Ctrl+S 261, Alt+X 264, F1 262, Ctrl+Z 274, all virtual keys that highlight no menu");
    DestroyAcceleratorTable(table);
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDir {
    WORD reserved, type, count;
    IconDirEntry entries[1];
};
#pragma pack(pop)

static void checkIcon(HMODULE module) {
    HRSRC group = FindResourceA(module, "ICON_1", (LPCSTR)RT_GROUP_ICON);
    check(group != NULL, "icon ICON_1 is there");
    if (!group) return;
    const IconDir* dir = (const IconDir*)LockResource(LoadResource(module, group));
    check(dir && dir->type == 1 && dir->count == 1, "ICON_1 holds one image");
    if (!dir || dir->count < 1) return;
    const IconDirEntry& entry = dir->entries[0];
    check(entry.width == 32 && entry.height == 32 && entry.colours == 16 && entry.bitCount == 4,
          "ICON_1 is 32 x 32 in 16 colours");
    HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entry.id), (LPCSTR)RT_ICON);
    const BITMAPINFOHEADER* bitmap = image ? (const BITMAPINFOHEADER*)LockResource(LoadResource(module, image)) : NULL;
    check(bitmap && bitmap->biWidth == 32 && bitmap->biHeight == 64 && bitmap->biBitCount == 4 &&
              SizeofResource(module, image) == 40 + 64 + 512 + 128,
          "its image is a 4-bit 32 x 32 bitmap with mask");
}

static bool versionString(const void* block, const char* name, const char* expected) {
    char query[128];
    wsprintfA(query, "\\StringFileInfo\\040904E3\\%s", name);
    char* value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block, query, (void**)&value, &length) || !value) {
        printf("     %s missing\n", name);
        return false;
    }
    if (strcmp(value, expected) != 0) {
        printf("     %s = \"%s\"\n", name, value);
        return false;
    }
    return true;
}

static void checkVersion(const char* path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    check(size > 0, "version block is there");
    if (size == 0 || size > 65536) return;
    static char block[65536];
    check(GetFileVersionInfoA(path, 0, size, block) != 0, "version block reads");

    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    bool haveFixed = VerQueryValueA(block, "\\", (void**)&fixed, &length) && fixed;
    const DWORD release = (RELEASE_VERSION_MAJOR << 16) | RELEASE_VERSION_MINOR;
    check(haveFixed && fixed->dwFileVersionMS == release && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == release && fixed->dwProductVersionLS == 0,
          "file and product version " RELEASE_VERSION ".0.0");
    check(haveFixed && fixed->dwFileType == VFT_APP, "file type application");

    WORD* translation = NULL;
    bool haveTranslation = VerQueryValueA(block, "\\VarFileInfo\\Translation", (void**)&translation, &length);
    check(haveTranslation && length >= 4 && translation[0] == 0x0409 && translation[1] == 1251,
          "strings marked US English, code page 1251");
    check(versionString(block, "FileDescription", "Game for Windows 95/98/ME/NT/2000/XP"), "FileDescription");
    check(versionString(block, "FileVersion", RELEASE_VERSION), "FileVersion \"" RELEASE_VERSION "\"");
    check(versionString(block, "InternalName", "ORVO"), "InternalName \"ORVO\"");
    check(versionString(block, "OriginalFilename", "ORVO.EXE"), "OriginalFilename \"ORVO.EXE\"");
    check(versionString(block, "ProductName", "Orvo"), "ProductName \"Orvo\"");
    check(versionString(block, "ProductVersion", RELEASE_VERSION), "ProductVersion \"" RELEASE_VERSION "\"");
}

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: resource_check ORVO.EXE\n");
        return 2;
    }
    // A Unix path handed over by the test runner lies on Wine's drive Z:.
    char path[MAX_PATH];
    if (argv[1][0] == '/')
        wsprintfA(path, "Z:%s", argv[1]);
    else
        lstrcpynA(path, argv[1], MAX_PATH);

    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    check(module != NULL, "program opens as a data file");
    if (module) {
        checkMenu(module);
        checkAccelerators(module);
        checkIcon(module);
        FreeLibrary(module);
    }
    checkVersion(path);
    printf("%d failure(s)\n", failures);
    fflush(stdout);
    return failures ? 1 : 0;
}
