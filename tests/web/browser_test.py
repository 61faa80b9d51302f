#!/usr/bin/python3
"""The programs in a real browser: headless Chromium, driven by Selenium,
loads the pages of build/web/site, uses the windows, the menu, its keys and
the dialog, records and downloads a script, and plays scripts back; every
frame the page presents is compared with the headless runner's frames for
the same script (the runner's --expect-dir: 0 pixels may differ).

Usage: browser_test.py SITE_DIR HEADLESS_BUILD_DIR
Prints "web browser: N passed, M failed"; exits 1 on any failure."""
import base64
import functools
import http.server
import pathlib
import subprocess
import sys
import tempfile
import threading
import time
import traceback

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.mouse_button import MouseButton
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SITE, HEADLESS = (pathlib.Path(arg).resolve() for arg in sys.argv[1:3])
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


def start_browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--window-size=1000,1100",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="zivro-chromium-")):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    driver.set_script_timeout(30)
    return driver


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

    def open(self, query):
        self.driver.get(self.base + "/play.html?" + query)
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

    def store_script(self, program, data):
        self.js("localStorage.setItem(arguments[0], arguments[1])", f"zivro:{program}:ZIVRO.SCR",
                data.decode("latin-1"))

    def stored_script(self, program):
        return self.js("return localStorage.getItem(arguments[0])", f"zivro:{program}:ZIVRO.SCR")


def same_frames_as_runner(page, program, name, runner_args, count=None):
    """Every frame the page presented (the first count) equals the headless
    runner's."""
    if count is None:
        page.settle()
        count = page.frames()
    assert count > 0, "the page presented no frame"
    page_frames = WORK / name / "page"
    page.save_frames(page_frames, count)
    runner = HEADLESS / {"cargame": "game", "text-sheet": "tests"}.get(program, "examples") / (
        program + "-headless")
    run = subprocess.run([str(runner), *runner_args, "--frames", str(WORK / name / "runner"),
                          "--expect-dir", str(page_frames)], capture_output=True, text=True)
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
    for step in ("Faster", "f", "Reverse", "x", "New Color", "f", "Go", "f", "f"):
        if step in BUTTONS:
            page.click(*BUTTONS[step])
        elif step == "f":
            page.ctrl("f")
        else:
            ActionChains(page.driver).send_keys(step).perform()
        time.sleep(0.15)
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
    assert page.frames() >= 8, page.frames()
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


def main():
    downloads = WORK / "downloads"
    downloads.mkdir()
    server = serve(SITE)
    driver = start_browser(downloads)
    page = Page(driver, f"http://127.0.0.1:{server.server_address[1]}")
    tests = [
        ("windows_and_run_menu", lambda: test_windows_and_run_menu(page)),
        ("keys_halt_animate_and_open_the_menu", lambda: test_keys_halt_animate_and_open_the_menu(page)),
        ("canvas_shows_the_presented_frame", lambda: test_canvas_shows_the_presented_frame(page)),
        ("record_download_and_play_back", lambda: test_record_download_and_play_back(page, downloads)),
        ("opt_in_events_record_and_play_back", lambda: test_opt_in_events_record_and_play_back(page, downloads)),
        ("text_as_the_runner_draws_it", lambda: test_text_as_the_runner_draws_it(page)),
        ("two_button_drag_reports_the_buttons_still_held",
         lambda: test_two_button_drag_reports_the_buttons_still_held(page)),
        ("typed_characters_are_windows_1252", lambda: test_typed_characters_are_windows_1252(page)),
        ("scripts_recorded_elsewhere_play_the_same", lambda: test_scripts_recorded_elsewhere_play_the_same(page)),
        ("picked_script_plays", lambda: test_picked_script_plays(page)),
        ("gets_dialog", lambda: test_gets_dialog(page)),
        ("closing_keeps_the_recording", lambda: test_closing_keeps_the_recording(page)),
    ]
    only = sys.argv[3:]
    passed = failed = 0
    try:
        for name, test in tests:
            if only and name not in only:
                continue
            try:
                test()
                passed += 1
                print("PASS", name, flush=True)
            except Exception:
                failed += 1
                print("FAIL", name, flush=True)
                traceback.print_exc()
    finally:
        driver.quit()
        server.shutdown()
    print(f"web browser: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
