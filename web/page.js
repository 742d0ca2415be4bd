'use strict';
// The page around the editor: hands the user's files to the program's in-memory file system,
// offers what it writes as downloads, and keeps the work in the browser's storage.

const WORK_KEY = 'velloran.work';          // localStorage: both message files, one item
const ROM_DB = 'velloran', ROM_STORE = 'rom', ROM_KEY = 'rom'; // IndexedDB: the ROM image
const TABLE_PATH = '/work/table', DATA_PATH = '/work/nes_message_data_static';
const KEEP_POLL_MS = 1000;
const TEXT_LABELS = ['English', 'German', 'French', 'Credits']; // helper's order of the texts

const canvas = document.getElementById('canvas');
const statusLine = document.getElementById('status');
const progress = document.getElementById('progress');
const findings = document.getElementById('findings');
const textChoice = document.getElementById('text');

// Timings the tests read (performance.now() values).
const timings = { firstFrame: 0, frames: [] };
window.velloranTimings = timings;
let frameStart = 0;

var Module = {
  canvas: canvas,
  keyboardListeningElement: canvas, // keys typed into the page's own controls stay there
  preRun: [restoreWork],
  postRun: [() => call('WebUseText', [keptText])],
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  preMainLoop: () => { frameStart = performance.now(); },
  postMainLoop: () => {
    const now = performance.now();
    if (!timings.firstFrame) {
      timings.firstFrame = now;
      canvas.focus();
      showTexts();
      say(Module.ccall('WebFilesOpen', 'number', [], []) ? 'Work restored from the last visit'
          : 'Open a ROM image, the two message files or a script, or press "Try it"');
      if (keepFailure) say(keepFailure);
    }
    if (timings.frames.length < 2000) timings.frames.push(now - frameStart);
  },
};

function say(text) { statusLine.textContent = text; }
function call(name, args) {
  return Module.ccall(name, 'number', (args || []).map((a) => typeof a === 'string' ? 'string' : 'number'), args || []);
}
function glueText(name) { return Module.UTF8ToString(Module.ccall(name, 'number', [], [])); }
function message() { return glueText('WebMessage'); }
function busy(on, value) {
  progress.hidden = !on;
  if (value === undefined) progress.removeAttribute('value'); else progress.value = value;
}
// Lets the page paint the status and the progress bar before a long call.
function afterPaint(work) { requestAnimationFrame(() => setTimeout(work, 0)); }

// ---- Keys ----
// While the editor has the focus, the browser's own shortcuts must not take the editor's keys.
// Other keys keep their keypress, which carries the typed character.
const CTRL_KEYS = new Set(['s', 'z', 'y', 'g', 'j']);
const PLAIN_KEYS = new Set(['Escape', 'PageUp', 'PageDown', 'Home', 'End', 'ArrowUp', 'ArrowDown',
                            'ArrowLeft', 'ArrowRight', ' ', 'Backspace', 'Tab', 'Enter']);
document.addEventListener('keydown', (event) => {
  if (document.activeElement !== canvas) return;
  if (((event.ctrlKey || event.metaKey) && CTRL_KEYS.has(event.key.toLowerCase())) || PLAIN_KEYS.has(event.key))
    event.preventDefault();
}, true);
canvas.addEventListener('mousedown', () => canvas.focus());

// ---- Bytes and storage ----
function toBase64(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}
function fromBase64(text) {
  const raw = atob(text);
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
  return bytes;
}
function openRomDb() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(ROM_DB, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(ROM_STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}
function romDbDo(mode, work) {
  return openRomDb().then((db) => new Promise((resolve, reject) => {
    const tx = db.transaction(ROM_STORE, mode);
    const request = work(tx.objectStore(ROM_STORE));
    tx.oncomplete = () => { db.close(); resolve(request.result); };
    tx.onerror = tx.onabort = () => { db.close(); reject(tx.error || request.error); };
  }));
}
function storageFailed(error) {
  return 'Your work could not be kept in the browser\'s storage (' + (error && error.message || error) +
         '); download it before you leave the page.';
}
let keepFailure = '';
let keptStamp = '';
let keptText = 0;

// Both message files as one item, so a stored pair is always a whole pair; with them the text of
// the ROM image they belong to, so the patched image takes them back into that text.
function keepWork() {
  const FS = Module.FS;
  try {
    if (!call('WebFilesOpen')) {
      localStorage.removeItem(WORK_KEY);
      keptStamp = '';
      return true;
    }
    const text = call('WebRomText');
    const stamp = FS.stat(TABLE_PATH).mtime.getTime() + ':' + FS.stat(DATA_PATH).mtime.getTime() + ':' + text;
    if (stamp === keptStamp) return true;
    localStorage.setItem(WORK_KEY, JSON.stringify({
      table: toBase64(FS.readFile(TABLE_PATH)), data: toBase64(FS.readFile(DATA_PATH)), text: text }));
    keptStamp = stamp;
    keepFailure = '';
    return true;
  } catch (error) {
    keepFailure = storageFailed(error);
    say(keepFailure);
    return false;
  }
}
// Edits not yet written are committed and written first, as Ctrl+S does.
function keepEverything() {
  if (!Module.calledRun) return;
  if (call('WebFilesOpen') && call('WebHasUnsavedChanges')) call('WebSaveFiles');
  keepWork();
}
window.addEventListener('pagehide', keepEverything);
window.addEventListener('beforeunload', keepEverything);
document.addEventListener('visibilitychange', () => { if (document.hidden) keepEverything(); });
// Ctrl+S, Escape and the page's own saves write the files; what they wrote is kept soon after.
setInterval(() => { if (Module.calledRun) keepWork(); }, KEEP_POLL_MS);

function keepRom(name, bytes) {
  return romDbDo('readwrite', (store) => store.put({ name: name, bytes: bytes }, ROM_KEY))
    .catch((error) => { keepFailure = storageFailed(error); say(keepFailure); });
}
function forgetRom() {
  return romDbDo('readwrite', (store) => store.delete(ROM_KEY)).catch((error) => say(storageFailed(error)));
}

// Emscripten 3.1.6's in-memory file system keeps a file replaced by rename in its name table,
// where it comes back to life once the new file is removed (the old message files would
// reappear after Close). Every save replaces by rename, so the replaced file is dropped here.
function dropReplacedFiles(FS) {
  const rename = FS.rename;
  FS.rename = function (oldPath, newPath) {
    let replaced = null;
    try { replaced = FS.lookupPath(newPath).node; } catch (error) { /* nothing to replace */ }
    const result = rename.call(FS, oldPath, newPath);
    if (replaced && replaced !== FS.lookupPath(newPath).node) FS.hashRemoveNode(replaced);
    return result;
  };
}

// The in-memory file system grows a file being written by an eighth at a time, each time into
// new storage, leaving the old to the garbage collector: writing a 60 MiB image passes through
// some 500 MiB that way. The patched image's size is known before it is written, so a file
// written under /out meanwhile gets all of that storage at once (storage only: its size is
// what is written).
let patchedSize = 0;
function presizePatchedRom(FS) {
  const MEMFS = FS.filesystems.MEMFS, expand = MEMFS.expandFileStorage;
  const out = FS.lookupPath('/out').node;
  MEMFS.expandFileStorage = function (node, capacity) {
    return expand.call(MEMFS, node, node.parent === out && capacity <= patchedSize ? patchedSize : capacity);
  };
}

// Before the program starts: the kept message files and ROM image go back where it finds them.
function restoreWork() {
  const FS = Module.FS;
  dropReplacedFiles(FS);
  for (const dir of ['/work', '/rom', '/out', '/incoming']) FS.mkdir(dir);
  presizePatchedRom(FS);
  try {
    const kept = localStorage.getItem(WORK_KEY);
    if (kept) {
      const work = JSON.parse(kept);
      FS.writeFile(TABLE_PATH, fromBase64(work.table));
      FS.writeFile(DATA_PATH, fromBase64(work.data));
      keptText = work.text || 0;
    }
  } catch (error) {
    keepFailure = 'The work kept in the browser could not be read back (' + error.message + ')';
  }
  Module.addRunDependency('kept-rom');
  romDbDo('readonly', (store) => store.get(ROM_KEY))
    .then((rom) => { if (rom) FS.writeFile('/rom/' + rom.name, new Uint8Array(rom.bytes), { canOwn: true }); })
    .catch((error) => { keepFailure = 'The ROM image kept in the browser could not be read back (' + error.message + ')'; })
    .finally(() => Module.removeRunDependency('kept-rom'));
}

// The bytes of a file of the in-memory file system, not copied (an image may be large).
function fileBytes(path) {
  const FS = Module.FS;
  return FS.filesystems.MEMFS.getFileDataAsTypedArray(FS.lookupPath(path).node);
}

// ---- Downloads ----
// Served as bytes, so the browser keeps the names exactly (table gets no extension).
function offerDownload(name, bytes) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// ---- Replacing the open work ----
// Opening, the sample and Close replace the message files held in the page and in the browser's
// storage: asked first, so one wrong click cannot lose the work.
function mayReplace(question) {
  return !call('WebFilesOpen') || confirm(question + ' Download them first if you want to keep them.');
}
const REPLACE_QUESTION = 'The message files open now will be replaced.';

// ---- Opening ----
function readFile(file, withProgress) {
  return new Promise((resolve, reject) => {
    const reader = new FileReader();
    if (withProgress) reader.onprogress = (e) => {
      if (e.lengthComputable) { busy(true, e.loaded / e.total); say('Reading ' + file.name + ': ' + Math.round(100 * e.loaded / e.total) + ' %'); }
    };
    reader.onload = () => resolve(new Uint8Array(reader.result));
    reader.onerror = () => reject(reader.error);
    reader.readAsArrayBuffer(file);
  });
}
function finish(text) {
  busy(false);
  say(text);
  canvas.focus();
}
// Other messages are open now: the findings of the last check no longer apply.
function opened(text) {
  finish(text);
  findings.textContent = '';
}
function failedToRead(error) { finish('The file could not be read: ' + (error && error.message || error)); }

// ---- The text of the ROM image ----
// Offered when the image holds more than one: the texts helper found whole in it.
function showTexts() {
  const held = call('WebRomTexts');
  textChoice.textContent = '';
  TEXT_LABELS.forEach((label, k) => { if (held & (1 << k)) textChoice.add(new Option(label, String(k))); });
  textChoice.value = String(call('WebRomText'));
  textChoice.parentElement.hidden = textChoice.options.length < 2;
}

document.getElementById('open-rom').addEventListener('change', (event) => {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file || !mayReplace(REPLACE_QUESTION)) return;
  busy(true, 0);
  readFile(file, true).then((bytes) => {
    say('Extracting the message files from ' + file.name + ' ...');
    busy(true);
    afterPaint(() => {
      // Owned by the file system, not copied; helper only reads it.
      Module.FS.writeFile('/incoming/' + file.name, bytes, { canOwn: true });
      const status = call('WebOpenRom', [file.name]);
      (status === 0 ? opened : finish)(message());
      showTexts();
      if (status !== 0) return;
      keepWork();
      keepRom(file.name, bytes.buffer);
    });
  }, failedToRead);
});

textChoice.addEventListener('change', () => {
  if (!mayReplace(REPLACE_QUESTION)) {
    textChoice.value = String(call('WebRomText'));
    return;
  }
  say('Extracting ' + textChoice.selectedOptions[0].text + ' ...');
  afterPaint(() => {
    const status = call('WebChooseText', [Number(textChoice.value)]);
    (status === 0 ? opened : finish)(message());
    showTexts();
    keepWork();
  });
});

document.getElementById('open-files').addEventListener('change', (event) => {
  const files = Array.from(event.target.files);
  event.target.value = '';
  if (!files.length || !mayReplace(REPLACE_QUESTION)) return;
  const data = files.find((f) => f.name.startsWith('nes_message_data_static'));
  const table = files.find((f) => f !== data && f.name.startsWith('table'));
  if (files.length !== 2 || !data || !table) {
    finish('Choose both message files at once: table and nes_message_data_static');
    return;
  }
  Promise.all([readFile(table), readFile(data)]).then(([tableBytes, dataBytes]) => {
    Module.FS.writeFile('/incoming/table', tableBytes);
    Module.FS.writeFile('/incoming/nes_message_data_static', dataBytes);
    (call('WebOpenFiles') === 0 ? opened : finish)(message());
    keepWork();
  }, failedToRead);
});

document.getElementById('open-script').addEventListener('change', (event) => {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file || !mayReplace(REPLACE_QUESTION)) return;
  readFile(file).then((bytes) => {
    Module.FS.writeFile('/incoming/' + file.name, bytes);
    (call('WebOpenScript', [file.name]) === 0 ? opened : finish)(message());
    keepWork();
  }, failedToRead);
});

document.getElementById('try').addEventListener('click', () => {
  if (!mayReplace(REPLACE_QUESTION)) return;
  (call('WebTry') === 0 ? opened : finish)(message());
  keepWork();
});

document.getElementById('close').addEventListener('click', () => {
  if (!mayReplace('The message files and the ROM image will be closed.')) return;
  call('WebClose');
  opened(message());
  showTexts();
  keepWork();
  forgetRom();
});

// ---- Saving ----
document.getElementById('download-files').addEventListener('click', () => {
  const status = call('WebSaveFiles');
  finish(status === 0 ? 'Saved: table and nes_message_data_static' : message());
  if (status !== 0) return;
  keepWork();
  offerDownload('table', Module.FS.readFile(TABLE_PATH));
  offerDownload('nes_message_data_static', Module.FS.readFile(DATA_PATH));
});

document.getElementById('download-script').addEventListener('click', () => {
  const status = call('WebExportScript');
  finish(message());
  if (status !== 0) return;
  keepWork();
  offerDownload('messages.txt', Module.FS.readFile('/work/messages.txt'));
});

document.getElementById('download-rom').addEventListener('click', () => {
  say((call('WebRomCompressed') ? 'Decompressing the image, injecting' : 'Injecting') +
      ' the message files and updating the checksums ...');
  busy(true);
  afterPaint(() => {
    patchedSize = call('WebPatchedRomSize');
    const status = call('WebInjectRom');
    patchedSize = 0;
    finish(message());
    keepWork();
    if (status !== 0) return;
    // The image leaves the file system as soon as the download holds it.
    const name = glueText('WebOutputName');
    const path = '/out/' + name;
    offerDownload(name, fileBytes(path));
    Module.FS.unlink(path);
  });
});

// ---- Check ----
document.getElementById('check').addEventListener('click', () => {
  const status = call('WebCheck');
  const text = message();
  findings.textContent = '';
  finish(status === 0 ? 'Check: nothing found' : status === 1 ? 'Check: findings are listed beside the box' : text);
  keepWork();
  if (status !== 1) return;
  for (const line of text.split('\n')) {
    const item = document.createElement('li');
    item.textContent = line;
    const place = /^ID ([0-9A-F]{4}) box (\d+)/.exec(line);
    if (place) item.addEventListener('click', () => {
      call('WebGoTo', [parseInt(place[1], 16), parseInt(place[2], 10)]);
      canvas.focus();
    });
    findings.appendChild(item);
  }
});
