// The game window: start-up, painting, the mouse hit test and the commands.
// UI strings are written in UTF-8 here and compiled to Windows-1251.
#include <windows.h>

#include "../../release_version.h"
#include "board.h"
#include "geometry.h"
#include "capture.h"
#include "outline.h"
#include "opponent.h"
#include "resource.h"
#include "savefile.h"

static const char SAVE_FILE_NAME[] = "savegame.dat";

static const int PANEL_ID = 0x201;

static const COLORREF COLOUR_BACKGROUND = RGB(0, 159, 0);
static const COLORREF COLOUR_RED = RGB(255, 0, 0);
static const COLORREF COLOUR_BLUE = RGB(0, 0, 255);
static const COLORREF COLOUR_RIM_CAPTURED = RGB(0, 255, 0);
static const COLORREF COLOUR_BLACK = RGB(0, 0, 0);

static HINSTANCE instance;
static HWND mainWindow;
static HMENU menuBar;

// Play against the computer: it plays blue, the player red. Off at start.
static bool versusComputer;
static int computerLevel = LEVEL_NORMAL;

// Invalidates the whole picture so that the next paint redraws everything.
static void repaintWindow(HWND window) {
    RECT all = {0, 0, 600, 500};
    InvalidateRect(window, &all, TRUE);
}

static void drawGrid(HDC dc) {
    for (int c = 0; c < BOARD_COLUMNS; c++) {
        int x = GRID_ORIGIN + GRID_STEP * c;
        MoveToEx(dc, x, GRID_LINES_START, NULL);
        LineTo(dc, x, GRID_COLUMNS_END);
    }
    for (int r = 0; r < BOARD_ROWS; r++) {
        int y = GRID_ORIGIN + GRID_STEP * r;
        MoveToEx(dc, GRID_LINES_START, y, NULL);
        LineTo(dc, GRID_ROWS_END, y);
    }
}

// Draws at most `limit` characters of a formatted score line.
static void drawScoreLine(HDC dc, int x, int y, const char* format, int score, int limit) {
    char text[64];
    int length = wsprintfA(text, format, (unsigned)score);
    TextOutA(dc, x, y, text, length < limit ? length : limit);
}

// The pixel of an outline vertex's stored 1-based coordinate.
static int outlineAt(int coordinate) { return GRID_ORIGIN + OUTLINE_OFFSET + GRID_STEP * (coordinate - 1); }

static void drawOutlines(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 3, COLOUR_BLACK);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    int offset = 0;
    for (int i = 0; i < board.outlineCount; i++) {
        if (offset >= board.outlineEnd || offset >= OUTLINE_BYTES) break;
        const uint8_t* record = board.outlines + offset;
        int count = record[0];
        if (offset + 1 + 2 * count > OUTLINE_BYTES) break;
        const uint8_t* vertex = record + 1;
        MoveToEx(dc, outlineAt(vertex[0]), outlineAt(vertex[1]), NULL);
        for (int v = 0; v < count; v++) LineTo(dc, outlineAt(vertex[2 * v]), outlineAt(vertex[2 * v + 1]));
        LineTo(dc, outlineAt(vertex[0]), outlineAt(vertex[1]));
        offset += 1 + 2 * count;
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

static void drawMarks(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 1, COLOUR_BLACK);
    HBRUSH brush = CreateSolidBrush(board.redToMove ? COLOUR_RED : COLOUR_BLUE);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, 500, 42, 515, 57);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    DeleteObject(pen);

    for (int c = 0; c < BOARD_COLUMNS; c++) {
        for (int r = 0; r < BOARD_ROWS; r++) {
            int node = nodeIndex(c, r);
            int left = GRID_ORIGIN - MARK_INSET + GRID_STEP * c;
            int top = GRID_ORIGIN - MARK_INSET + GRID_STEP * r;
            pen = CreatePen(PS_SOLID, 2, board.captured[node] ? COLOUR_RIM_CAPTURED : COLOUR_BLACK);
            oldPen = SelectObject(dc, pen);
            brush = NULL;
            if (board.marks[node] != MARK_NONE) {
                brush = CreateSolidBrush(board.marks[node] == MARK_RED ? COLOUR_RED : COLOUR_BLUE);
                oldBrush = SelectObject(dc, brush);
                Ellipse(dc, left, top, left + MARK_SIZE, top + MARK_SIZE);
                SelectObject(dc, oldBrush);
            } else if (board.captured[node]) {
                SelectObject(dc, oldPen);
                DeleteObject(pen);
                pen = CreatePen(PS_SOLID, 2, COLOUR_BLACK);
                SelectObject(dc, pen);
                const int from = 1, to = 1 + CROSS_SIZE;
                MoveToEx(dc, left + from, top + from, NULL);
                LineTo(dc, left + to, top + to);
                MoveToEx(dc, left + from, top + to, NULL);
                LineTo(dc, left + to, top + from);
            }
            SelectObject(dc, oldPen);
            DeleteObject(pen);
            if (brush) DeleteObject(brush);
        }
    }
}

static void paintWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);

    HPEN dotted = CreatePen(PS_DOT, 1, COLOUR_BLACK);
    HGDIOBJ oldPen = SelectObject(dc, dotted);
    drawGrid(dc);

    SetTextColor(dc, COLOUR_BLACK);
    TextOutA(dc, 475, 20, "GAME", 4);
    TextOutA(dc, 450, 40, "Ход : ", 6);
    // The formats end in blanks that a longer number pushes out of the drawn length.
    drawScoreLine(dc, 431, 60, "Очки красных : %u  ", redScore(), 18);
    drawScoreLine(dc, 433, 80, "Очки синих : %u   ", blueScore(), 17);

    SelectObject(dc, oldPen);
    DeleteObject(dotted);

    drawOutlines(dc);
    drawMarks(dc);
    EndPaint(window, &paint);
}

// Maps a client point to the node whose 9 x 9 square (centred on its grid
// crossing) holds it. Returns false for points outside the board or between squares.
static bool nodeAtPoint(unsigned x, unsigned y, int* column, int* row) {
    if (x < HIT_AREA_LEFT || x > HIT_AREA_RIGHT || y < HIT_AREA_LEFT || y > HIT_AREA_BOTTOM) return false;
    // Offsets from the square of node 0.
    unsigned dx = x - (GRID_ORIGIN - HIT_INSET);
    unsigned dy = y - (GRID_ORIGIN - HIT_INSET);
    if (x < GRID_ORIGIN - HIT_INSET || y < GRID_ORIGIN - HIT_INSET) return false;
    if (dx % GRID_STEP >= HIT_SIZE || dy % GRID_STEP >= HIT_SIZE) return false;
    *column = (int)(dx / GRID_STEP);
    *row = (int)(dy / GRID_STEP);
    return *column < BOARD_COLUMNS && *row < BOARD_ROWS;
}

static void createPanels(HWND window) {
    static const int panels[2][4] = {{12, 12, 390, 300}, {420, 12, 150, 300}};
    for (int i = 0; i < 2; i++) {
        HWND panel =
            CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | WS_DLGFRAME | SS_GRAYFRAME, panels[i][0],
                            panels[i][1], panels[i][2], panels[i][3], window, (HMENU)(INT_PTR)PANEL_ID, instance, NULL);
        ShowWindow(panel, SW_SHOWNORMAL);
        UpdateWindow(panel);
    }
}

static void saveCommand(HWND window) {
    if (saveGame(SAVE_FILE_NAME))
        MessageBoxA(window, "     Игра записана.      ", "Info", MB_OK | MB_ICONINFORMATION);
    else
        MessageBoxA(window, "Игра не записана.", "Info", MB_OK | MB_ICONWARNING);
}

static unsigned millisecondsNow() { return GetTickCount(); }

// The computer's move when it is to move: the picture so far is shown first,
// and its move as soon as it is found. Clicks made while it thinks are dropped.
static void computerMoves(HWND window) {
    if (!versusComputer || board.redToMove) return;
    UpdateWindow(window);
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    int node = chooseMove(board, computerLevel, millisecondsNow);
    if (node >= 0) playMove(node / BOARD_ROWS, node % BOARD_ROWS);
    MSG click;
    while (PeekMessageA(&click, window, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_ARROW));  // the class's cursor
    repaintWindow(window);
}

// One move back; against the computer, back to the player's previous move.
static void undoMove(HWND window) {
    if (!takeBack()) return;
    while (versusComputer && !board.redToMove && takeBack()) {}
    repaintWindow(window);
    computerMoves(window);
}

static void runCommand(HWND window, int command) {
    switch (command) {
    case CMD_NEW_GAME:
        newGame();
        repaintWindow(window);
        break;
    case CMD_SAVE_GAME:
        saveCommand(window);
        break;
    case CMD_RESTORE_GAME:
        // A missing or unusable file leaves the board as it was.
        restoreGame(SAVE_FILE_NAME);
        repaintWindow(window);
        computerMoves(window);
        break;
    case CMD_VERSUS_COMPUTER:
        versusComputer = !versusComputer;
        CheckMenuItem(menuBar, CMD_VERSUS_COMPUTER, MF_BYCOMMAND | (versusComputer ? MF_CHECKED : MF_UNCHECKED));
        computerMoves(window);
        break;
    case CMD_LEVEL_EASY:
    case CMD_LEVEL_NORMAL:
    case CMD_LEVEL_HARD:
        computerLevel = command - CMD_LEVEL_EASY + LEVEL_EASY;
        CheckMenuRadioItem(menuBar, CMD_LEVEL_EASY, CMD_LEVEL_HARD, command, MF_BYCOMMAND);
        break;
    case CMD_UNDO:
        undoMove(window);
        break;
    case CMD_SCORES:
        MessageBoxA(window, "Не работает ещё.", "Scores", MB_OK | MB_ICONINFORMATION);
        break;
    case CMD_EXIT:
        DestroyWindow(window);
        break;
    case CMD_HELP:
        MessageBoxA(window, "Нету хелпа !\n\nЮзайте пункт About", "Хелп", MB_OK | MB_ICONERROR);
        break;
    case CMD_ABOUT:
        MessageBoxA(window,
                    "Школьная игра \"Вирлы\"  " RELEASE_VERSION
                    " \n\n"
                    "Правила, доска и рисунки: команда Orvo.",
                    "About...", MB_OK | MB_ICONINFORMATION);
        break;
    default:
        // Includes 257 (Ctrl+P) and 261 (Ctrl+S): keys of the table without an action.
        break;
    }
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        RECT frame;
        GetWindowRect(window, &frame);
        MoveWindow(window, frame.left, frame.top, WINDOW_WIDTH, WINDOW_HEIGHT, TRUE);
        createPanels(window);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paintWindow(window);
        return 0;
    case WM_COMMAND:
        runCommand(window, LOWORD(wParam));
        return 0;
    case WM_KEYDOWN:
    case WM_RBUTTONUP:
        return 0;
    case WM_LBUTTONDOWN: {
        int column, row;
        if (nodeAtPoint(LOWORD(lParam), HIWORD(lParam), &column, &row) && playMove(column, row)) {
            repaintWindow(window);
            computerMoves(window);
        }
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE thisInstance, HINSTANCE, LPSTR, int showCommand) {
    instance = thisInstance;

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "ICON_1");
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(COLOUR_BACKGROUND);
    windowClass.lpszClassName = "MainWndClass";
    if (!RegisterClassA(&windowClass)) return 0;

    HMENU menu = LoadMenuA(instance, "P_MENU");
    HACCEL accelerators = LoadAcceleratorsA(instance, "P_ACCEL");
    menuBar = menu;
    CheckMenuRadioItem(menu, CMD_LEVEL_EASY, CMD_LEVEL_HARD, CMD_LEVEL_NORMAL, MF_BYCOMMAND);

    mainWindow = CreateWindowExA(0, "MainWndClass", "Orvo", WS_DLGFRAME | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, menu, instance, NULL);
    if (!mainWindow) {
        if (menu) DestroyMenu(menu);
        return 0;
    }
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);

    MSG message;
    BOOL got;
    // GetMessage returns -1 on failure: that ends the loop too rather than spinning.
    while ((got = GetMessageA(&message, NULL, 0, 0)) > 0) {
        if (accelerators && TranslateAcceleratorA(mainWindow, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // Destroying the window normally took its menu along.
    if (menu && IsMenu(menu)) DestroyMenu(menu);
    // Only the quit message carries an exit code; a failed GetMessage filled nothing.
    return got == 0 ? (int)message.wParam : 0;
}
