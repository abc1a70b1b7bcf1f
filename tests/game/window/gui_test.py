#!/usr/bin/env python3
"""GUI tests of Orvo.exe: the real program under Wine in a virtual X display,
driven by real mouse clicks and key presses (xdotool) and judged by the pixels
of screenshots.

Usage: gui_test.py WINE_STATE ORVO_EXE OUT_DIR GROUP [PROBE_EXE]
GROUP is one of: start, clicks, capture, keys, save, window, computer.
Every wait polls the screen or the window list; nothing relies on a fixed sleep.
"""
import os
import re
import shutil
import subprocess
import sys
import time
import zlib
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_ENV = os.path.join(HERE, '..', '..', 'wine', 'wine-env.sh')

GREEN = (0, 159, 0)
RED = (255, 0, 0)
BLUE = (0, 0, 255)
LIME = (0, 255, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

TIMEOUT = 40.0   # seconds for any one wait, generous for a loaded machine
POLL = 0.1


def window_geometry():
    """The window's pixel constants, read from the game's own geometry header."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'game', 'window', 'geometry.h')
    with open(path, encoding='utf-8') as header:
        return {m.group(1): int(m.group(2))
                for m in re.finditer(r'const int (\w+) = (-?\d+);', header.read())}


GEOMETRY = window_geometry()
ORIGIN, STEP = GEOMETRY['GRID_ORIGIN'], GEOMETRY['GRID_STEP']

# One test run's state: environment, program, window, client origin, failures.
run = {
    'env': None, 'exe': None, 'out': None, 'work': None, 'proc': None,
    'window': None, 'origin': None, 'screen': None, 'failures': [], 'shots': 0,
}


# ---------------------------------------------------------------- plumbing

def load_env(state):
    """The environment wine-env.sh sets up for this test run's Wine."""
    out = subprocess.run(['bash', '-c', '. "$0" "$1" >/dev/null && env -0', WINE_ENV, state],
                         check=True, capture_output=True).stdout
    env = {}
    for item in out.split(b'\0'):
        if b'=' in item:
            k, v = item.split(b'=', 1)
            env[k.decode()] = v.decode(errors='replace')
    return env


def xdo(*args, check=True):
    r = subprocess.run(['xdotool'] + [str(a) for a in args], env=run['env'],
                       capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError('xdotool %s failed: %s' % (' '.join(map(str, args)), r.stderr.strip()))
    return r.stdout


def screen_size():
    w, h = xdo('getdisplaygeometry').split()
    return int(w), int(h)


def screenshot():
    """The whole virtual screen as raw RGB bytes."""
    w, h = run['screen']
    for _ in range(5):
        data = subprocess.run(['import', '-window', 'root', '-depth', '8', 'rgb:-'], env=run['env'],
                              capture_output=True).stdout
        if len(data) == w * h * 3:
            return data
        time.sleep(POLL)
    raise RuntimeError('screenshot failed')


def pixel(img, x, y):
    w = run['screen'][0]
    i = (y * w + x) * 3
    return tuple(img[i:i + 3])


def cp(img, x, y):
    """Pixel at a client-area point of the main window."""
    ox, oy = run['origin']
    return pixel(img, ox + x, oy + y)


def crop(img, x0, y0, x1, y1):
    """Client rectangle [x0, x1) x [y0, y1) as a tuple of rows."""
    return tuple(tuple(cp(img, x, y) for x in range(x0, x1)) for y in range(y0, y1))


def save_png(img, path, x0, y0, w, h):
    """Writes a screen rectangle as an RGB PNG."""
    W = run['screen'][0]
    raw = bytearray()
    for y in range(y0, y0 + h):
        raw.append(0)
        i = (y * W + x0) * 3
        raw += img[i:i + 3 * w]

    def chunk(tag, body):
        return struct.pack('>I', len(body)) + tag + body + struct.pack('>I', zlib.crc32(tag + body))
    png = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
           + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))
    with open(path, 'wb') as f:
        f.write(png)


def keep_shot(name, img=None):
    """Keeps a screenshot of the window for looking at after a failure."""
    img = img or screenshot()
    run['shots'] += 1
    path = os.path.join(run['out'], '%02d-%s.png' % (run['shots'], name))
    ox, oy = run['origin'] or (0, 0)
    save_png(img, path, 0, 0, min(run['screen'][0], ox + 640), min(run['screen'][1], oy + 460))
    return path


def check(ok, what):
    if ok:
        print('ok   ' + what)
    else:
        print('FAIL ' + what)
        run['failures'].append(what)
        try:
            print('     picture: ' + keep_shot('fail'))
        except Exception as e:  # the picture only helps; never mask the failure
            print('     no picture: %s' % e)
    return ok


class Timeout(Exception):
    pass


def window_bytes(img):
    """The main window's pixels, to tell whether the picture has settled."""
    if not run['origin']:
        return img
    ox, oy = run['origin']
    W = run['screen'][0]
    return b''.join(img[(y * W + ox) * 3:(y * W + ox + 600) * 3] for y in range(oy, min(oy + 340, run['screen'][1])))


def wait_for(predicate, what, timeout=TIMEOUT):
    """Polls screenshots until predicate(img) holds on a settled picture (two
    screenshots in a row with the same window pixels); returns that screenshot."""
    end = time.monotonic() + timeout
    last = None
    while True:
        img = screenshot()
        if predicate(img):
            now = window_bytes(img)
            if now == last:
                return img
            last = now
        else:
            last = None
        if time.monotonic() > end:
            check(False, 'waited for ' + what)
            raise Timeout(what)
        time.sleep(POLL)


def find_windows(name):
    out = xdo('search', '--name', '^%s$' % name, check=False)
    return [int(w) for w in out.split()]


def wait_window(name, present=True, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while True:
        ids = find_windows(name)
        if bool(ids) == present:
            return ids[0] if ids else None
        if time.monotonic() > end:
            check(False, 'waited for window "%s" to %s' % (name, 'appear' if present else 'go'))
            raise Timeout(name)
        time.sleep(POLL)


def geometry(window):
    g = {}
    for line in xdo('getwindowgeometry', '--shell', window).split():
        k, v = line.split('=')
        g[k] = int(v)
    return g['X'], g['Y'], g['WIDTH'], g['HEIGHT']


# ---------------------------------------------------------------- the program

def launch():
    """Starts Orvo.exe in a fresh working folder, waits for its first picture
    and gives the main window the keyboard; returns that picture."""
    if find_windows('Orvo'):
        wait_window('Orvo', present=False)
    run['proc'] = subprocess.Popen(['wine', run['exe']], cwd=run['work'], env=run['env'],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run['window'] = wait_window('Orvo')
    end = time.monotonic() + TIMEOUT
    while True:
        x, y, w, h = geometry(run['window'])
        img = screenshot()
        # The X window holds the menu bar and the client area; the client starts
        # at the first row of background green below the menu bar.
        top = next((yy for yy in range(y, y + h) if pixel(img, x + 5, yy) == GREEN), None)
        if top is not None and w >= 500:
            run['origin'] = (x, top)
            if cp(img, 507, 49) == RED:
                activate()
                return img
        if time.monotonic() > end:
            check(False, 'first picture of the window')
            raise Timeout('first picture')
        time.sleep(POLL)


def client_to_screen(x, y):
    ox, oy = run['origin']
    return ox + x, oy + y


def click(x, y):
    sx, sy = client_to_screen(x, y)
    xdo('mousemove', sx, sy, 'click', '1')


NEUTRAL = (480, 318)  # client point below the side panel: clicks there do nothing


def key(*keys):
    """Key presses go to the window under the pointer: keep it on the main window."""
    sx, sy = client_to_screen(*NEUTRAL)
    xdo('mousemove', sx, sy)
    for k in keys:
        xdo('key', k)


def menu_is_open(img):
    """The Game menu drops down over the window's green margin at its top left."""
    return cp(img, 5, 5) != GREEN


def menu(*keys):
    """Alt+G and the keys of one Game menu item, each key sent once the menu
    is showing, then a wait until it has closed: keys sent before the menu
    is up can be lost, and a click while it is up only closes it."""
    key('alt+g')
    wait_for(menu_is_open, 'the Game menu opens')
    for k in keys:
        xdo('key', k)
    wait_for(lambda img: not menu_is_open(img), 'the Game menu closes after %s' % ' '.join(keys))


def activate():
    """A click that does nothing, so that the main window has the keyboard."""
    click(*NEUTRAL)


def dismiss_box(name, icon=None):
    """Waits for the message box captioned name to show up, painted with the
    icon named (error, information, warning) if one is named; presses Return
    on it and waits until it is gone. Returns its picture and rectangle."""
    box = wait_window(name)
    rect = geometry(box)
    wanted = {'error': 0, 'information': 1, 'warning': 2}.get(icon)
    img = wait_for(lambda i: box_colours(i, rect)[wanted] > 30 if icon else box_painted(i, rect),
                   '%s box "%s" painted' % (icon or 'message', name))
    bx, by, bw, bh = rect
    xdo('mousemove', bx + 8, by + 8)
    xdo('key', 'Return')
    wait_window(name, present=False)
    activate()
    return img, rect


def box_painted(img, rect):
    bx, by, bw, bh = rect
    return sum(1 for y in range(by, by + bh, 4) for x in range(bx, bx + bw, 4) if min(pixel(img, x, y)) > 200) > 20


def finish(keys=('alt+x',), how='Alt+X'):
    """Ending the program (Alt+X unless told otherwise) must give exit code 0."""
    activate()
    key(*keys)
    try:
        code = run['proc'].wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        check(False, '%s ends the program' % how)
        return
    check(code == 0, '%s ends the program with exit code 0 (got %d)' % (how, code))
    run['proc'] = None
    wait_window('Orvo', present=False)


def stop():
    """Kills the program this run started, if it still runs."""
    p = run['proc']
    if p and p.poll() is None:
        p.kill()
        p.wait()
    run['proc'] = None


# ---------------------------------------------------------------- the picture

def node_centre(c, r):
    return ORIGIN + 2 + STEP * c, ORIGIN + 2 + STEP * r


def node_fill(img, c, r):
    return cp(img, *node_centre(c, r))


def node_click(c, r):
    click(ORIGIN + 1 + STEP * c, ORIGIN + 1 + STEP * r)


def count_in_box(img, c, r, colour):
    x0, y0 = ORIGIN - 5 + STEP * c, ORIGIN - 5 + STEP * r
    return sum(1 for y in range(y0, y0 + 14) for x in range(x0, x0 + 14) if cp(img, x, y) == colour)


def place(c, r, colour):
    """Clicks node (c, r) and waits until it shows a mark of that colour."""
    node_click(c, r)
    return wait_for(lambda img: node_fill(img, c, r) == colour,
                    'mark %s at (%d, %d)' % ('red' if colour == RED else 'blue', c, r))


def play(moves, first=RED):
    """Alternating moves; returns the last screenshot."""
    img = None
    other = BLUE if first == RED else RED
    for i, (c, r) in enumerate(moves):
        img = place(c, r, first if i % 2 == 0 else other)
    return img


def text_box(img, x, y):
    """Right edge and bottom of the opaque white cell of a text drawn at (x, y)."""
    right = x
    while cp(img, right, y) != GREEN:
        right += 1
    bottom = y
    while cp(img, x, bottom) != GREEN:
        bottom += 1
    return right, bottom


def ink_columns(img, x, y):
    """For each column of a text cell: whether it holds any ink (text is anti-aliased)."""
    right, bottom = text_box(img, x, y)
    return [any(cp(img, xx, yy) != WHITE for yy in range(y, bottom)) for xx in range(x, right)], bottom


def trailing_blank(img, x, y):
    """Width of the white run after the last ink of a text line."""
    cols, _ = ink_columns(img, x, y)
    last = max((i for i, ink in enumerate(cols) if ink), default=0)
    return len(cols) - 1 - last


def last_glyph(img, x, y):
    """Pixels of the last character with ink in a text line (the score's last digit)."""
    cols, bottom = ink_columns(img, x, y)
    end = max(i for i, ink in enumerate(cols) if ink)
    start = end
    while start > 0 and cols[start - 1]:
        start -= 1
    return tuple(tuple(cp(img, x + i, yy) for i in range(start, end + 1)) for yy in range(y, bottom))


def marks_on_board(img):
    return sum(node_fill(img, c, r) != GREEN for c in range(25) for r in range(19))


def board_crop(img):
    return crop(img, 0, 0, 590, 320)


def red_score_line(img):
    return crop(img, 431, 60, 560, 76)


def blue_score_line(img):
    return crop(img, 433, 80, 560, 96)


def board_is_empty(img):
    return all(node_fill(img, c, r) == GREEN for c in range(25) for r in range(19))


def no_outline_or_cross(img):
    # Between grid lines nothing black may be left when the board is empty.
    return all(cp(img, ORIGIN + 7 + STEP * c, ORIGIN + 7 + STEP * r) == GREEN for c in range(25) for r in range(19))


def box_colours(img, rect):
    """Counts reddish, bluish and yellowish pixels of a message box: its icon."""
    bx, by, bw, bh = rect
    red = blue = yellow = 0
    for y in range(by, by + bh):
        for x in range(bx, bx + min(bw, 60)):
            r, g, b = pixel(img, x, y)
            if r > 180 and g < 100 and b < 100:
                red += 1
            elif b > 150 and r < 120 and g < 160:
                blue += 1
            elif r > 180 and g > 160 and b < 90:
                yellow += 1
    return red, blue, yellow


# ---------------------------------------------------------------- the groups

def group_start():
    img = launch()
    keep_shot('start', img)
    for x, y in [(5, 5), (6, 318), (410, 150), (585, 5), (585, 318), (200, 318), (5, 200)]:
        check(cp(img, x, y) == GREEN, 'background (0, 159, 0) at (%d, %d)' % (x, y))

    # Dotted grid: every pixel of a line is black (dot) or white (the gap,
    # drawn in the default opaque background), and the lines are 1 pixel wide.
    # Their ends lie under the board panel's 4-pixel frame.
    bad = []
    for c in range(25):
        x = ORIGIN + STEP * c
        line = [cp(img, x, y) for y in range(16, 308)]
        if set(line) - {BLACK, WHITE} or line.count(BLACK) < 100 or line.count(WHITE) < 100:
            bad.append('column %d' % c)
        if cp(img, x - 1, 34) != GREEN or cp(img, x + 1, 34) != GREEN:
            bad.append('column %d width' % c)
    for r in range(19):
        y = ORIGIN + STEP * r
        line = [cp(img, x, y) for x in range(16, 398)]
        if set(line) - {BLACK, WHITE} or line.count(BLACK) < 130 or line.count(WHITE) < 130:
            bad.append('row %d' % r)
        if cp(img, 34, y - 1) != GREEN or cp(img, 34, y + 1) != GREEN:
            bad.append('row %d width' % r)
    check(not bad, 'dotted grid lines at x = 27 + 15c and y = 27 + 15r %s' % bad)
    check(cp(img, 27, 316) == GREEN and cp(img, 406, 27) == GREEN, 'grid lines end at the board panel')
    check(board_is_empty(img) and no_outline_or_cross(img), 'no marks, crosses or outlines at start')

    for x, y, what in [(475, 20, '"GAME"'), (450, 40, 'turn label'), (431, 60, "red's score"),
                       (433, 80, "blue's score")]:
        right, bottom = text_box(img, x, y)
        ink = sum(1 for xx in range(x, right) for yy in range(y, bottom) if max(cp(img, xx, yy)) < 100)
        check(cp(img, x, y) == WHITE and cp(img, x - 1, y) == GREEN and cp(img, x, y - 1) == GREEN
              and ink > 10, '%s drawn at (%d, %d)' % (what, x, y))
    w_game = text_box(img, 475, 20)[0] - 475
    check(15 < w_game < 60, '"GAME" is four characters wide (%d pixels)' % w_game)

    check(cp(img, 507, 49) == RED, 'red swatch at start')
    check(cp(img, 500, 42) == BLACK and cp(img, 514, 56) == BLACK and cp(img, 507, 42) == BLACK,
          'swatch border from (500, 42) to (514, 56)')
    check(cp(img, 515, 49) == GREEN and cp(img, 507, 57) == GREEN and cp(img, 499, 49) != RED,
          'swatch ends before (515, 57)')
    check(last_glyph(img, 431, 60) == last_glyph(img, 433, 80), 'both scores show the same digit')
    red_blank, blue_blank = trailing_blank(img, 431, 60), trailing_blank(img, 433, 80)
    check(red_blank > blue_blank // 2 > 0,
          'score lines end in blanks (red %d, blue %d pixels)' % (red_blank, blue_blank))
    finish(('alt+F4',), 'closing by the system menu (Alt+F4)')


def group_clicks():
    launch()
    # Each group of misses is followed by a real move whose colour proves that
    # no miss placed a mark.
    for x, y in [(32, 28), (22, 28), (28, 32), (28, 22), (35, 35), (18, 28), (200, 318), (500, 150)]:
        click(x, y)
    img = place(10, 10, RED)
    check(marks_on_board(img) == 1,
          'clicks at (32, 28), (22, 28), (28, 32), (28, 22), (35, 35) and outside the board do nothing')
    click(23, 31)
    img = wait_for(lambda i: node_fill(i, 0, 0) != GREEN, 'click at (23, 31)')
    check(node_fill(img, 0, 0) == BLUE and marks_on_board(img) == 2, 'click at (23, 31) places on node (0, 0)')

    key('ctrl+n')
    wait_for(board_is_empty, 'Ctrl+N clears the board')
    click(28, 28)
    img = wait_for(lambda i: node_fill(i, 0, 0) == RED, 'click at (28, 28) places on node (0, 0)')
    check(cp(img, 507, 49) == BLUE, 'blue swatch after red moved')
    click(31, 31)   # the last pixel of node (0, 0)'s square: a taken node
    click(391, 298)
    img = place(20, 10, BLUE)
    check(marks_on_board(img) == 2, 'a click on a mark and at (391, 298) do nothing')
    click(388, 298)
    img = wait_for(lambda i: node_fill(i, 24, 18) != GREEN, 'click at (388, 298)')
    check(node_fill(img, 24, 18) == RED, 'click at (388, 298) selects node (24, 18)')
    check(cp(img, 507, 49) == BLUE, 'blue swatch after red moved again')
    # Squares of the last column and row reach x = 391 and y = 301, but the
    # board ends at 389 and 299.
    click(390, 283)
    click(373, 300)
    img = place(21, 10, BLUE)
    check(marks_on_board(img) == 4 and node_fill(img, 24, 17) == GREEN and node_fill(img, 23, 18) == GREEN,
          'clicks at (390, 283) and (373, 300) do nothing')
    click(389, 284)
    img = wait_for(lambda i: node_fill(i, 24, 17) != GREEN, 'click at (389, 284)')
    check(node_fill(img, 24, 17) == RED, 'click at (389, 284) still selects node (24, 17)')
    finish()


RING_AROUND_BLUE = [(5, 4), (5, 5), (6, 5), (20, 15), (5, 6), (21, 15), (4, 5)]
RING_AROUND_EMPTY = [(10, 9), (20, 2), (11, 10), (20, 4), (10, 11), (20, 6), (9, 10)]


def outline_midpoints_black(img, ring):
    ok = True
    for i, (c, r) in enumerate(ring):
        nc, nr = ring[(i + 1) % len(ring)]
        mx, my = (2 * (ORIGIN + 1) + STEP * (c + nc)) // 2, (2 * (ORIGIN + 1) + STEP * (r + nr)) // 2
        ok = ok and all(cp(img, mx + dx, my + dy) == BLACK for dx in (0, 1) for dy in (0, 1))
    return ok


def group_capture():
    start = launch()
    red_line, blue_line = red_score_line(start), blue_score_line(start)
    img = play(RING_AROUND_BLUE[:-1])
    check(count_in_box(img, 5, 5, LIME) == 0 and count_in_box(img, 5, 5, BLACK) > 10,
          'a free blue mark has a black rim')
    check(red_score_line(img) == red_line, "red's score line unchanged before the capture")
    img = play([(4, 5)])  # the fourth red mark
    img = wait_for(lambda i: count_in_box(i, 5, 5, LIME) > 10, 'green rim of the captured blue mark')
    check(node_fill(img, 5, 5) == BLUE, 'the captured mark keeps its blue fill')
    ring = [(5, 4), (6, 5), (5, 6), (4, 5)]
    check(all(count_in_box(img, c, r, LIME) == 0 for c, r in ring), 'the red marks keep black rims')
    check(outline_midpoints_black(img, ring), 'black outline between the four red marks')
    # The 3-pixel outline runs through the vertex (28 + 15c, 28 + 15r) of each mark.
    check(cp(img, ORIGIN + 1 + STEP * 5 + 5, ORIGIN + 1 + STEP * 4 + 5) == BLACK, 'outline leaves (5, 4) towards (6, 5)')
    line = red_score_line(img)
    check(line != red_line and all(row[:60] == old[:60] for row, old in zip(line, red_line)),
          "red's score line changes only in its number")
    check(last_glyph(img, 431, 60) != last_glyph(img, 433, 80), "red's score differs from blue's")
    check(blue_score_line(img) == blue_line, "blue's score line unchanged")
    check(cp(img, 507, 49) == BLUE, 'blue to move after the capture')

    # A captured empty node: its cross, and no mark can go there.
    img = play([(12, 12)] + RING_AROUND_EMPTY, first=BLUE)
    img = wait_for(lambda i: cp(i, 178, 178) == BLACK, 'cross on the captured empty node (10, 10)')
    cross = [(176, 176), (180, 180), (176, 180), (180, 176), (178, 178)]
    check(all(cp(img, x, y) == BLACK for x, y in cross) and node_fill(img, 10, 10) != RED,
          'black cross from (175, 175) to (181, 181) on node (10, 10)')
    check(count_in_box(img, 10, 10, LIME) == 0, 'the cross has no green')
    check(outline_midpoints_black(img, [(10, 9), (11, 10), (10, 11), (9, 10)]), 'outline around the empty node')
    keep_shot('capture', img)
    node_click(10, 10)
    place(22, 2, BLUE)   # blue to move (red closed the ring): the click on the cross placed nothing
    img = screenshot()
    check(node_fill(img, 10, 10) not in (RED, BLUE) and cp(img, 178, 178) == BLACK,
          'a click on a captured empty node does nothing')

    # The README picture: the whole window, menu bar included.
    x, y, w, h = geometry(run['window'])
    save_png(img, os.path.join(run['out'], 'orvo.png'), x, y, w, h)

    key('ctrl+n')
    img = wait_for(lambda i: board_is_empty(i) and cp(i, 507, 49) == RED, 'Ctrl+N clears at once')
    check(no_outline_or_cross(img), 'Ctrl+N removes outlines and crosses')
    check(red_score_line(img) == red_line, "red's score is 0 again after Ctrl+N")
    finish()


def group_keys():
    launch()
    place(3, 3, RED)
    key('ctrl+s', 'ctrl+p')
    place(4, 4, BLUE)
    check(not find_windows('Info') and not os.path.exists(os.path.join(run['work'], 'savegame.dat')),
          'Ctrl+S does not save and shows no box')
    before = screenshot()
    check(node_fill(before, 3, 3) == RED and cp(before, 507, 49) == RED, 'Ctrl+S and Ctrl+P change nothing')

    key('F1')
    dismiss_box('Хелп', 'error')

    key('alt+g', 'c')
    dismiss_box('Scores', 'information')
    check(board_crop(screenshot()) == board_crop(before), 'Scores changes nothing')

    key('alt+g', 'Right', 'a')
    img, rect = dismiss_box(r'About\.\.\.', 'information')
    check(rect[2] > 200, 'the About box is wide enough for its line (%d pixels)' % rect[2])

    finish()


def save_file():
    return os.path.join(run['work'], 'savegame.dat')


def menu_save():
    key('alt+g', 's')


def menu_restore():
    key('alt+g', 'r')


def group_save():
    img = launch()
    start_blanks = trailing_blank(img, 431, 60), trailing_blank(img, 433, 80)
    menu_save()
    img, rect = dismiss_box('Info', 'information')
    check(box_colours(img, rect)[2] < 10, 'Save shows "Info" with the information icon')
    data = open(save_file(), 'rb').read() if os.path.exists(save_file()) else b''
    check(data == bytes(950) + b'\x01', 'Save on a fresh start writes 950 zero bytes and a 1 (%d bytes)' % len(data))

    img = play(RING_AROUND_BLUE + [(15, 15)])
    menu_save()
    dismiss_box('Info')
    data = open(save_file(), 'rb').read()
    check(len(data) == 951, 'savegame.dat is 951 bytes')
    idx = lambda c, r: c * 19 + r
    check(data[idx(5, 4)] == 1 and data[idx(5, 5)] == 2 and data[idx(15, 15)] == 2 and data[475 + idx(5, 5)] == 1
          and data[475 + idx(5, 4)] == 0 and data[950] == 1,
          'the file holds marks, captured and red to move')
    saved = board_crop(screenshot())

    key('ctrl+n')
    wait_for(board_is_empty, 'new game before Restore')
    menu_restore()
    wait_for(lambda i: board_crop(i) == saved, 'Restore after New game brings back the picture, scores and mover')
    place(16, 16, RED)  # red was to move in the saved game

    # No file: Restore changes nothing.
    os.remove(save_file())
    menu_restore()
    place(17, 17, BLUE)
    img = screenshot()
    check(node_fill(img, 16, 16) == RED and node_fill(img, 5, 5) == BLUE and count_in_box(img, 5, 5, LIME) > 10,
          'Restore with no file keeps the game')
    check(marks_on_board(img) == 10,
          'Restore with no file adds and removes nothing')

    # A damaged file (too short) is refused the same way.
    with open(save_file(), 'wb') as f:
        f.write(b'\x01' * 100)
    menu_restore()
    place(18, 18, RED)
    img = screenshot()
    check(marks_on_board(img) == 11 and node_fill(img, 0, 0) == GREEN, 'Restore of a short file keeps the game')

    # A made-up game: 12 captured blue marks, 3 captured red ones, one captured
    # empty node, blue to move. Captures come back as they were saved.
    image = bytearray(951)
    for i in range(12):
        image[idx(2 + i, 2)] = 2
        image[475 + idx(2 + i, 2)] = 1
    for i in range(3):
        image[idx(2 + i, 10)] = 1
        image[475 + idx(2 + i, 10)] = 1
    image[475 + idx(8, 8)] = 1
    image[950] = 0
    with open(save_file(), 'wb') as f:
        f.write(bytes(image))
    menu_restore()
    img = wait_for(lambda i: node_fill(i, 2, 2) == BLUE and cp(i, 507, 49) == BLUE, 'restored made-up game')
    check(node_fill(img, 18, 18) == GREEN, 'Restore replaces the whole board')
    check(count_in_box(img, 13, 2, LIME) > 10 and count_in_box(img, 4, 10, LIME) > 10 and cp(img, 148, 148) == BLACK,
          'restored captures show green rims and a cross')
    red_blank = trailing_blank(img, 431, 60)
    blue_blank = trailing_blank(img, 433, 80)
    check(0 < red_blank <= start_blanks[0] - 3, "with red's score 12 one blank is cut (%d pixels left, %d at 0)"
          % (red_blank, start_blanks[0]))
    check(abs(blue_blank - start_blanks[1]) <= 1, "with blue's score 3 all three blanks are drawn (%d pixels, %d at 0)"
          % (blue_blank, start_blanks[1]))
    node_click(8, 8)   # captured empty node: refused
    place(20, 3, BLUE)
    img = screenshot()
    check(node_fill(img, 8, 8) not in (RED, BLUE), 'a restored captured node takes no mark')
    keep_shot('restored', img)

    # A save that cannot be written is reported as not done.
    os.remove(save_file())
    os.mkdir(save_file())
    menu_save()
    img, rect = dismiss_box('Info', 'warning')
    check(box_colours(img, rect)[1] < 10, 'a failed save shows "Info" with the warning icon, not the information icon')
    os.rmdir(save_file())
    finish()


def swatch_is(colour):
    return lambda img: cp(img, 507, 49) == colour


def computer_replies(marks):
    """Waits for the computer's blue reply: `marks` marks and red to move again."""
    return wait_for(lambda i: marks_on_board(i) == marks and cp(i, 507, 49) == RED,
                    'the computer answers (%d marks, red to move)' % marks)


def group_computer():
    launch()
    # Off by default: blue is the second player's.
    place(3, 3, RED)
    place(4, 4, BLUE)
    key('ctrl+n')
    wait_for(board_is_empty, 'new game')
    menu('l', 'e')   # Level / Easy
    menu('m')        # Play against the computer
    place(12, 9, RED)
    img = computer_replies(2)
    blues = [(c, r) for c in range(25) for r in range(19) if node_fill(img, c, r) == BLUE]
    check(len(blues) == 1, 'the computer plays one blue mark %s' % blues)
    place(11, 9, RED)
    first = computer_replies(4)
    key('ctrl+z')   # back to the player's previous move: red's and the computer's last marks go
    img = wait_for(lambda i: marks_on_board(i) == 2 and cp(i, 507, 49) == RED, 'Ctrl+Z takes back two moves')
    check(node_fill(img, 12, 9) == RED and node_fill(img, 11, 9) == GREEN, 'Ctrl+Z leaves the first move')
    place(11, 9, RED)
    again = computer_replies(4)
    check(board_crop(again) == board_crop(first), 'the same move gets the same reply')
    menu('l', 'h')   # Level / Hard
    place(13, 8, RED)
    computer_replies(6)
    menu('u')        # Game / Undo move
    wait_for(lambda i: marks_on_board(i) == 4 and node_fill(i, 13, 8) == GREEN, 'Undo move takes back two moves')
    key('ctrl+n')            # New game keeps the mode
    wait_for(board_is_empty, 'new game against the computer')
    place(5, 5, RED)
    computer_replies(2)
    menu('m')        # back to two players
    place(6, 6, RED)
    img = wait_for(lambda i: marks_on_board(i) == 3 and cp(i, 507, 49) == BLUE, 'no reply with the item off')
    key('ctrl+z')
    wait_for(lambda i: marks_on_board(i) == 2 and swatch_is(RED)(i), 'Ctrl+Z takes back one move between players')
    finish()


def group_window(probe):
    launch()
    out = os.path.join(run['work'], 'probe.txt')
    r = subprocess.run(['wine', probe, 'probe.txt'], cwd=run['work'], env=run['env'],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    text = open(out, encoding='ascii', errors='replace').read() if os.path.exists(out) else ''
    for line in text.splitlines():
        if line.startswith('ok ') or line.startswith('FAIL '):
            check(line.startswith('ok '), line.split(' ', 1)[1])
    check(r.returncode == 0 and 'ok ' in text, 'window probe ran (exit %d)' % r.returncode)
    finish(('alt+g', 'e'), 'Game / Exit program')


def main(argv):
    if len(argv) < 5:
        print(__doc__)
        return 2
    state, exe, out, group = argv[1:5]
    run['env'] = load_env(state)
    run['exe'] = os.path.abspath(exe)
    run['out'] = os.path.join(os.path.abspath(out), group)
    run['work'] = os.path.join(run['out'], 'work')
    shutil.rmtree(run['out'], ignore_errors=True)
    os.makedirs(run['work'])
    run['screen'] = screen_size()
    groups = {'start': group_start, 'clicks': group_clicks, 'capture': group_capture,
              'keys': group_keys, 'save': group_save, 'computer': group_computer,
              'window': lambda: group_window(os.path.abspath(argv[5]))}
    try:
        groups[group]()
    except Timeout:
        pass
    except Exception as e:
        check(False, 'unexpected error: %r' % e)
    finally:
        stop()
    print('%s: %d failure(s)' % (group, len(run['failures'])))
    return 1 if run['failures'] else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
