// The page of a ZIVRO program: its windows (caption, menu bar, canvas), the
// modal dialog, the script file kept in the browser's storage (IndexedDB,
// each write of the program stored durably), and the input handed to the
// program (web_layer.cpp) as Windows messages.
'use strict';

const query = new URLSearchParams(location.search);
// A program's own page (NAME.html) names it; play.html?NAME runs any.
const ownPage = document.querySelector('meta[name="zivro-program"]');
const programName = ownPage ? ownPage.content
  : [...query.keys()].find((key) => /^[a-z0-9-]+$/.test(key) && key !== 'test');
// A page of one file holds the program, its wasm and its data.
const inlined = document.getElementById('zivro-program');
const testHooks = query.has('test');
// With ?bench the page times the program's work between two sleeps and its
// own painting, for bench/web_cpu.sh.
const benchHooks = query.has('bench');
const timings = { busy: [], paint: [], resumedAt: 0 };
const scriptPath = '/ZIVRO.SCR';
// Where earlier versions of the page kept the script (localStorage): read
// once and moved into IndexedDB.
const legacyKey = 'zivro:' + programName + ':ZIVRO.SCR';
// Set when storing the script failed and the store could not be marked so:
// localStorage has its own quota, apart from IndexedDB's.
const lostKey = 'zivro:' + programName + ':ZIVRO.SCR:incomplete';

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

function latin1Text(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 8192) {
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
  }
  return text;
}

// --- ZIVRO.SCR in IndexedDB ------------------------------------------------
//
// Database "zivro": store "scripts" holds each program's {length, lost}, store
// "blocks" the file in blocks of blockSize bytes under [program, index]. A
// transaction that completes with "strict" durability is on disk: a browser
// killed after it keeps the script as that transaction left it.
const blockSize = 16384;

const ScriptStore = {
  database: null,

  open() {
    if (!this.database) {
      this.database = new Promise((resolve, reject) => {
        const request = indexedDB.open('zivro', 1);
        request.onupgradeneeded = () => {
          request.result.createObjectStore('scripts');
          request.result.createObjectStore('blocks');
        };
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => reject(request.error);
      });
    }
    return this.database;
  },

  done(transaction) {
    return new Promise((resolve, reject) => {
      transaction.oncomplete = () => resolve();
      transaction.onabort = () => reject(transaction.error || new DOMException('aborted', 'AbortError'));
    });
  },

  // The stored script as {bytes, lost}, or null when none is stored.
  async read(program) {
    const transaction = (await this.open()).transaction(['scripts', 'blocks'], 'readonly');
    const range = IDBKeyRange.bound([program, 0], [program, Infinity]);
    const meta = transaction.objectStore('scripts').get(program);
    const keys = transaction.objectStore('blocks').getAllKeys(range);
    const blocks = transaction.objectStore('blocks').getAll(range);
    await this.done(transaction);
    if (!meta.result) return null;
    const bytes = new Uint8Array(meta.result.length);
    keys.result.forEach((key, i) => {
      const at = key[1] * blockSize;
      if (at < bytes.length) bytes.set(blocks.result[i].subarray(0, bytes.length - at), at);
    });
    return { bytes, lost: !!meta.result.lost };
  },

  // Stores the file's length and the given blocks ([index, bytes]), and
  // drops any block past the end, in one durable transaction.
  async write(program, length, blocks) {
    const transaction = (await this.open()).transaction(['scripts', 'blocks'], 'readwrite',
      { durability: 'strict' });
    const store = transaction.objectStore('blocks');
    for (const [index, bytes] of blocks) store.put(bytes, [program, index]);
    store.delete(IDBKeyRange.bound([program, Math.ceil(length / blockSize)], [program, Infinity]));
    transaction.objectStore('scripts').put({ length, lost: false }, program);
    await this.done(transaction);
  },

  // The whole of bytes as the program's script.
  replace(program, bytes) {
    const blocks = [];
    for (let at = 0; at < bytes.length; at += blockSize) {
      blocks.push([at / blockSize, bytes.slice(at, at + blockSize)]);
    }
    return this.write(program, bytes.length, blocks);
  },

  // Marks the stored script as not the whole of what was written.
  async markLost(program) {
    const transaction = (await this.open()).transaction('scripts', 'readwrite',
      { durability: 'strict' });
    const scripts = transaction.objectStore('scripts');
    const meta = scripts.get(program);
    meta.onsuccess = () => scripts.put(Object.assign({ length: 0 }, meta.result, { lost: true }), program);
    await this.done(transaction);
  },
};

// --- this tab's ZIVRO.SCR and its stored copy --------------------------------
//
// The program writes ZIVRO.SCR in Emscripten's in-memory file system, a line
// at a time and the line of a run of ticks rewritten in place. The file's
// node is watched: each write marks the blocks it touched, and once the
// program's slice of work ends (a microtask) the marked blocks are stored in
// one transaction. One transaction is in flight at a time; the writes made
// meanwhile go in the next, so a kill loses at most what the last
// transaction had not yet made durable.
//
// One tab stores a program's script at a time: a tab that starts writing the
// file takes a Web Lock for it until the file is closed and stored. A tab
// that finds the lock held keeps its script to itself (the page says so, and
// Download saves it); the tab holding the lock is told.
const ScriptFile = {
  node: null,
  dirty: new Set(), // blocks written since the last store
  changed: false, // the file differs from what was last handed to storage
  storing: false,
  scheduled: false,
  writers: 0, // streams open for writing on the file
  lock: 'none', // 'asking', 'held', or 'taken' by another tab
  release: null,
  localOnly: false, // this tab's script is not the stored one
  failure: null, // storing failed: nothing more is stored until the file is emptied
  unavailable: null, // the browser gives the page no IndexedDB
  quiet: false, // the page itself is writing what storage already has
  legacy: false, // the file came from localStorage and goes to IndexedDB
  attempts: 0, // transactions started, for the tests
  waiters: [],
  channel: null,

  watch() {
    const root = FS.root;
    const directoryOps = root.node_ops;
    root.node_ops = Object.assign({}, directoryOps, {
      mknod: (parent, name, mode, dev) => {
        const node = directoryOps.mknod(parent, name, mode, dev);
        if (name === scriptPath.slice(1)) this.watchNode(node);
        return node;
      },
    });
    const existing = root.contents[scriptPath.slice(1)];
    if (existing) this.watchNode(existing);
    if ('BroadcastChannel' in window) {
      this.channel = new BroadcastChannel(lockName());
      this.channel.onmessage = (event) => this.heard(event.data);
    }
  },

  watchNode(node) {
    this.node = node;
    const streamOps = node.stream_ops;
    const nodeOps = node.node_ops;
    const writable = (stream) => (stream.flags & 3) !== 0; // O_WRONLY or O_RDWR
    node.stream_ops = Object.assign({}, streamOps, {
      open: (stream) => {
        if (streamOps.open) streamOps.open(stream);
        if (!this.quiet && writable(stream)) this.opened();
      },
      close: (stream) => {
        if (streamOps.close) streamOps.close(stream);
        if (!this.quiet && writable(stream)) this.closed();
      },
      write: (stream, buffer, offset, length, position, canOwn) => {
        const written = streamOps.write(stream, buffer, offset, length, position, canOwn);
        if (!this.quiet && written > 0) {
          for (let i = Math.floor(position / blockSize); i <= Math.floor((position + written - 1) / blockSize); ++i) {
            this.dirty.add(i);
          }
          this.wrote();
        }
        return written;
      },
    });
    node.node_ops = Object.assign({}, nodeOps, {
      setattr: (target, attributes) => {
        nodeOps.setattr(target, attributes);
        if (this.quiet || attributes.size === undefined) return;
        // Emptied: a new recording or a picked file, stored afresh.
        if (attributes.size === 0) this.failure = null;
        if (attributes.size % blockSize) this.dirty.add(Math.floor(attributes.size / blockSize));
        this.wrote();
      },
    });
  },

  opened() {
    ++this.writers;
    if (this.lock === 'none') this.askLock();
  },

  closed() {
    --this.writers;
    this.schedule();
  },

  wrote() {
    this.changed = true;
    this.schedule();
  },

  askLock() {
    if (!navigator.locks) {
      this.lock = 'held'; // no other tab can be told apart
      this.storeWhole();
      return;
    }
    this.lock = 'asking';
    navigator.locks.request(lockName(), { ifAvailable: true }, (lock) => {
      if (!lock) {
        this.lock = 'taken';
        this.localOnly = true;
        if (this.channel) this.channel.postMessage('blocked');
        ZivroPage.status('Another tab of ' + programName + ' is recording ZIVRO.SCR: the script ' +
          'of this tab is not stored (Download ZIVRO.SCR saves it).');
        this.schedule();
        return undefined;
      }
      this.lock = 'held';
      this.localOnly = false;
      // Another tab may have stored a script since: all of this one goes.
      this.storeWhole();
      return new Promise((resolve) => { this.release = resolve; });
    });
  },

  storeWhole() {
    const length = this.node ? this.node.usedBytes : 0;
    for (let i = 0; i * blockSize < length; ++i) this.dirty.add(i);
    this.wrote();
  },

  schedule() {
    if (this.scheduled) return;
    this.scheduled = true;
    queueMicrotask(() => {
      this.scheduled = false;
      this.store();
    });
  },

  // Nothing is being stored, nor waits to be.
  settledNow() {
    return !this.storing && !this.scheduled && this.lock !== 'asking' &&
      !(this.changed && this.lock === 'held' && !this.failure && !this.unavailable);
  },

  settled() {
    return this.settledNow() ? Promise.resolve() : new Promise((resolve) => this.waiters.push(resolve));
  },

  async store() {
    if (this.storing) return;
    if (this.changed && this.lock === 'held' && !this.failure && !this.unavailable) {
      const node = this.node;
      const length = node ? node.usedBytes : 0;
      const blocks = [...this.dirty].filter((i) => i * blockSize < length).sort((a, b) => a - b)
        .map((i) => [i, node.contents.slice(i * blockSize, Math.min(length, (i + 1) * blockSize))]);
      this.dirty.clear();
      this.changed = false;
      this.storing = true;
      ++this.attempts;
      try {
        await ScriptStore.write(programName, length, blocks);
        try {
          localStorage.removeItem(lostKey);
          if (this.legacy) localStorage.removeItem(legacyKey);
        } catch (error) {
          // nothing to tidy where localStorage is refused
        }
        this.legacy = false;
      } catch (error) {
        this.failed(error);
      }
      this.storing = false;
      this.schedule();
      return;
    }
    if (this.writers === 0 && this.lock === 'held' && (!this.changed || this.failure)) {
      this.lock = 'none';
      this.release();
      if (this.channel) this.channel.postMessage('stored');
    } else if (this.writers === 0 && this.lock === 'taken') {
      this.lock = 'none';
    }
    if (this.settledNow()) this.waiters.splice(0).forEach((resolve) => resolve());
  },

  // Storing failed (the quota, most likely): the script stays whole in the
  // page, the stored copy stays as the last transaction left it, and the
  // page tries no more until the file is emptied.
  failed(error) {
    this.failure = error;
    ZivroPage.status('ZIVRO.SCR could not be stored in this browser (' + error.name +
      (error.message ? ': ' + error.message : '') + '): the stored copy is incomplete and ' +
      'no more of it is stored. Download ZIVRO.SCR saves all of it.');
    try {
      localStorage.setItem(lostKey, '1');
    } catch (ignored) {
      // the mark in IndexedDB below may still be kept
    }
    ScriptStore.markLost(programName).catch(() => {});
  },

  // Another tab of the program: it found the lock taken, or it has stored
  // its script, which this tab then plays and downloads (unless it holds a
  // script of its own or has the file open).
  async heard(message) {
    if (message === 'blocked' && this.lock === 'held') {
      ZivroPage.status('Another tab of ' + programName + ' is recording too: the stored ' +
        'ZIVRO.SCR is the script of this tab.');
    }
    if (message !== 'stored' || this.localOnly || this.writers || this.lock !== 'none') return;
    if (FS.streams.some((stream) => stream && stream.node === this.node)) return;
    let stored;
    try {
      stored = await ScriptStore.read(programName);
    } catch (error) {
      return;
    }
    if (this.writers || this.localOnly) return;
    this.quiet = true;
    try {
      FS.writeFile(scriptPath, stored ? stored.bytes : new Uint8Array());
    } finally {
      this.quiet = false;
    }
  },
};

function lockName() {
  return 'zivro:' + programName + ':ZIVRO.SCR';
}

const ZivroPage = {
  windows: new Map(), // id -> {element, canvas, menubar, menu}
  dirty: new Set(),
  paintRequested: false,
  wake: null,
  openPopup: null, // {id, index, element, items, selected}
  dialogOpen: false,
  initialScript: new Uint8Array(),
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
      win.shownWidth = 0; // cleared: the next painting sends the whole surface
    }
    this.fitCanvas(win);
  },

  // Each pixel of the surface as a whole number of the screen's pixels,
  // drawn without smoothing (zivro.css): at a device pixel ratio of 2 a
  // 2 x 2 block. At ratios between whole numbers the canvas takes the
  // nearest whole multiple, so it grows or shrinks a little.
  fitCanvas(win) {
    const ratio = window.devicePixelRatio || 1;
    const scale = Math.max(1, Math.round(ratio)) / ratio;
    win.canvas.style.width = win.canvas.width * scale + 'px';
    win.canvas.style.height = win.canvas.height * scale + 'px';
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
      if (!win) continue;
      const pixels = Module._web_window_rgba(id);
      if (!pixels) continue;
      const width = Module._web_window_width(id);
      const height = Module._web_window_height(id);
      if (!width || !height) continue;
      if (win.canvas.width !== width || win.canvas.height !== height) {
        win.canvas.width = width;
        win.canvas.height = height;
        this.fitCanvas(win);
      }
      // The layer's buffer is seen in place, through one ImageData for as
      // long as the buffer stays where it is; only the rectangles that
      // changed go to the canvas, unless the canvas was cleared (made,
      // resized) since it last took the whole of the buffer.
      let image = win.image;
      if (!image || image.data.buffer !== Module.HEAPU8.buffer || win.imageAt !== pixels ||
        image.width !== width || image.height !== height) {
        image = win.image = new ImageData(
          new Uint8ClampedArray(Module.HEAPU8.buffer, pixels, width * height * 4), width, height);
        win.imageAt = pixels;
      }
      if (win.shownWidth !== win.canvas.width || win.shownHeight !== win.canvas.height) {
        win.context.putImageData(image, 0, 0);
        win.shownWidth = win.canvas.width;
        win.shownHeight = win.canvas.height;
        continue;
      }
      const changes = Module._web_window_changes() >> 2;
      const heap = new Int32Array(Module.HEAPU8.buffer);
      for (let i = 0, at = changes + 1; i < heap[changes]; ++i, at += 4) {
        win.context.putImageData(image, 0, 0, heap[at], heap[at + 1], heap[at + 2], heap[at + 3]);
      }
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
    this.frames.push(this.surfacePng(pixels, width, height));
  },

  // A surface of the wasm memory (0x00RRGGBB words) as a PNG data address.
  surfacePng(pixels, width, height) {
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
    return canvas.toDataURL('image/png');
  },

  // ZIVRO_save_png in the page: the surface (0x00RRGGBB words) as a PNG
  // download of the name the program gave, without its directories.
  savePicture(pixels, width, height, name) {
    const link = document.createElement('a');
    link.href = this.surfacePng(pixels, width, height);
    link.download = name.split(/[\\/]/).pop() || 'canvas.png';
    if (testHooks) this.savedPictures.push({ name: link.download, png: link.href });
    document.body.append(link);
    link.click();
    link.remove();
  },
  savedPictures: [],

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
    // Client coordinates in the surface's pixels (fitCanvas may have scaled it).
    const at = (event) => {
      const rect = canvas.getBoundingClientRect();
      return [Math.floor((event.clientX - rect.left) * (canvas.width / rect.width || 1)),
        Math.floor((event.clientY - rect.top) * (canvas.height / rect.height || 1))];
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
    // The wheel: a notch a step (WHEEL_DELTA in the high word), positive
    // turned away from the user, the position in client pixels.
    canvas.addEventListener('wheel', (event) => {
      if (!event.deltaY) return;
      const [x, y] = at(event);
      const delta = event.deltaY < 0 ? 120 : -120;
      this.call('_web_mouse', win.id, 0x20a, ((delta & 0xffff) << 16) | flags(event), x, y);
    }, { passive: true });
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

  // The item of the run menu with this label, if the program has it.
  runItem(label) {
    for (const win of this.windows.values()) {
      for (const top of win.menu) {
        const item = top.items.find((entry) => entry.label === label);
        if (item) return { win, item };
      }
    }
    return null;
  },

  recording() {
    const found = this.runItem('&Record Script');
    return !!found && found.item.checked;
  },

  scriptBytes() {
    try {
      return FS.readFile(scriptPath);
    } catch (error) {
      return this.initialScript;
    }
  },

  downloadScript() {
    const bytes = this.scriptBytes();
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

  // A script file the user picks becomes the stored ZIVRO.SCR and plays; not
  // while a recording writes that file.
  async playPicked(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (this.recording()) {
      this.status('A script cannot be picked while recording: stop the recording first ' +
        '(Run > Record Script, Ctrl+R).');
      return;
    }
    FS.writeFile(scriptPath, bytes);
    const found = this.runItem('&Playback Script');
    if (found && !found.item.grayed) {
      this.command(found.win.id, found.item.id);
      return;
    }
    this.status('Stored as ZIVRO.SCR; the program has no Playback Script command free now.');
  },

  // Starts the program again with the stored script playing from its very
  // start, as the headless runner's --play does: the first tick and the
  // answer of a dialog before the first wait come from the script.
  async playFromStart() {
    if (this.recording()) {
      this.status('Stop the recording first (Run > Record Script, Ctrl+R), then play it from the start.');
      return;
    }
    if (ScriptFile.localOnly) {
      this.status('The ZIVRO.SCR of this tab is not stored, another tab\'s is: download this ' +
        'one, then pick it when the other tab has stopped recording.');
      return;
    }
    if (!this.scriptBytes().length) {
      this.status('No script to play: record one (Run > Record Script, Ctrl+R) or pick a file.');
      return;
    }
    await ScriptFile.settled();
    location.search = '?' + [...query.keys()].filter((key) => key !== 'play').concat('play').join('&');
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
window.addEventListener('pagehide', () => ZivroPage.call('_web_close', 0));
// The canvases follow the device pixel ratio (zoom, another screen).
function watchPixelRatio() {
  matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)').addEventListener('change', () => {
    for (const win of ZivroPage.windows.values()) ZivroPage.fitCanvas(win);
    watchPixelRatio();
  }, { once: true });
}
watchPixelRatio();
document.getElementById('download').addEventListener('click', () => ZivroPage.downloadScript());
document.getElementById('pick').addEventListener('change', (event) => {
  if (event.target.files.length) ZivroPage.playPicked(event.target.files[0]);
  event.target.value = '';
});
document.getElementById('play-start').addEventListener('click', () => ZivroPage.playFromStart());
if (benchHooks) window.zivroBench = timings;
if (testHooks) {
  window.zivroTest = {
    frameCount: () => ZivroPage.frames.length,
    frame: (i) => ZivroPage.frames[i],
    ended: () => ZivroPage.ended,
    playbackEndFrames: () => ZivroPage.playbackEndFrames,
    savedPictures: () => ZivroPage.savedPictures,
    status: () => document.getElementById('status').textContent,
    // The script as this tab's file holds it, and as storage holds it (null
    // when none), once this tab's writes are stored.
    file: () => {
      const node = FS.root.contents[scriptPath.slice(1)];
      return node ? latin1Text(node.contents ? node.contents.subarray(0, node.usedBytes) : []) : null;
    },
    stored: async (program) => {
      await ScriptFile.settled();
      const stored = await ScriptStore.read(program);
      return stored && latin1Text(stored.bytes);
    },
    store: (program, text) => ScriptStore.replace(program, latin1Bytes(text)),
    storeSettled: () => ScriptFile.settledNow(),
    storeAttempts: () => ScriptFile.attempts,
    storeLock: () => ScriptFile.lock,
  };
}

var Module = {
  arguments: (testHooks ? ['--test-hooks'] : []).concat(query.has('play') ? ['--play', scriptPath] : []),
  // Once the program's data is unpacked: a stored script replaces the one
  // the program may ship as its ZIVRO.SCR.
  onRuntimeInitialized: () => {
    if (ZivroPage.initialScript.length) FS.writeFile(scriptPath, ZivroPage.initialScript);
    ScriptFile.watch();
    if (ScriptFile.legacy) ScriptFile.askLock();
  },
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onExit: (code) => ZivroPage.programEnded(code),
};

// Opened from a file, the page cannot load its program: say what to do.
function showServeNotice() {
  const notice = document.createElement('div');
  notice.className = 'notice';
  notice.innerHTML = '<p>This page has been opened from a file, and a browser lets such a page ' +
    'load no program. Serve the folder it is in and open it from there:</p>' +
    '<ul><li>in the source tree, <code>scripts/web.sh</code> builds it and serves it on ' +
    '<code>http://localhost:8000/</code>;</li>' +
    '<li>in the folder of this page, <code>python3 -m http.server</code> serves it on ' +
    '<code>http://localhost:8000/</code>.</li></ul>';
  const page = ownPage ? location.pathname.split('/').pop() : 'play.html?' + (programName || 'cargame');
  notice.append('Then open http://localhost:8000/' + page + '.');
  document.getElementById('windows').append(notice);
  ZivroPage.status('Opened from a file: serve this folder to run the program.');
}

async function startProgram() {
  if (location.protocol === 'file:' && !inlined) {
    showServeNotice();
    return;
  }
  if (!programName) {
    ZivroPage.status('Name a program in the address: play.html?cargame');
    return;
  }
  document.title = programName + ' - ZIVRO';
  // "play" is for this start only: a reload runs the program as usual.
  if (query.has('play')) {
    history.replaceState(null, '', '?' + [...query.keys()].filter((key) => key !== 'play').join('&'));
  }
  let stored = null;
  try {
    stored = await ScriptStore.read(programName);
  } catch (error) {
    ScriptFile.unavailable = error;
    ZivroPage.status('This browser gives the page no storage (' + error.name + '): a recording ' +
      'lasts while the page is open; Download ZIVRO.SCR saves it.');
  }
  let lost = false;
  try {
    lost = !!localStorage.getItem(lostKey);
    const legacy = localStorage.getItem(legacyKey);
    if (!stored && legacy !== null) {
      stored = { bytes: latin1Bytes(legacy), lost: false };
      ScriptFile.legacy = !ScriptFile.unavailable;
    }
  } catch (error) {
    // localStorage refused: nothing kept there
  }
  if (stored) ZivroPage.initialScript = stored.bytes;
  if (lost || (stored && stored.lost)) {
    ZivroPage.status('The stored ZIVRO.SCR is incomplete: this browser\'s storage refused part ' +
      'of the script last recorded or picked here. Download ZIVRO.SCR saves what is kept.');
  }
  const script = document.createElement('script');
  if (inlined) {
    Module.wasmBinary = inlinedBytes('zivro-wasm');
    const data = inlinedBytes('zivro-data');
    Module.getPreloadedPackage = () => data.buffer;
    script.textContent = inlined.textContent;
  } else {
    script.src = programName + '.js';
    script.onerror = () => ZivroPage.status('There is no program called ' + programName + ' here.');
  }
  document.body.append(script);
}

// The bytes of an element of a page of one file, written there in base64.
function inlinedBytes(id) {
  const text = atob(document.getElementById(id).textContent);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}

startProgram();
