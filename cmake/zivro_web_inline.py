"""One self-contained page of a program: its player page with the page's CSS
and JavaScript, the program's JavaScript, and its wasm and data (base64)
written into it, so that it opens from a file and needs nothing beside it.

Usage: zivro_web_inline.py PLAYER_PAGE PAGE_DIRECTORY OUTPUT
PLAYER_PAGE is NAME.html, with NAME.js, NAME.wasm and NAME.data beside it;
PAGE_DIRECTORY holds zivro.js and zivro.css. zivro.js starts the program
from these elements (ids zivro-program, zivro-wasm, zivro-data)."""
import base64
import pathlib
import re
import sys


def replace_once(html, old, new, where):
    if html.count(old) != 1:
        sys.exit(f"zivro_web_inline: {where} has not exactly one {old}")
    return html.replace(old, new, 1)


def script_text(text, where):
    """Text that can stand inside a script element: "</script" would end it,
    and "<!--" changes how the browser looks for that end."""
    if "<!--" in text:
        sys.exit(f"zivro_web_inline: {where} holds <!--, which cannot be written into a page")
    return re.sub(r"</(script)", r"<\\/\1", text, flags=re.IGNORECASE)


def base64_lines(data):
    encoded = base64.b64encode(data).decode("ascii")
    return "\n".join(encoded[i:i + 76] for i in range(0, len(encoded), 76))


def main():
    player, page_directory, output = (pathlib.Path(argument) for argument in sys.argv[1:4])
    html = player.read_text(encoding="utf-8")
    name = re.search(r'<meta name="zivro-program" content="([^"]+)">', html)
    if not name:
        sys.exit(f"zivro_web_inline: {player} names no program")
    program = lambda suffix: player.parent / (name.group(1) + suffix)
    css = (page_directory / "zivro.css").read_text(encoding="utf-8")
    if "</style" in css.lower():
        sys.exit("zivro_web_inline: zivro.css holds </style")
    html = replace_once(html, '<link rel="stylesheet" href="zivro.css">',
                        "<style>\n" + css + "</style>", player)
    parts = (
        '<script type="text/x-zivro-program" id="zivro-program">\n' +
        script_text(program(".js").read_text(encoding="utf-8"), "the program's JavaScript") +
        "</script>\n"
        '<script type="application/octet-stream" id="zivro-wasm">\n' +
        base64_lines(program(".wasm").read_bytes()) + "\n</script>\n"
        '<script type="application/octet-stream" id="zivro-data">\n' +
        base64_lines(program(".data").read_bytes()) + "\n</script>\n"
        "<script>\n" +
        script_text((page_directory / "zivro.js").read_text(encoding="utf-8"), "zivro.js") +
        "</script>")
    html = replace_once(html, '<script src="zivro.js"></script>', parts, player)
    output.write_text(html, encoding="utf-8")


main()
