// The page of a ZIVRO program: its windows (caption, menu bar, canvas), the
// modal dialog, the script file kept in the browser's storage, and the input
// handed to the program (web_layer.cpp) as Windows messages.
'use strict';

const query = new URLSearchParams(location.search);
const programName = [...query.keys()].find((key) => /^[a-z0-9-]+$/.test(key) && key !== 'test');
const testHooks = query.has('test');
// With ?bench the page times the program's work between two sleeps and its
// own painting, for bench/web_cpu.sh.
const benchHooks = query.has('bench');
const timings = { busy: [], paint: [], resumedAt: 0 };
const scriptPath = '/ZIVRO.SCR';
const storageKey = 'zivro:' + programName + ':ZIVRO.SCR';

const VK = {
  ShiftLeft: 0x10, ShiftRight: 0x10, ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12,
  AltRight: 0x12, Enter: 0x0d, NumpadEnter: 0x0d, Backspace: 0x08, Tab: 0x09, Escape: 0x1b,
  CapsLock: 0x14, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24,
  ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Insert: 0x2d, Delete: 0x2e,
  NumpadMultiply: 0x6a, NumpadAdd: 0x6b, NumpadSubtract: 0x6d, NumpadDecimal: 0x6e,
  NumpadDivide: 0x6f, Semicolon: 0xba, Equal: 0xbb, Comma: 0xbc, Minus: 0xbd, Period: 0xbe,
  Slash: 0xbf, Backquote: 0xc0, BracketLeft: 0xdb, Backslash: 0xdc, BracketRight: 0xdd,
  Quote: 0xde,
};

// The virtual-key code of a physical key, as on a US keyboard; 0 for none.
function virtualKey(code) {
  let match;
  if ((match = /^Key([A-Z])$/.exec(code))) return match[1].charCodeAt(0);
  if ((match = /^Digit([0-9])$/.exec(code))) return match[1].charCodeAt(0);
  if ((match = /^Numpad([0-9])$/.exec(code))) return 0x60 + Number(match[1]);
  if ((match = /^F([0-9]+)$/.exec(code)) && match[1] >= 1 && match[1] <= 24) {
    return 0x6f + Number(match[1]);
  }
  return VK[code] || 0;
}

// "&Run" as text with its mnemonic underlined; "&&" is a plain "&".
function labelNode(label) {
  const span = document.createElement('span');
  for (let i = 0; i < label.length; ++i) {
    if (label[i] === '&' && i + 1 < label.length) {
      ++i;
      if (label[i] !== '&') {
        const u = document.createElement('u');
        u.textContent = label[i];
        span.append(u);
        continue;
      }
    }
    span.append(label[i]);
  }
  return span;
}

function mnemonicOf(label) {
  const match = /&([^&])/.exec(label.replace(/&&/g, ''));
  return match ? match[1].toLowerCase() : '';
}

function latin1Bytes(text) {
  return Uint8Array.from(text, (c) => (c.charCodeAt(0) < 256 ? c.charCodeAt(0) : 63));
}

const ZivroPage = {
  windows: new Map(), // id -> {element, canvas, menubar, menu}
  dirty: new Set(),
  paintRequested: false,
  wake: null,
  openPopup: null, // {id, index, element, items, selected}
  dialogOpen: false,
  storedScript: null,
  frames: [],
  ended: null,

  // --- what the layer calls ---------------------------------------------

  windowChanged(id, title, visible, destroyed, width, height, main) {
    let win = this.windows.get(id);
    if (destroyed) {
      if (win) win.element.remove();
      this.windows.delete(id);
      if (this.openPopup && this.openPopup.id === id) this.closePopup();
      return;
    }
    if (!win) win = this.makeWindow(id, main);
    win.title.textContent = title;
    win.element.hidden = !visible;
    if (win.canvas.width !== width || win.canvas.height !== height) {
      win.canvas.width = width;
      win.canvas.height = height;
    }
  },

  makeWindow(id, main) {
    const element = document.createElement('section');
    element.className = 'window';
    const caption = document.createElement('div');
    caption.className = 'caption';
    const title = document.createElement('span');
    const close = document.createElement('button');
    close.className = 'close';
    close.title = 'Close';
    close.textContent = '\u00d7';
    close.addEventListener('click', () => this.call('_web_close', id));
    caption.append(title, close);
    const menubar = document.createElement('nav');
    menubar.className = 'menubar';
    menubar.hidden = true;
    const canvas = document.createElement('canvas');
    element.append(caption, menubar, canvas);
    const win = { id, element, title, canvas, context: canvas.getContext('2d'), menubar, menu: [] };
    this.listenToMouse(win);
    const area = document.getElementById('windows');
    if (main) area.prepend(element);
    else area.append(element);
    this.windows.set(id, win);
    return win;
  },

  surfaceChanged(id) {
    this.dirty.add(id);
    if (!this.paintRequested) {
      this.paintRequested = true;
      requestAnimationFrame(() => this.paint());
    }
  },

  paint() {
    const start = benchHooks ? performance.now() : 0;
    this.paintRequested = false;
    for (const id of this.dirty) {
      const win = this.windows.get(id);
      const pixels = Module._web_window_rgba(id);
      if (!win || !pixels) continue;
      const width = Module._web_window_width(id);
      const height = Module._web_window_height(id);
      if (!width || !height) continue;
      const bytes = new Uint8ClampedArray(Module.HEAPU8.buffer, pixels, width * height * 4);
      if (win.canvas.width !== width || win.canvas.height !== height) {
        win.canvas.width = width;
        win.canvas.height = height;
      }
      win.context.putImageData(new ImageData(bytes, width, height), 0, 0);
    }
    this.dirty.clear();
    if (benchHooks) timings.paint.push(performance.now() - start);
  },

  menuChanged(id, menu) {
    const win = this.windows.get(id);
    if (!win) return;
    if (testHooks) this.notePlayback(menu);
    win.menu = menu;
    win.menubar.hidden = menu.length === 0;
    win.menubar.replaceChildren();
    menu.forEach((top, index) => {
      const button = document.createElement('button');
      button.append(labelNode(top.label));
      button.addEventListener('mousedown', (event) => {
        event.preventDefault();
        if (this.openPopup && this.openPopup.id === id && this.openPopup.index === index) {
          this.closePopup();
        } else {
          this.openMenu(id, index);
        }
      });
      win.menubar.append(button);
    });
    if (this.openPopup && this.openPopup.id === id) this.openMenu(id, this.openPopup.index);
  },

  openMenu(id, index) {
    const win = this.windows.get(id);
    if (!win || !win.menu[index]) return;
    const previous = this.openPopup;
    this.closePopup();
    const top = win.menu[index];
    if (top.items.length === 0) {
      this.command(id, top.id);
      return;
    }
    const popup = document.createElement('div');
    popup.className = 'popup';
    const rows = [];
    top.items.forEach((item) => {
      if (item.separator) {
        popup.append(document.createElement('hr'));
        return;
      }
      const row = document.createElement('div');
      row.className = 'item' + (item.grayed ? ' grayed' : '');
      const mark = document.createElement('span');
      mark.className = 'mark';
      mark.textContent = item.checked ? '\u2713' : '';
      const shortcut = document.createElement('span');
      shortcut.className = 'shortcut';
      shortcut.textContent = item.shortcut;
      row.append(mark, labelNode(item.label), shortcut);
      row.addEventListener('mousedown', (event) => event.preventDefault());
      row.addEventListener('click', () => {
        if (!item.grayed) this.command(id, item.id);
      });
      popup.append(row);
      rows.push({ row, item });
    });
    const button = win.menubar.children[index];
    popup.style.left = button.offsetLeft + 'px';
    popup.style.top = button.offsetTop + button.offsetHeight + 'px';
    button.classList.add('open');
    win.menubar.append(popup);
    this.openPopup = { id, index, element: popup, button, rows, selected: -1 };
    if (previous && previous.id === id && previous.index === index) {
      this.select(previous.selected);
    }
  },

  closePopup() {
    if (!this.openPopup) return;
    this.openPopup.element.remove();
    this.openPopup.button.classList.remove('open');
    this.openPopup = null;
  },

  select(selected) {
    const popup = this.openPopup;
    popup.rows.forEach((entry, i) => entry.row.classList.toggle('selected', i === selected));
    popup.selected = selected;
  },

  command(id, command) {
    this.closePopup();
    this.call('_web_command', id, command);
  },

  openDialog(layout) {
    this.dialogOpen = true;
    this.closePopup();
    const backdrop = document.createElement('div');
    backdrop.id = 'dialog';
    const box = document.createElement('div');
    box.className = 'window dialog';
    box.setAttribute('role', 'dialog');
    const caption = document.createElement('div');
    caption.className = 'caption';
    caption.textContent = layout.caption;
    const area = document.createElement('form');
    area.className = 'client';
    area.style.width = layout.width + 'px';
    area.style.height = layout.height + 'px';
    const fields = [];
    let defaultButton = 1;
    const press = (button) => {
      // Each field's characters as code points: the layer makes them the
      // package's Windows-1252 bytes.
      for (const { id, input } of fields) {
        const points = Uint32Array.from(input.value, (c) => c.codePointAt(0));
        const memory = Module._malloc(points.byteLength || 4);
        Module.HEAPU8.set(new Uint8Array(points.buffer), memory);
        Module._web_dialog_field(id, memory, points.length);
        Module._free(memory);
      }
      this.call('_web_dialog_press', button);
    };
    for (const control of layout.controls) {
      let element;
      if (control.kind === 'edit') {
        element = document.createElement('input');
        element.maxLength = 255;
        element.value = control.title;
        fields.push({ id: control.id, input: element });
      } else if (control.kind === 'button') {
        element = document.createElement('button');
        element.type = 'button';
        element.append(labelNode(control.title));
        if (control.default) {
          defaultButton = control.id;
          element.classList.add('default');
        }
        element.addEventListener('click', () => press(control.id));
      } else if (control.kind === 'static') {
        element = document.createElement('div');
        element.className = 'static';
        element.textContent = control.title;
      } else {
        continue;
      }
      Object.assign(element.style, {
        left: control.x + 'px',
        top: control.y + 'px',
        width: control.width + 'px',
        height: control.height + 'px',
      });
      area.append(element);
    }
    area.addEventListener('submit', (event) => {
      event.preventDefault();
      press(defaultButton);
    });
    // Enter in the field presses the default button, through the form.
    const submit = document.createElement('input');
    submit.type = 'submit';
    submit.hidden = true;
    area.append(submit);
    box.append(caption, area);
    backdrop.append(box);
    document.body.append(backdrop);
    if (fields.length) fields[0].input.focus();
  },

  closeDialog() {
    const backdrop = document.getElementById('dialog');
    if (backdrop) backdrop.remove();
    this.dialogOpen = false;
  },

  // Each presented frame, for a test that compares them with the headless
  // runner's (only with ?test in the address).
  framePresented(pixels, width, height) {
    const source = new Uint8Array(Module.HEAPU8.buffer, pixels, width * height * 4);
    const image = new ImageData(width, height);
    for (let i = 0; i < width * height * 4; i += 4) {
      image.data[i] = source[i + 2];
      image.data[i + 1] = source[i + 1];
      image.data[i + 2] = source[i];
      image.data[i + 3] = 255;
    }
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.getContext('2d').putImageData(image, 0, 0);
    this.frames.push(canvas.toDataURL('image/png'));
  },

  // How many frames had come when a playback ended: the program may go on
  // presenting frames of its own after it, which a test leaves out.
  notePlayback(menu) {
    const item = menu.flatMap((top) => top.items).find((i) => i.label === '&Playback Script');
    if (!item) return;
    if (this.playing && !item.checked) this.playbackEndFrames = this.frames.length;
    this.playing = item.checked;
  },
  playing: false,
  playbackEndFrames: null,

  // The program is about to sleep: what it recorded goes to storage now,
  // so that closing the page loses nothing.
  idle() {
    // The file's node itself, not FS.stat or FS.readFile: this runs before
    // every sleep, and a missing file would cost an exception each time.
    const node = FS.root.contents['ZIVRO.SCR'];
    if (!node || !node.contents) return;
    const bytes = node.contents.subarray(0, node.usedBytes);
    const stored = this.storedScript;
    if (stored && stored.length === bytes.length && stored.every((b, i) => b === bytes[i])) return;
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    }
    try {
      localStorage.setItem(storageKey, text);
      this.storedScript = bytes.slice();
      this.status('');
    } catch (error) {
      this.status('The script could not be stored in this browser: ' + error.message);
    }
  },

  sleep(ms) {
    if (benchHooks && timings.resumedAt) timings.busy.push(performance.now() - timings.resumedAt);
    return new Promise((resolve) => {
      let timer = 0;
      const done = () => {
        if (this.wake !== done) return;
        this.wake = null;
        clearTimeout(timer);
        if (benchHooks) timings.resumedAt = performance.now();
        resolve();
      };
      this.wake = done;
      if (ms >= 0) timer = setTimeout(done, ms);
    });
  },

  programEnded(code) {
    if (this.ended !== null) return;
    this.idle();
    this.ended = code;
    this.closePopup();
    this.status('The program has ended' + (code ? ' with status ' + code : '') + '.');
  },

  // --- the page's own ---------------------------------------------------

  call(name, ...args) {
    if (this.ended !== null) return;
    Module[name](...args);
    if (this.wake) this.wake();
  },

  status(text) {
    document.getElementById('status').textContent = text;
  },

  listenToMouse(win) {
    const canvas = win.canvas;
    const at = (event) => {
      const rect = canvas.getBoundingClientRect();
      return [Math.floor(event.clientX - rect.left), Math.floor(event.clientY - rect.top)];
    };
    // The MK_ flags Windows sends with a mouse message: the buttons held,
    // as the page has seen them go down and up, and Shift and Ctrl. The
    // browser's own count of the buttons (event.buttons) is not enough:
    // after one button of two comes up, the moves Chromium reports next may
    // still count it. A button it no longer counts is taken as up all the
    // same (its release went elsewhere).
    const bits = [0x01, 0x10, 0x02]; // MK_LBUTTON, MK_MBUTTON, MK_RBUTTON by event.button
    let held = 0;
    const counted = (event) => (event.buttons & 1 ? 0x01 : 0) |
      (event.buttons & 2 ? 0x02 : 0) | (event.buttons & 4 ? 0x10 : 0);
    const flags = (event) => held | (event.shiftKey ? 0x04 : 0) | (event.ctrlKey ? 0x08 : 0);
    const downs = [0x201, 0x207, 0x204];
    const ups = [0x202, 0x208, 0x205];
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button > 2) return;
      this.closePopup();
      canvas.setPointerCapture(event.pointerId);
      this.call('_web_activate', win.id);
      const [x, y] = at(event);
      held = (held & counted(event)) | bits[event.button];
      this.call('_web_mouse', win.id, downs[event.button], event.button === 0 ? 1 : flags(event), x, y);
    });
    canvas.addEventListener('pointerup', (event) => {
      if (event.button > 2) return;
      const [x, y] = at(event);
      held &= ~bits[event.button] & counted(event);
      this.call('_web_mouse', win.id, ups[event.button], event.button === 0 ? 0 : flags(event), x, y);
    });
    // A button pressed or let go while another is held comes as a move
    // that names the button (a chord); Windows posts its down or up.
    canvas.addEventListener('pointermove', (event) => {
      const [x, y] = at(event);
      if (event.button >= 0 && event.button <= 2) {
        const down = (held & bits[event.button]) === 0;
        held = down ? held | bits[event.button] : held & ~bits[event.button];
        this.call('_web_mouse', win.id, (down ? downs : ups)[event.button], flags(event), x, y);
        return;
      }
      held &= counted(event);
      this.call('_web_mouse', win.id, 0x200, flags(event), x, y);
    });
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
    // The middle button is the program's, not the browser's autoscroll.
    canvas.addEventListener('mousedown', (event) => {
      if (event.button === 1) event.preventDefault();
    });
  },

  // Keys of an open popup: arrows, Enter, Escape and the items' mnemonics.
  popupKey(event) {
    const popup = this.openPopup;
    const live = popup.rows.map((entry, i) => i).filter((i) => !popup.rows[i].item.grayed);
    const step = (direction) => {
      if (!live.length) return;
      const at = live.indexOf(popup.selected);
      this.select(live[(at + direction + live.length + (at < 0 && direction < 0 ? 1 : 0)) % live.length]);
    };
    if (event.key === 'Escape' || event.key === 'Alt' || event.key === 'F10') {
      this.closePopup();
    } else if (event.key === 'ArrowDown') {
      step(1);
    } else if (event.key === 'ArrowUp') {
      step(-1);
    } else if (event.key === 'Enter' && popup.selected >= 0) {
      this.command(popup.id, popup.rows[popup.selected].item.id);
    } else if (event.key.length === 1) {
      const found = popup.rows.find(
        (entry) => !entry.item.grayed && mnemonicOf(entry.item.label) === event.key.toLowerCase());
      if (found) this.command(popup.id, found.item.id);
    }
  },

  key(event, down) {
    if (this.dialogOpen || this.ended !== null) return;
    if (event.target instanceof HTMLInputElement) return;
    if (this.openPopup) {
      if (down) this.popupKey(event);
      event.preventDefault();
      return;
    }
    // The character the key types, as a code point (the layer finds its
    // Windows-1252 byte); -1 for a key that types none.
    const typed = [...event.key];
    const character = typed.length === 1 ? typed[0].codePointAt(0) : -1;
    const physical = event.code || 'char:' + event.key;
    if (!this.physicalKeys.has(physical)) this.physicalKeys.set(physical, this.physicalKeys.size + 1);
    // The browser does not act on the keys the program takes: Ctrl letters
    // (the run menu's shortcuts), Alt and F10 (the menu), typing, Tab, Space
    // and arrows. It keeps its function keys and its other Ctrl keys
    // (reload, zoom, developer tools); the program sees them all the same.
    const browserKey = (/^F([0-9]|1[1-9]|2[0-4])$/.test(event.code)) ||
      (event.ctrlKey && (event.shiftKey || !/^Key[A-Z]$/.test(event.code)));
    if (!browserKey) event.preventDefault();
    this.call('_web_key', 0, down ? 1 : 0, this.physicalKeys.get(physical),
      virtualKey(event.code), character, event.shiftKey ? 1 : 0, event.ctrlKey ? 1 : 0,
      event.altKey ? 1 : 0, event.getModifierState('CapsLock') ? 1 : 0);
  },
  physicalKeys: new Map(),

  readScript() {
    try {
      return latin1Bytes(localStorage.getItem(storageKey) || '');
    } catch (error) {
      return new Uint8Array();
    }
  },

  downloadScript() {
    let bytes;
    try {
      bytes = FS.readFile(scriptPath);
    } catch (error) {
      bytes = this.readScript();
    }
    if (!bytes.length) {
      this.status('No script recorded yet: Run > Record Script (Ctrl+R) records one.');
      return;
    }
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    link.download = 'ZIVRO.SCR';
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  },

  // A script file the user picks becomes the stored ZIVRO.SCR and plays.
  async playPicked(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    FS.writeFile(scriptPath, bytes);
    this.storedScript = null;
    this.idle();
    for (const win of this.windows.values()) {
      for (const top of win.menu) {
        const item = top.items.find((entry) => entry.label === '&Playback Script');
        if (item && !item.grayed) {
          this.command(win.id, item.id);
          return;
        }
      }
    }
    this.status('Stored as ZIVRO.SCR; the program has no Playback Script command free now.');
  },
};

document.addEventListener('keydown', (event) => ZivroPage.key(event, true));
document.addEventListener('keyup', (event) => ZivroPage.key(event, false));
document.addEventListener('mousedown', (event) => {
  if (ZivroPage.openPopup && !event.target.closest('.menubar')) {
    ZivroPage.closePopup();
  }
});
// Closing the page closes the program's window, as the close box does.
window.addEventListener('pagehide', () => {
  ZivroPage.call('_web_close', 0);
  ZivroPage.idle();
});
document.getElementById('download').addEventListener('click', () => ZivroPage.downloadScript());
document.getElementById('pick').addEventListener('change', (event) => {
  if (event.target.files.length) ZivroPage.playPicked(event.target.files[0]);
  event.target.value = '';
});
if (benchHooks) window.zivroBench = timings;
if (testHooks) {
  window.zivroTest = {
    frameCount: () => ZivroPage.frames.length,
    frame: (i) => ZivroPage.frames[i],
    ended: () => ZivroPage.ended,
    playbackEndFrames: () => ZivroPage.playbackEndFrames,
  };
}

var Module = {
  arguments: testHooks ? ['--test-hooks'].concat(query.has('play') ? ['--play-at-start'] : []) : [],
  preRun: [
    () => {
      const stored = ZivroPage.readScript();
      if (stored.length) FS.writeFile(scriptPath, stored);
      ZivroPage.storedScript = stored;
    },
  ],
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onExit: (code) => ZivroPage.programEnded(code),
};

if (programName) {
  document.title = programName + ' - ZIVRO';
  const script = document.createElement('script');
  script.src = programName + '.js';
  script.onerror = () => ZivroPage.status('There is no program called ' + programName + ' here.');
  document.body.append(script);
} else {
  ZivroPage.status('Name a program in the address: play.html?cargame');
}
