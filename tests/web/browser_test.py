"""The programs in a real browser: headless Chromium, driven by Selenium,
loads the pages of build/web/site, uses the windows, the menu, its keys and
the dialog, records and downloads a script, and plays scripts back; every
frame the page presents is compared with the headless runner's frames for
the same script (the runner's --expect-dir: 0 pixels may differ).

A pytest suite: ZIVRO_WEB_SITE names the site directory, ZIVRO_WEB_BUILD the
web build it is in, ZIVRO_HEADLESS_BUILD the native build whose headless
programs the frames are compared with (run_browser_tests.sh sets them). The tests share one browser and run in
the order they are written."""
import base64
import functools
import http.server
import os
import pathlib
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.mouse_button import MouseButton
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SITE, WEB_BUILD, HEADLESS = (pathlib.Path(os.environ[name]).resolve()
                             for name in ("ZIVRO_WEB_SITE", "ZIVRO_WEB_BUILD", "ZIVRO_HEADLESS_BUILD"))
WORK = pathlib.Path(tempfile.mkdtemp(prefix="zivro-web-test-"))

# The run menu as the package builds it: mark, label, shortcut, grayed.
RUN_MENU = [
    ("", "Animate", "Ctrl+A", False),
    ("", "Halt animation", "Ctrl+H", False),
    ("", "Advance one frame", "Ctrl+F", False),
    ("-",),
    ("", "Logging", "Ctrl+L", False),  # the game switches logging off
    ("-",),
    ("", "Record Script", "Ctrl+R", False),
    ("", "Playback Script", "Ctrl+P", False),
    ("", "Play One Script", "Ctrl+O", False),
    ("-",),
    ("", "Quit", "Ctrl+Q", False),
    ("-",),
    ("", "MAC: zivro-mac@example.org", "", True),
    ("", "WINDOWS: zivro-windows@example.org", "", True),
    ("", "UPDATES: https://zivro.example.org/updates", "", True),
]
# Centres of the game's buttons in the graphics window's client area.
BUTTONS = {"Go": (40, 16), "Stop": (40, 41), "Faster": (40, 66), "Reverse": (40, 116),
           "New Color": (40, 141)}


def serve(directory):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=str(directory))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(downloads, profile=None):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = profile or tempfile.mkdtemp(prefix="zivro-chromium-")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--window-size=1000,1100",
                     "--user-data-dir=" + str(profile)):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    driver.set_script_timeout(30)
    return driver


def kill_browser(driver):
    """kill -9 of every process of the browser (chromedriver's descendants),
    as a crash or a power cut would end it; then chromedriver stops."""
    children = {}
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        children.setdefault(int(fields[1]), []).append(int(entry.name))
    pending, doomed = [driver.service.process.pid], []
    while pending:
        for child in children.get(pending.pop(), []):
            doomed.append(child)
            pending.append(child)
    assert doomed, "no browser process under chromedriver"
    for pid in doomed:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    driver.service.stop()


def wait_for(condition, what, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Page:
    def __init__(self, driver, base):
        self.driver, self.base = driver, base

    def open(self, query, player="play.html"):
        self.driver.get(self.base + "/" + player + "?" + query)
        wait_for(lambda: self.js("return typeof ZivroPage == 'object' && ZivroPage.windows.size"),
                 "the program's windows")

    def js(self, code, *args):
        return self.driver.execute_script(code, *args)

    def canvas(self, index=0):
        return self.driver.find_elements(By.CSS_SELECTOR, "section.window canvas")[index]

    def click(self, x, y):
        canvas = self.canvas()
        ActionChains(self.driver).move_to_element_with_offset(
            canvas, x - canvas.size["width"] // 2, y - canvas.size["height"] // 2).click().perform()

    def ctrl(self, letter):
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys(letter).key_up(
            Keys.CONTROL).perform()

    def menu_item(self, label):
        return self.js("""for (const w of ZivroPage.windows.values())
            for (const top of w.menu) for (const item of top.items)
              if (item.label.replace(/&/g, '') == arguments[0]) return item;""", label)

    def frames(self):
        return self.js("return zivroTest.frameCount()")

    def settle(self):
        """Waits until no frame has come for half a second."""
        last, since, end = -1, time.monotonic(), time.monotonic() + 30
        while time.monotonic() - since < 0.5:
            assert time.monotonic() < end, "frames keep coming"
            count = self.frames()
            if count != last:
                last, since = count, time.monotonic()
            time.sleep(0.05)

    def save_frames(self, directory, count):
        directory.mkdir(parents=True)
        for i in range(count):
            data = self.js("return zivroTest.frame(arguments[0])", i).split(",", 1)[1]
            (directory / f"{i + 1:06d}.png").write_bytes(base64.b64decode(data))

    def js_async(self, code, *args):
        """Runs code with await; its value comes back (a rejection fails)."""
        result = self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "(async () => { " + code + " })().then(v => done({v}), e => done({e: String(e)}));", *args)
        assert "e" not in result, result["e"]
        return result["v"]

    def store_script(self, program, data):
        self.js_async("await zivroTest.store(arguments[0], arguments[1])", program, data.decode("latin-1"))

    def stored_script(self, program):
        """The script in the browser's storage once this page's writes are
        stored; None when there is none."""
        return self.js_async("return await zivroTest.stored(arguments[0])", program)

    def status(self):
        return self.driver.find_element(By.ID, "status").text


def same_frames_as_runner(page, program, name, runner_args, count=None, cwd=None):
    """Every frame the page presented (the first count) equals the headless
    runner's (run in cwd, where a program's files are)."""
    if count is None:
        page.settle()
        count = page.frames()
    assert count > 0, "the page presented no frame"
    page_frames = WORK / name / "page"
    page.save_frames(page_frames, count)
    runner = HEADLESS / {"cargame": "game", "text-sheet": "tests", "picture-sheet": "tests",
                          "shape-sheet": "tests"}.get(
        program, "examples") / (program + "-headless")
    run = subprocess.run([str(runner), *runner_args, "--frames", str(WORK / name / "runner"),
                          "--expect-dir", str(page_frames)], capture_output=True, text=True, cwd=cwd)
    assert run.returncode == 0, f"{program}: frames differ from the runner's:\n{run.stdout}{run.stderr}"


def download_script(page, program, downloads):
    """The page's Download button: the file it saves, which must be what the
    page stored."""
    saved = downloads / "ZIVRO.SCR"
    saved.unlink(missing_ok=True)  # else the browser saves "ZIVRO (1).SCR"
    page.driver.find_element(By.ID, "download").click()
    script = wait_for(lambda: saved.exists() and saved.read_bytes(), "the downloaded script")
    assert script.decode("latin-1") == page.stored_script(program), "download differs from storage"
    return script


def same_last_frame(page, program, runner_args):
    """The canvas the page presented last equals the headless runner's."""
    page.settle()
    last = WORK / (program + "-last.png")
    data = page.js("return zivroTest.frame(zivroTest.frameCount() - 1)").split(",", 1)[1]
    last.write_bytes(base64.b64decode(data))
    runner = HEADLESS / "examples" / (program + "-headless")
    run = subprocess.run([str(runner), *runner_args, "--expect", str(last)], capture_output=True, text=True)
    assert run.returncode == 0, f"{program}: the last frame differs:\n{run.stdout}{run.stderr}"


def test_windows_and_run_menu(page):
    page.open("cargame&test")
    captions = [e.text for e in page.driver.find_elements(By.CSS_SELECTOR, "section.window .caption span")]
    assert captions == ["ZIVRO Graphics", "ZIVRO Text"], captions
    assert (page.canvas().size["width"], page.canvas().size["height"]) == (595, 501)
    bar = page.driver.find_element(By.CSS_SELECTOR, ".menubar > button")
    assert bar.text == "Run" and bar.find_element(By.TAG_NAME, "u").text == "R"
    bar.click()
    rows = page.js("""return [...document.querySelectorAll('.popup > *')].map(e =>
        e.tagName == 'HR' ? ['-'] : [e.children[0].textContent, e.children[1].textContent,
                                     e.children[2].textContent, e.classList.contains('grayed')])""")
    assert [tuple(row) for row in rows] == RUN_MENU, rows
    # A grayed line does nothing; a choice closes the popup and runs.
    page.driver.find_elements(By.CSS_SELECTOR, ".popup .item.grayed")[0].click()
    page.driver.find_elements(By.CSS_SELECTOR, ".popup .item")[3].click()  # Logging
    wait_for(lambda: page.menu_item("Logging")["checked"], "Logging checked")
    assert not page.driver.find_elements(By.CSS_SELECTOR, ".popup")
    page.driver.find_element(By.CSS_SELECTOR, ".menubar > button").click()
    assert page.driver.find_elements(By.CSS_SELECTOR, ".popup .mark")[3].text == "\u2713"


def test_keys_halt_animate_and_open_the_menu(page):
    page.open("cargame&test")
    page.ctrl("h")
    page.settle()
    halted = page.frames()
    time.sleep(0.5)
    assert page.frames() == halted, "frames came while halted"
    page.ctrl("f")
    wait_for(lambda: page.frames() > halted, "the frame of Ctrl+F")
    page.ctrl("a")
    wait_for(lambda: page.frames() > halted + 3, "animation after Ctrl+A")
    # Alt+R opens the run menu, Escape closes it; F10 then Enter on the
    # first live item (after Down) animates.
    ActionChains(page.driver).key_down(Keys.ALT).send_keys("r").key_up(Keys.ALT).perform()
    wait_for(lambda: page.js("return !!document.querySelector('.popup')"), "Alt+R's menu")
    ActionChains(page.driver).send_keys(Keys.ESCAPE).perform()
    assert not page.js("return !!document.querySelector('.popup')")
    page.ctrl("q")
    wait_for(lambda: page.js("return zivroTest.ended() !== null"), "the end after Ctrl+Q")


def test_canvas_shows_the_presented_frame(page):
    """The page's painting (the surface turned into canvas bytes) keeps every
    pixel of the frame the program presented, which the window shows from its
    top left corner."""
    page.open("cargame&test")
    page.ctrl("h")
    page.settle()
    different = page.driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const canvas = document.querySelector('section.window canvas');
        const image = new Image();
        image.onload = () => {
          const copy = document.createElement('canvas');
          copy.width = image.width;
          copy.height = image.height;
          copy.getContext('2d').drawImage(image, 0, 0);
          if (image.width < canvas.width || image.height < canvas.height) return done(-1);
          const want = copy.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
          const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
          let count = 0;
          for (let i = 0; i < want.length; ++i) if (want[i] !== shown[i]) ++count;
          done(count);
        };
        image.src = zivroTest.frame(zivroTest.frameCount() - 1);""")
    assert different == 0, f"{different} canvas bytes differ from the presented frame (-1: too small)"


def test_record_download_and_play_back(page, downloads):
    page.open("cargame&test")
    page.store_script("cargame", b"")
    page.ctrl("h")
    page.settle()
    page.ctrl("r")
    wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
    recorded = lambda: page.js("return zivroTest.file()") or ""
    for step in ("Faster", "f", "Reverse", "x", "New Color", "f", "Go", "f", "f"):
        # Each step once the one before has been taken: a click or a key is
        # in the file, a step has presented its frame.
        lines, frames = recorded(), page.frames()
        if step in BUTTONS:
            page.click(*BUTTONS[step])
            wait_for(lambda: recorded().count("ZIVRO_MOUSE(") > lines.count("ZIVRO_MOUSE("), step)
        elif step == "f":
            page.ctrl("f")
            wait_for(lambda: page.frames() > frames, "the frame of Ctrl+F")
        else:
            ActionChains(page.driver).send_keys(step).perform()
            wait_for(lambda: recorded().count("ZIVRO_KBD(") > lines.count("ZIVRO_KBD("), "the key " + step)
    page.ctrl("r")
    wait_for(lambda: not page.menu_item("Record Script")["checked"], "recording stopped")
    page.settle()
    script = download_script(page, "cargame", downloads)
    assert script.count(b"ZIVRO_MOUSE(") == 4 and b"ZIVRO_KBD(120)" in script, script
    (WORK / "recorded.scr").write_bytes(script)
    page.open("cargame&test&play")
    count = wait_for(lambda: page.js("return zivroTest.playbackEndFrames()"), "the playback's end")
    same_frames_as_runner(page, "cargame", "recorded", ["--play", str(WORK / "recorded.scr")], count)


def test_opt_in_events_record_and_play_back(page, downloads):
    """The examples that ask for key presses and releases (steer-ball) and
    for drags and releases (paint) get them from the page: recorded as their
    own lines, they replay in the page and in the runner alike."""
    actions = lambda: ActionChains(page.driver)

    def hold_for_frames(count):
        # The ball rolls at each tick while a key is held.
        start = page.frames()
        wait_for(lambda: page.frames() >= start + count, f"{count} frames")

    def steer():
        actions().key_down(Keys.ARROW_RIGHT).perform()
        hold_for_frames(4)
        actions().key_down(Keys.ARROW_UP).perform()
        hold_for_frames(4)
        actions().key_up(Keys.ARROW_RIGHT).perform()
        hold_for_frames(2)
        actions().key_up(Keys.ARROW_UP).perform()
        hold_for_frames(2)

    # Strokes in client pixels: start, moves, and whether Shift is held; the
    # second leaves the canvas on the right, where a drag still reports.
    strokes = [((100, 100), [(40, 20), (40, 20), (40, 20)], False),
               ((500, 250), [(80, 20), (80, 20)], True)]

    def paint():
        canvas = page.canvas()
        half_w, half_h = canvas.size["width"] // 2, canvas.size["height"] // 2
        for (x, y), moves, shift in strokes:
            chain = actions()
            if shift:
                chain.key_down(Keys.SHIFT)
            chain.move_to_element_with_offset(canvas, x - half_w, y - half_h).click_and_hold()
            for dx, dy in moves:
                chain.move_by_offset(dx, dy)
            chain.release()
            if shift:
                chain.key_up(Keys.SHIFT)
            chain.perform()
        # A chord: the right button goes down during a left drag and the left
        # comes up first; the browser tells of both as moves. Then a right
        # and a middle click, which paint does not ask for: no lines, and no
        # browser menu or autoscroll over the canvas.
        page.js("""window.defaults = [];
            document.addEventListener('contextmenu', e => defaults.push('menu ' + e.defaultPrevented));
            document.addEventListener('mousedown', e => {
              if (e.button == 1) defaults.push('middle ' + e.defaultPrevented); });""")
        rect = page.js("return arguments[0].getBoundingClientRect()", canvas)
        at = lambda x, y: (int(rect["left"]) + x, int(rect["top"]) + y)
        chord = ActionBuilder(page.driver)
        chord.pointer_action.move_to_location(*at(100, 400)).pointer_down(MouseButton.LEFT) \
            .move_to_location(*at(120, 400)).pointer_down(MouseButton.RIGHT) \
            .move_to_location(*at(140, 400)).pointer_up(MouseButton.LEFT).pointer_up(MouseButton.RIGHT) \
            .move_to_location(*at(300, 300)).click(button=MouseButton.RIGHT).click(button=MouseButton.MIDDLE)
        chord.perform()
        defaults = page.js("return defaults")  # the chord's right button brings a menu too
        assert set(defaults) == {"menu true", "middle true"}, defaults

    def steer_lines(lines):
        keys = [line for line in lines if line.startswith("ZIVRO_KEY_")]
        # Ctrl+R's Ctrl comes up once recording runs and goes down to stop it.
        assert keys == ["ZIVRO_KEY_RELEASE(17, 0);", "ZIVRO_KEY_PRESS(39, 0);", "ZIVRO_KEY_PRESS(38, 0);",
                        "ZIVRO_KEY_RELEASE(39, 0);", "ZIVRO_KEY_RELEASE(38, 0);",
                        "ZIVRO_KEY_PRESS(17, 2);"], keys

    def paint_lines(lines):
        expected = []
        for (x, y), moves, shift in strokes:
            mods = 1 if shift else 0
            expected.append(f"ZIVRO_MOUSE({x - 297}, {250 - y}, 1);" if shift else
                            f"ZIVRO_MOUSE({x - 297}, {250 - y});")
            x, y = x + sum(m[0] for m in moves), y + sum(m[1] for m in moves)
            # Moves may come more finely than the chain's steps: the last
            # drag of a stroke is where the button comes up.
            expected.append(f"ZIVRO_MOUSE_DRAG({x - 297}, {250 - y}, 1, {mods});")
            expected.append(f"ZIVRO_MOUSE_RELEASE({x - 297}, {250 - y}, 1, {mods});")
        mouse = [line for i, line in enumerate(lines) if line.startswith("ZIVRO_MOUSE") and not (
            line.startswith("ZIVRO_MOUSE_DRAG(") and lines[i + 1].startswith("ZIVRO_MOUSE_DRAG("))]
        expected += ["ZIVRO_MOUSE(-197, -150);", "ZIVRO_MOUSE_DRAG(-157, -150, 3, 0);",
                     "ZIVRO_MOUSE_RELEASE(-157, -150, 1, 0);"]
        assert mouse == expected, mouse

    for program, drive, check in (("steer-ball", steer, steer_lines), ("paint", paint, paint_lines)):
        page.open(program + "&test")
        page.store_script(program, b"")
        page.ctrl("r")
        wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
        drive()
        page.ctrl("r")
        wait_for(lambda: not page.menu_item("Record Script")["checked"], "recording stopped")
        script = download_script(page, program, downloads)
        check(script.decode("latin-1").split("\r\n"))
        (WORK / (program + ".scr")).write_bytes(script)
        page.open(program + "&test&play")
        count = wait_for(lambda: page.js("return zivroTest.playbackEndFrames()"), "the playback's end")
        same_frames_as_runner(page, program, program + "-recorded",
                              ["--play", str(WORK / (program + ".scr"))], count)


def record(page, program, drive):
    """Records what drive() does in the program's page, from a fresh storage,
    and returns the script's lines."""
    page.open(program + "&test")
    page.store_script(program, b"")
    page.ctrl("r")
    wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
    drive()
    page.ctrl("r")
    wait_for(lambda: not page.menu_item("Record Script")["checked"], "recording stopped")
    return page.stored_script(program).split("\r\n")


def play_back_as_the_runner(page, program, name, script):
    """The script played in the page gives the runner's frames."""
    (WORK / (name + ".scr")).write_bytes(script.encode("latin-1"))
    page.store_script(program, script.encode("latin-1"))
    page.open(program + "&test&play")
    count = wait_for(lambda: page.js("return zivroTest.playbackEndFrames()"), "the playback's end")
    same_frames_as_runner(page, program, name, ["--play", str(WORK / (name + ".scr"))], count)


def test_text_as_the_runner_draws_it(page):
    """Every text the game and the examples draw, at each size they use, and
    every byte at those sizes (tests/text_sheet.c, a page a tick): each
    frame equals the runner's, and so does the text window with every byte
    in its fixed-pitch face (the rows both show, counted from the bottom:
    the page's text window is as wide and high as the browser's screen)."""
    page.open("text-sheet&test")
    page.settle()
    assert page.frames() >= 7, page.frames()  # the seven pages
    same_frames_as_runner(page, "text-sheet", "text-sheet", ["--ticks", "100"])
    text_png = WORK / "text-sheet" / "text.png"
    run = subprocess.run([str(HEADLESS / "tests" / "text-sheet-headless"), "--ticks", "100",
                          "--text-png", str(text_png)], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    different, width, height = page.driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const shown = document.querySelectorAll('section.window canvas')[1];
        const image = new Image();
        image.onload = () => {
          const copy = document.createElement('canvas');
          copy.width = image.width;
          copy.height = image.height;
          copy.getContext('2d').drawImage(image, 0, 0);
          const w = Math.min(image.width, shown.width), h = Math.min(image.height, shown.height);
          const want = copy.getContext('2d').getImageData(0, image.height - h, w, h).data;
          const got = shown.getContext('2d').getImageData(0, shown.height - h, w, h).data;
          let count = 0;
          for (let i = 0; i < want.length; ++i) if (want[i] !== got[i]) ++count;
          done([count, w, h]);
        };
        image.src = 'data:image/png;base64,' + arguments[0];""",
        base64.b64encode(text_png.read_bytes()).decode())
    assert width >= 300 and height >= 120, (width, height)  # room for the seven lines
    assert different == 0, f"{different} bytes of the text window differ from the runner's"


def test_pictures_as_the_runner_draws_them(page):
    """Pictures of every kind, packed with the page, blended over shapes and
    clipped at the edges (tests/picture_sheet.c): each frame equals the
    runner's, which reads the same files from tests/pictures."""
    page.open("picture-sheet&test")
    page.settle()
    assert page.frames() >= 10, page.frames()
    same_frames_as_runner(page, "picture-sheet", "picture-sheet", ["--ticks", "20"],
                          cwd=ROOT / "tests" / "pictures")


def test_shapes_as_the_runner_draws_them(page):
    """Polygons, polylines, round rectangles, arcs and pies (tests/shape_sheet.h)
    in ten frames: each equals the runner's."""
    page.open("shape-sheet&test")
    page.settle()
    assert page.frames() >= 10, page.frames()
    same_frames_as_runner(page, "shape-sheet", "shape-sheet", ["--ticks", "20"])


def test_saved_canvas_is_offered_as_a_download(page, downloads):
    """ZIVRO_save_png in the page (the sprite game's S key): a download of the
    name the program gave, a PNG of the whole 601 x 540 canvas."""
    saved = downloads / "sprite_game.png"
    saved.unlink(missing_ok=True)
    page.open("sprite-game&test")
    wait_for(lambda: page.frames() > 2, "the sprite game's frames")
    ActionChains(page.driver).send_keys("s").perform()
    offered = wait_for(lambda: page.js("return zivroTest.savedPictures()"), "the saved picture")
    assert [picture["name"] for picture in offered] == ["sprite_game.png"], offered
    png = wait_for(lambda: saved.exists() and saved.read_bytes(), "the downloaded picture")
    assert png.startswith(b"\x89PNG\r\n\x1a\n"), png[:8]
    assert (int.from_bytes(png[16:20], "big"), int.from_bytes(png[20:24], "big")) == (601, 540)
    assert png == base64.b64decode(offered[0]["png"].split(",", 1)[1])


def test_two_button_drag_reports_the_buttons_still_held(page):
    """Left down, right down, left up, moves: the moves after the left
    release are drags of the right button alone, as Windows' WM_MOUSEMOVE
    flags say; the recording replays in the page as in the runner."""
    def drive():
        rect = page.js("return arguments[0].getBoundingClientRect()", page.canvas())
        at = lambda x, y: (int(rect["left"]) + x, int(rect["top"]) + y)
        chord = ActionBuilder(page.driver)
        chord.pointer_action.move_to_location(*at(100, 300)).pointer_down(MouseButton.LEFT) \
            .move_to_location(*at(120, 300)).pointer_down(MouseButton.RIGHT) \
            .move_to_location(*at(140, 300)).pointer_up(MouseButton.LEFT) \
            .move_to_location(*at(160, 320)).move_to_location(*at(180, 340)) \
            .pointer_up(MouseButton.RIGHT)
        chord.perform()

    lines = record(page, "paint", drive)
    mouse = [line for line in lines if line.startswith("ZIVRO_MOUSE")]
    # Moves may come more finely than the steps: of a run of drags with the
    # same buttons, the last is where the next button changed.
    last_drags = [line for i, line in enumerate(mouse) if not (
        line.startswith("ZIVRO_MOUSE_DRAG(") and i + 1 < len(mouse) and
        mouse[i + 1].startswith("ZIVRO_MOUSE_DRAG(") and
        mouse[i + 1].split(",")[2] == line.split(",")[2])]
    assert last_drags == ["ZIVRO_MOUSE(-197, -50);", "ZIVRO_MOUSE_DRAG(-177, -50, 1, 0);",
                          "ZIVRO_MOUSE_DRAG(-157, -50, 3, 0);", "ZIVRO_MOUSE_RELEASE(-157, -50, 1, 0);",
                          "ZIVRO_MOUSE_DRAG(-117, -90, 2, 0);"], mouse
    play_back_as_the_runner(page, "paint", "paint-two-buttons", "\r\n".join(lines))


def test_typed_characters_are_windows_1252(page):
    """Characters typed into the page reach the program as the bytes of the
    Windows code page: keys ("\u20ac" as 0x80, "\u00e9" as 0xE9; "\u03a9", which
    the code page lacks, types nothing) and the dialog's field, whose "\u20ac"
    the greeting records as \\x80 and draws as the runner does."""
    lines = record(page, "cargame", lambda: ActionChains(page.driver).send_keys(
        "\u20ac\u03a9\u00e9").perform())
    assert [line for line in lines if line.startswith("ZIVRO_KBD")] == [
        "ZIVRO_KBD(-128);", "ZIVRO_KBD(-23);"], lines

    page.open("greeting&test")
    page.store_script("greeting", b"")
    field = wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#dialog input"), "the dialog")[0]
    # The dialog covers the menu, as Windows disables it under a modal
    # dialog; the command its Record item posts still reaches the program.
    page.js("""for (const w of ZivroPage.windows.values()) for (const top of w.menu)
        for (const item of top.items) if (item.label == '&Record Script') ZivroPage.command(w.id, item.id);""")
    wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
    field.send_keys("\u20ac" + Keys.ENTER)
    wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#dialog input") and
             page.driver.find_element(By.CSS_SELECTOR, "#dialog input").get_attribute("value") == "",
             "the second question")
    page.driver.find_element(By.CSS_SELECTOR, "#dialog button.default").click()
    wait_for(lambda: not page.driver.find_elements(By.ID, "dialog"), "the dialog closed")
    page.ctrl("r")
    wait_for(lambda: not page.menu_item("Record Script")["checked"], "recording stopped")
    script = page.stored_script("greeting")
    assert [line for line in script.split("\r\n") if line.startswith("ZIVRO_GETS")] == [
        "ZIVRO_GETS(\\x80);", "ZIVRO_GETS();"], script
    (WORK / "greeting-euro.scr").write_bytes(script.encode("latin-1"))
    same_last_frame(page, "greeting", ["--play", str(WORK / "greeting-euro.scr")])


def test_scripts_recorded_elsewhere_play_the_same(page):
    for program, script in (("click-to-draw", "examples/scripts/click_to_draw.scr"),
                            ("bouncing-ball", "examples/scripts/bouncing_ball.scr"),
                            ("steer-ball", "examples/scripts/steer_ball.scr"),
                            ("paint", "examples/scripts/paint.scr")):
        page.open(program + "&test")
        page.store_script(program, (ROOT / script).read_bytes())
        page.open(program + "&test&play")
        count = wait_for(lambda: page.js("return zivroTest.playbackEndFrames()"), "the playback's end")
        same_frames_as_runner(page, program, program, ["--play", str(ROOT / script)], count)


def test_picked_script_plays(page):
    page.open("click-to-draw&test")
    page.store_script("click-to-draw", b"")
    page.driver.find_element(By.ID, "pick").send_keys(str(ROOT / "examples/scripts/click_to_draw.scr"))
    wait_for(lambda: page.stored_script("click-to-draw").startswith("ZIVRO_MOUSE(-200, 100);"),
             "the picked script in storage")
    wait_for(lambda: page.js("return zivroTest.playbackEndFrames()"), "the playback's end")
    same_last_frame(page, "click-to-draw", ["--play", str(ROOT / "examples/scripts/click_to_draw.scr")])


def test_gets_dialog(page):
    page.open("greeting&test")
    wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#dialog input"), "the dialog")
    dialog = page.driver.find_element(By.ID, "dialog")
    assert dialog.find_element(By.CSS_SELECTOR, ".caption").text == "ZIVRO_gets"
    assert "What is your name?" in dialog.find_element(By.CSS_SELECTOR, ".static").text
    assert dialog.find_element(By.CSS_SELECTOR, "button.default").text == "Okay"
    field = dialog.find_element(By.TAG_NAME, "input")
    field.send_keys("z" * 300)
    assert len(field.get_attribute("value")) == 255
    field.clear()
    field.send_keys("Ada" + Keys.ENTER)
    wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#dialog input") and
             page.driver.find_element(By.CSS_SELECTOR, "#dialog input").get_attribute("value") == "",
             "the second question")
    page.driver.find_element(By.CSS_SELECTOR, "#dialog button.default").click()
    wait_for(lambda: not page.driver.find_elements(By.ID, "dialog"), "the dialog closed")
    page.driver.find_element(By.CSS_SELECTOR, "section.window .close").click()
    wait_for(lambda: page.js("return zivroTest.ended() !== null"), "the end of the run")
    # While the dialog waits the page paints, as the desktop does, where
    # the runner answers at once: the pictures agree once the run is over.
    same_last_frame(page, "greeting", ["--answer", "Ada", "--answer", ""])


def test_closing_keeps_the_recording(page):
    page.open("cargame&test")
    page.store_script("cargame", b"")
    page.ctrl("h")
    page.ctrl("r")
    wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
    page.click(*BUTTONS["Stop"])
    wait_for(lambda: "ZIVRO_MOUSE(" in (page.stored_script("cargame") or ""), "the stored click")
    # The close box ends the run as on the desktop: the window closes.
    page.driver.find_element(By.CSS_SELECTOR, "section.window .close").click()
    wait_for(lambda: page.js("return zivroTest.ended() !== null"), "the end after the close box")
    assert page.stored_script("cargame").count("ZIVRO_MOUSE(") == 1


def package_click(x, y):
    """The line a click at client pixel (x, y) records."""
    return f"ZIVRO_MOUSE({x - 297}, {250 - y});"


def test_killed_browser_keeps_every_recorded_line(base, downloads):
    """A browser killed (kill -9) right after the last click: a new browser on
    the same profile finds every click line of the recording stored."""
    profile = WORK / "killed-profile"
    driver = start_browser(downloads, profile)
    try:
        page = Page(driver, base)
        page.open("cargame&test")
        page.ctrl("h")
        page.ctrl("r")
        wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
        clicks = [BUTTONS[name] for name in ("Stop", "Go", "Faster", "Reverse")]
        for x, y in clicks:
            page.click(x, y)
        wait_for(lambda: (page.js("return zivroTest.file()") or "").count("ZIVRO_MOUSE(") == len(clicks),
                 "the last click recorded")
        wait_for(lambda: page.js("return zivroTest.storeSettled()"), "the page's store")
    finally:
        kill_browser(driver)
    driver = start_browser(downloads, profile)
    try:
        page = Page(driver, base)
        page.open("cargame&test")
        stored = (page.stored_script("cargame") or "").split("\r\n")
        assert [line for line in stored if line.startswith("ZIVRO_MOUSE(")] == \
            [package_click(x, y) for x, y in clicks], stored
    finally:
        driver.quit()


def test_recording_refuses_a_picked_script_and_play_from_start(page):
    """While a recording runs, picking a script (which would overwrite the file
    being written) and "Play from start" are refused with a message; the
    recording goes on whole."""
    page.open("click-to-draw&test")
    page.ctrl("r")
    wait_for(lambda: page.menu_item("Record Script")["checked"], "recording")
    page.click(100, 100)
    wait_for(lambda: "ZIVRO_MOUSE(" in (page.js("return zivroTest.file()") or ""), "the first click")
    page.driver.find_element(By.ID, "pick").send_keys(str(ROOT / "examples/scripts/click_to_draw.scr"))
    wait_for(lambda: "cannot be picked while recording" in page.status(), "the refusal of the pick")
    page.driver.find_element(By.ID, "play-start").click()
    wait_for(lambda: page.status().startswith("Stop the recording first"), "the refusal of Play from start")
    assert "play" not in page.driver.current_url.split("?", 1)[1].split("&")
    page.click(200, 150)
    page.ctrl("r")
    wait_for(lambda: not page.menu_item("Record Script")["checked"], "recording stopped")
    assert not page.menu_item("Playback Script")["checked"]
    stored = page.stored_script("click-to-draw")
    assert stored == page.js("return zivroTest.file()"), "storage differs from the file"
    assert [line for line in stored.split("\r\n") if line.startswith("ZIVRO_MOUSE(")] == \
        [package_click(100, 100), package_click(200, 150)], stored


def test_two_tabs_recording_at_once(page):
    """The first tab recording keeps the stored script; a second tab recording
    the same program meanwhile is told that its script is not stored (and the
    first that another records), and its lines stay out of storage."""
    page.open("cargame&test")
    page.store_script("cargame", b"")
    first = page.driver.current_window_handle
    page.ctrl("r")  # the game animates: its ticks are written at once
    wait_for(lambda: page.js("return zivroTest.storeLock()") == "held", "the first tab storing")
    page.driver.switch_to.new_window("tab")
    try:
        page.open("cargame&test")
        page.ctrl("r")
        wait_for(lambda: "Another tab of cargame is recording ZIVRO.SCR" in page.status(),
                 "the second tab told")
        page.click(*BUTTONS["Stop"])
        wait_for(lambda: "ZIVRO_MOUSE(" in page.js("return zivroTest.file()"), "the second tab's click")
        page.ctrl("r")
        wait_for(lambda: not page.menu_item("Record Script")["checked"], "the second tab stopped")
    finally:
        page.driver.close()
        page.driver.switch_to.window(first)
    assert "Another tab of cargame is recording too" in page.status(), page.status()
    page.ctrl("r")
    wait_for(lambda: not page.menu_item("Record Script")["checked"], "the first tab stopped")
    stored = page.stored_script("cargame")
    assert stored == page.js("return zivroTest.file()") and "ZIVRO_PERIODIC(" in stored, stored
    assert "ZIVRO_MOUSE(" not in stored, stored


def test_store_failure_told_not_retried_and_kept_visible(page):
    """Storage refusing the script (the origin's quota filled while a recording
    runs): the page says so, stores nothing more while the recording goes on,
    and after a reload says that the stored script is incomplete, until a new
    recording is stored whole."""
    # An origin of its own (the same server by another name), whose quota is
    # set before it stores anything: the browser reads it as storage opens.
    origin = page.base.replace("127.0.0.1", "localhost")
    page.driver.execute_cdp_cmd("Storage.overrideQuotaForOrigin", {"origin": origin + "/", "quotaSize": 1 << 20})
    own = Page(page.driver, origin)
    try:
        own.open("cargame&test")
        own.ctrl("r")
        wait_for(lambda: "ZIVRO_PERIODIC(" in (own.stored_script("cargame") or ""), "the first stored tick")
        # The page's origin fills the rest of its quota: blocks ever smaller,
        # until storage refuses even small ones.
        own.js_async("""
            const db = await new Promise((resolve, reject) => {
              const request = indexedDB.open('filler', 1);
              request.onupgradeneeded = () => request.result.createObjectStore('f');
              request.onsuccess = () => resolve(request.result);
              request.onerror = () => reject(request.error);
            });
            let key = 0;
            for (let size = 1 << 18; size >= 64; size >>= 2) {
              for (;;) {
                const data = new Uint8Array(size);
                for (let at = 0; at < size; at += 65536) crypto.getRandomValues(data.subarray(at, at + 65536));
                const kept = await new Promise((resolve) => {
                  const transaction = db.transaction('f', 'readwrite');
                  transaction.objectStore('f').put(data, key++);
                  transaction.oncomplete = () => resolve(true);
                  transaction.onabort = () => resolve(false);
                });
                if (!kept) break;
              }
            }
            db.close();""")
        wait_for(lambda: "ZIVRO.SCR could not be stored in this browser" in own.status(), "the failure told")
        attempts = own.js("return zivroTest.storeAttempts()")
        frames = own.frames()
        wait_for(lambda: own.frames() >= frames + 5, "ticks after the failure")
        own.click(*BUTTONS["Faster"])
        wait_for(lambda: "ZIVRO_MOUSE(" in own.js("return zivroTest.file()"), "the click recorded")
        own.ctrl("r")
        wait_for(lambda: not own.menu_item("Record Script")["checked"], "recording stopped")
        assert own.js("return zivroTest.storeAttempts()") == attempts, "storing was tried again"
        own.open("cargame&test")
        assert own.status().startswith("The stored ZIVRO.SCR is incomplete"), own.status()
        # Room again: a new recording is stored, and the message goes.
        own.js_async("""await new Promise((resolve, reject) => {
            const request = indexedDB.deleteDatabase('filler');
            request.onsuccess = resolve;
            request.onerror = () => reject(request.error);
          });""")
        own.ctrl("r")
        own.click(*BUTTONS["Stop"])
        wait_for(lambda: "ZIVRO_MOUSE(" in (own.js("return zivroTest.file()") or ""), "the click recorded")
        own.ctrl("r")
        wait_for(lambda: not own.menu_item("Record Script")["checked"], "recording stopped")
        assert own.stored_script("cargame") == own.js("return zivroTest.file()"), "the new recording not stored"
        own.open("cargame&test")
        assert own.status() == "", own.status()
    finally:
        page.driver.execute_cdp_cmd("Storage.overrideQuotaForOrigin", {"origin": origin + "/"})


def test_canvas_pixels_sharp_at_ratio_2(page):
    """At a device pixel ratio of 2 each pixel of the surface shows as a 2 x 2
    block of exactly its colour."""
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 1000, "height": 1100, "deviceScaleFactor": 2, "mobile": False})
    try:
        page.open("cargame&test")
        page.ctrl("h")
        page.settle()
        rect = page.js("return arguments[0].getBoundingClientRect().toJSON()", page.canvas())
        assert (rect["width"], rect["height"]) == (595, 501), rect
        shot = page.driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": {
            "x": rect["left"], "y": rect["top"], "width": rect["width"], "height": rect["height"],
            "scale": 1}})["data"]
        different = page.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const canvas = document.querySelector('section.window canvas');
            const image = new Image();
            image.onload = () => {
              if (image.width !== 2 * canvas.width || image.height !== 2 * canvas.height) {
                return done('screenshot of ' + image.width + ' x ' + image.height);
              }
              const copy = document.createElement('canvas');
              copy.width = image.width;
              copy.height = image.height;
              copy.getContext('2d').drawImage(image, 0, 0);
              const shown = copy.getContext('2d').getImageData(0, 0, image.width, image.height).data;
              const surface = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
              let count = 0;
              for (let y = 0; y < image.height; ++y) {
                for (let x = 0; x < image.width; ++x) {
                  const s = ((y >> 1) * canvas.width + (x >> 1)) * 4;
                  const d = (y * image.width + x) * 4;
                  if (shown[d] !== surface[s] || shown[d + 1] !== surface[s + 1] ||
                      shown[d + 2] !== surface[s + 2]) ++count;
                }
              }
              done(count);
            };
            image.src = 'data:image/png;base64,' + arguments[0];""", shot)
        assert different == 0, f"{different} screen pixels differ from their surface pixel"
    finally:
        page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def test_page_opened_from_a_file_says_to_serve_it(page):
    page.driver.get((SITE / "play.html").as_uri() + "?cargame")
    notice = wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#windows .notice"), "the notice")
    text = notice[0].text
    assert "scripts/web.sh" in text and "python3 -m http.server" in text, text


@pytest.fixture(scope="session")
def own_program():
    """The README's own program: the web build installed into a prefix of
    its own, and a project outside the tree (a copy of the sprite game, its
    pictures and script) built on it by the README's commands, the CMake
    lines its CMakeLists.txt. The folder the pages are in."""
    readme = (ROOT / "README.md").read_text()
    section = readme.split("### Your own program as a page", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```(sh|cmake)\n(.*?)```", section, re.DOTALL)
    work = WORK / "own"
    project = work / "mygame"
    (project / "pictures").mkdir(parents=True)
    shutil.copy(ROOT / "examples/sprite_game.c", project / "mygame.c")
    for picture in ("ship.png", "star.png"):
        shutil.copy(ROOT / "examples/pictures" / picture, project / "pictures")
    shutil.copy(ROOT / "examples/scripts/sprite_game.scr", project / "mygame.scr")
    (project / "CMakeLists.txt").write_text("".join(text for kind, text in blocks if kind == "cmake"))
    install, build = (text for kind, text in blocks if kind == "sh")
    environment = dict(os.environ, HOME=str(work), NODE_PATH=os.environ.get("NODE_PATH", "/usr/share/nodejs"))
    # The install from this web build, wherever it is; the project's own
    # build where the README has it.
    for commands, cwd in ((install.replace("build/web", str(WEB_BUILD)), ROOT), (build, work)):
        run = subprocess.run(["bash", "-euo", "pipefail", "-c", commands], cwd=cwd, env=environment,
                             capture_output=True, text=True)
        assert run.returncode == 0, f"{commands}\n{run.stdout[-3000:]}{run.stderr[-3000:]}"
    return project / "build" / "web"


def test_own_program_as_a_served_folder(page, own_program):
    """The folder of the program's page, served: its script plays from the
    start with the runner's frames. Opened from a file, it says to serve it
    and names its own page."""
    assert sorted(path.name for path in own_program.iterdir()) == [
        "mygame-mail.html", "mygame.data", "mygame.html", "mygame.js", "mygame.wasm", "zivro.css", "zivro.js"]
    page.driver.get((own_program / "mygame.html").as_uri())
    notice = wait_for(lambda: page.driver.find_elements(By.CSS_SELECTOR, "#windows .notice"), "the notice")
    assert "http://localhost:8000/mygame.html" in notice[0].text, notice[0].text
    server = serve(own_program)
    try:
        own = Page(page.driver, f"http://127.0.0.1:{server.server_address[1]}")
        own.open("test&play", "mygame.html")
        count = wait_for(lambda: own.js("return zivroTest.playbackEndFrames()"), "the playback's end")
        same_frames_as_runner(own, "sprite-game", "own-folder", ["--play", str(ROOT / "examples/scripts/sprite_game.scr")],
                              count, cwd=own_program.parents[1])
    finally:
        server.shutdown()


def test_own_program_as_one_file(page, own_program):
    """The page of one file, alone in a folder and opened from it (file://):
    its script plays from the start with the runner's frames."""
    alone = WORK / "one-file"
    alone.mkdir()
    shutil.copy(own_program / "mygame-mail.html", alone)
    own = Page(page.driver, alone.as_uri())
    own.open("test&play", "mygame-mail.html")
    count = wait_for(lambda: own.js("return zivroTest.playbackEndFrames()"), "the playback's end")
    same_frames_as_runner(own, "sprite-game", "own-file", ["--play", str(ROOT / "examples/scripts/sprite_game.scr")],
                          count, cwd=own_program.parents[1])


def test_play_from_start_matches_the_runner(page):
    """"Play from start" starts the program again with the stored script
    playing as ZIVRO_open finishes: every frame, from the first, equals the
    headless runner's --play. The car game animates from its start, and this
    script begins with clicks, before any tick."""
    script = ROOT / "tests/golden/day_drive.scr"
    page.open("cargame&test")
    page.store_script("cargame", script.read_bytes())
    page.open("cargame&test")
    page.driver.find_element(By.ID, "play-start").click()
    count = wait_for(lambda: page.js("return typeof zivroTest == 'object' && zivroTest.playbackEndFrames()"),
                     "the playback's end")
    assert page.driver.current_url.endswith("?cargame&test"), page.driver.current_url
    same_frames_as_runner(page, "cargame", "from-start", ["--play", str(script)], count)


def test_index_links_every_program(page):
    page.driver.get(page.base + "/index.html")
    links = page.js("return [...document.querySelectorAll('li a')].map(a => a.getAttribute('href'))")
    programs = sorted("play.html?" + wasm.stem for wasm in SITE.glob("*.wasm"))
    shipped = {"cargame", "bouncing-ball", "click-to-draw", "greeting", "steer-ball", "paint"}
    assert shipped <= {p.split("?")[1] for p in programs} and sorted(links) == programs, (
        links, programs)


@pytest.fixture(scope="session")
def downloads():
    directory = WORK / "downloads"
    directory.mkdir()
    return directory


@pytest.fixture(scope="session")
def base():
    server = serve(SITE)
    yield f"http://127.0.0.1:{server.server_address[1]}"
    server.shutdown()


@pytest.fixture(scope="session")
def page(base, downloads):
    driver = start_browser(downloads)
    yield Page(driver, base)
    driver.quit()
