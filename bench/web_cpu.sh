#!/usr/bin/env bash
# The game in headless Chromium: CPU time of the page's renderer process over
# BENCH_SECONDS (default 10) while halted and while animating, the time of one full
# game frame in the page (the program's work from its wake to its next sleep,
# and the page's painting of it), and what the page transfers (as it is, and
# gzipped and in Brotli as the build's precompressed copies are). Against it,
# in the same browser: the CPU of a plain page that draws the game's day scene
# with canvas-2D calls at the game's tick (bench/plain_scene.html).
# Usage: bench/web_cpu.sh [WEB_BUILD_DIR]   (default build/web)
set -euo pipefail
cd "$(dirname "$0")/.."
site=$(cd "${1:-build/web}/site" && pwd)
[ -f "$site/cargame.wasm" ] || {
  echo "web_cpu: no web build in ${1:-build/web} (cmake --preset web && cmake --build --preset web)" >&2
  exit 1
}
export SITE=$site SECONDS_EACH=${BENCH_SECONDS:-10}
exec /usr/bin/python3 - << 'PYTHON'
import functools, gzip, http.server, os, statistics, sys, tempfile, threading, time
sys.path.insert(0, "tests/web")
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

site, seconds = os.environ["SITE"], float(os.environ["SECONDS_EACH"])
os.environ.update(ZIVRO_WEB_SITE=site, ZIVRO_WEB_BUILD=os.path.dirname(site), ZIVRO_HEADLESS_BUILD=".")
import browser_test as bt

tick = os.sysconf("SC_CLK_TCK")

def renderer_cpu(root):
    """CPU seconds used so far by the renderer processes of this browser
    (the descendants of its driver, root)."""
    parents, used = {}, {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            command = open(f"/proc/{pid}/cmdline", "rb").read()
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(pid)] = int(fields[1])
        if b"--type=renderer" in command and b"--top-chrome-webui" not in command:
            used[int(pid)] = int(fields[11]) + int(fields[12])
    def under_root(pid):
        while pid > 1:
            if pid == root:
                return True
            pid = parents.get(pid, 0)
        return False
    return sum(ticks for pid, ticks in used.items() if under_root(pid)) / tick

def cpu_over(span, root):
    before, start = renderer_cpu(root), time.monotonic()
    time.sleep(span)
    return (renderer_cpu(root) - before) / (time.monotonic() - start) * 100

# Served cross-origin isolated, so that the page's clock counts in
# microseconds rather than in the 0.1 ms steps of an ordinary page.
class Isolated(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Isolated, directory=site))
threading.Thread(target=server.serve_forever, daemon=True).start()
plain_server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                               functools.partial(Isolated, directory="bench"))
threading.Thread(target=plain_server.serve_forever, daemon=True).start()
driver = bt.start_browser(tempfile.mkdtemp())
page = bt.Page(driver, f"http://127.0.0.1:{server.server_address[1]}")
try:
    page.driver.get(page.base + "/play.html?cargame&bench")
    bt.wait_for(lambda: page.js("return typeof ZivroPage == 'object' && ZivroPage.windows.size"), "the game")
    time.sleep(1)
    page.ctrl("h")
    time.sleep(1)
    halted = cpu_over(seconds, driver.service.process.pid)
    page.js("zivroBench.busy.length = 0; zivroBench.paint.length = 0")
    page.ctrl("a")
    animating = cpu_over(seconds, driver.service.process.pid)
    busy = page.js("return zivroBench.busy")
    isolated = page.js("return crossOriginIsolated")
    paint = page.js("return zivroBench.paint")
    page.driver.get(f"http://127.0.0.1:{plain_server.server_address[1]}/plain_scene.html")
    time.sleep(2)
    plain = cpu_over(seconds, driver.service.process.pid)
finally:
    driver.quit()
    server.shutdown()
    plain_server.shutdown()
sizes = {name: os.path.getsize(os.path.join(site, name)) for name in
         ("play.html", "zivro.js", "zivro.css", "cargame.js", "cargame.wasm", "cargame.data")}
print(f"renderer CPU, halted:    {halted:6.2f} % of a core over {seconds:.0f} s")
print(f"renderer CPU, animating: {animating:6.2f} % of a core over {seconds:.0f} s")
print(f"renderer CPU, plain canvas-2D page of the day scene: {plain:6.2f} % of a core over {seconds:.0f} s")
print(f"(page cross-origin isolated: {isolated})")
print(f"one game frame in the page: median {statistics.median(busy):.2f} ms, mean "
      f"{statistics.mean(busy):.3f} ms ({len(busy)} wakes of the program); painting it: "
      f"median {statistics.median(paint):.2f} ms, mean {statistics.mean(paint):.3f} ms")
print("transfer: " + ", ".join(f"{name} {size / 1024:.0f} KiB" for name, size in sizes.items()))
print(f"transfer total: {sum(sizes.values()) / 1048576:.2f} MiB uncompressed")
# Gzipped as the build's FILE.gz (gzip -9), or here at the same level when
# the build wrote none; in Brotli only as the build's FILE.br.
gzipped = {}
for name in sizes:
    path = os.path.join(site, name)
    gzipped[name] = (os.path.getsize(path + ".gz") if os.path.exists(path + ".gz") else
                     len(gzip.compress(open(path, "rb").read(), 9)))
print("gzipped: " + ", ".join(f"{name} {size / 1024:.0f} KiB" for name, size in gzipped.items()))
print(f"transfer total gzipped: {sum(gzipped.values()) / 1024:.0f} KiB")
if all(os.path.exists(os.path.join(site, name + ".br")) for name in sizes):
    brotli = sum(os.path.getsize(os.path.join(site, name + ".br")) for name in sizes)
    print(f"transfer total in Brotli: {brotli / 1024:.0f} KiB")
PYTHON
