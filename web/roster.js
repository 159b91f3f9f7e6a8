// The page's own module: the programs' WebAssembly run on WASI, in a
// terminal of xterm.js's, on rosters held in the page's memory alone.
//
// A program's standard input, output and error are the terminal, as at a
// Unix one: it writes its prompt, then reads, and a read with no typed
// line waiting stops the program (binaryen's Asyncify) until Enter is
// pressed, with no thread and no shared memory, so that the page runs
// from a file as from any host. The page does the terminal's line
// editing; it never writes a program's text of its own.
import { FitAddon } from "@xterm/addon-fit";
import { Terminal } from "@xterm/xterm";
import {
  Directory,
  Fd,
  File,
  PreopenDirectory,
  WASI,
  WASIProcExit,
  wasi,
} from "@bjorn3/browser_wasi_shim";

const programs = ["csvroster", "wordroster", "duomatch"];
const name_limit = 39; // bytes of a name the listers open
const interrupted = 130; // a shell's status for a program Ctrl+C ended
const unwinding = 1; // Asyncify's states, between the normal one and
const rewinding = 2; // the next
const encoder = new TextEncoder();

const page = {
  terminal: document.getElementById("terminal"),
  status: document.getElementById("status"),
  save: document.getElementById("save"),
  add: document.getElementById("add"),
  rosters: document.getElementById("rosters"),
  none: document.getElementById("no-rosters"),
  first: document.getElementById("first"),
  second: document.getElementById("second"),
};

const term = new Terminal({
  convertEol: true, // a line end starts a line, as a Unix terminal's output does
  cursorBlink: true,
  fontFamily: "ui-monospace, Menlo, Consolas, 'DejaVu Sans Mono', monospace",
  fontSize: 15,
  scrollback: 10000,
});
const fit = new FitAddon();
term.loadAddon(fit);
term.open(page.terminal);
fit.fit();
new ResizeObserver(() => fit.fit()).observe(page.terminal);
// Backspace may take a line end back over a wrapped line.
term.write("\x1b[?45h");
// Keys the page keeps from the terminal: Tab moves on through the page (a
// name holds no tab), and Ctrl+C copies what is selected, as in a
// terminal's window; with nothing selected it stops the program.
term.attachCustomKeyEventHandler((event) => {
  const plain = !event.ctrlKey && !event.altKey && !event.metaKey;
  if (event.key === "Tab" && plain) return false;
  return !(event.ctrlKey && event.key === "c" && term.hasSelection());
});

// Each program, compiled once: embedded in the page when it is one file,
// beside it otherwise.
const modules = Object.fromEntries(
  programs.map((name) => [name, compile(name)]),
);

async function compile(name) {
  const embedded = document.getElementById(`${name}.wasm`);
  if (embedded === null)
    return WebAssembly.compileStreaming(fetch(`${name}.wasm`));
  const text = atob(embedded.textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return WebAssembly.compile(bytes);
}

// The rosters, by the name to type at the prompt, as the programs find
// them: one added while a program waits at its prompt is found there too.
const rosters = new Map();
const added_as = new Map(); // the name of the file each came from

// The name a file is listed under: one word (a blank would end it at the
// prompt) of at most name_limit bytes, its extension kept, cut between
// characters.
function typed_name(file_name) {
  const name = file_name.normalize("NFC").replace(/\s+/gu, "_");
  if (encoder.encode(name).length <= name_limit) return name;
  const dot = name.lastIndexOf(".");
  const extension = dot > 0 && name.length - dot <= 8 ? name.slice(dot) : "";
  let stem = name.slice(0, name.length - extension.length);
  while (encoder.encode(stem + extension).length > name_limit)
    stem = Array.from(stem).slice(0, -1).join("");
  return stem + extension;
}

async function add_rosters(files) {
  for (const file of files) {
    const name = typed_name(file.name);
    rosters.set(name, new File(await file.arrayBuffer(), { readonly: true }));
    added_as.set(name, file.name);
  }
  show_rosters();
}

function show_rosters() {
  page.rosters.replaceChildren();
  for (const [name, { data }] of rosters) {
    const original = added_as.get(name);
    const item = document.createElement("li");
    const code = document.createElement("code");
    code.textContent = name;
    item.append(code);
    const about = document.createElement("span");
    about.textContent =
      (original !== name ? ` from “${original}”, ` : " ") +
      `${data.length.toLocaleString()} bytes `;
    item.append(about);
    const remove = document.createElement("button");
    remove.type = "button";
    remove.textContent = "Remove";
    remove.setAttribute("aria-label", `Remove ${name}`);
    remove.addEventListener("click", () => {
      rosters.delete(name);
      added_as.delete(name);
      show_rosters();
      page.add.focus();
    });
    item.append(remove);
    page.rosters.append(item);
  }
  page.none.hidden = rosters.size !== 0;
}

page.add.addEventListener("change", async () => {
  await add_rosters(page.add.files);
  page.add.value = "";
});
document.addEventListener("dragover", (event) => {
  event.preventDefault();
  document.body.classList.add("dropping");
});
document.addEventListener("dragleave", (event) => {
  if (event.relatedTarget === null) document.body.classList.remove("dropping");
});
document.addEventListener("drop", (event) => {
  event.preventDefault();
  document.body.classList.remove("dropping");
  add_rosters(event.dataTransfer.files);
});

// What a POSIX system finds for a name in a folder of files: each part but
// the last, and the last where a slash follows it, must be a folder.
function look_up(folder, path) {
  let entry = folder;
  const parts = path.split("/");
  const last = parts.length - 1;
  for (const [i, part] of parts.entries()) {
    if (part === "" && i === last && i !== 0) break;
    if (!(entry instanceof Directory))
      return { ret: wasi.ERRNO_NOTDIR, entry: null };
    if (part === "" || part === "." || part === "..") continue;
    entry = entry.contents.get(part);
    if (entry === undefined) return { ret: wasi.ERRNO_NOENT, entry: null };
  }
  if (path.endsWith("/") && !(entry instanceof Directory))
    return { ret: wasi.ERRNO_NOTDIR, entry: null };
  return { ret: wasi.ERRNO_SUCCESS, entry };
}

// The rosters as the root folder, which a name typed is found in.
class RosterFolder extends PreopenDirectory {
  constructor() {
    super("/", rosters);
  }

  path_filestat_get(_flags, path) {
    const { ret, entry } = look_up(this.dir, path);
    return { ret, filestat: entry?.stat() ?? null };
  }

  path_open(_dirflags, path, oflags, rights, _inherited, fd_flags) {
    const { ret, entry } = look_up(this.dir, path);
    if (entry === null) return { ret, fd_obj: null };
    return entry.path_open(oflags, rights, fd_flags);
  }
}

// A stream of the terminal: a character device that cannot seek.
class TerminalStream extends Fd {
  fd_fdstat_get() {
    return {
      ret: wasi.ERRNO_SUCCESS,
      fdstat: new wasi.Fdstat(wasi.FILETYPE_CHARACTER_DEVICE, 0),
    };
  }
}

class TerminalOutput extends TerminalStream {
  constructor(kept) {
    super();
    this.kept = kept;
  }

  fd_write(data) {
    this.kept?.push(data);
    term.write(data);
    return { ret: wasi.ERRNO_SUCCESS, nwritten: data.byteLength };
  }
}

// Standard input: what is typed, echoed and edited a line at a time.
// Enter hands on the line with its line end, Ctrl+D the line without one,
// or the end of input where the line is empty.
class TerminalInput extends TerminalStream {
  constructor() {
    super();
    this.line = "";
    this.ready = []; // lines handed on, as bytes, not yet read
    this.ended = false; // Ctrl+D on an empty line, not yet read
    this.waiting = null; // resolves a read waiting for a line
  }

  has_input() {
    return this.ready.length !== 0 || this.ended;
  }

  wait() {
    return new Promise((resolve) => (this.waiting = resolve));
  }

  hand_on(text) {
    if (text.length !== 0) this.ready.push(encoder.encode(text));
    else this.ended = true;
    this.wake(true);
  }

  wake(typed) {
    const resume = this.waiting;
    this.waiting = null;
    resume?.(typed);
  }

  fd_read(size) {
    if (this.ready.length === 0) {
      this.ended = false;
      return { ret: wasi.ERRNO_SUCCESS, data: new Uint8Array() };
    }
    const data = this.ready[0].subarray(0, size);
    this.ready[0] = this.ready[0].subarray(data.length);
    if (this.ready[0].length === 0) this.ready.shift();
    return { ret: wasi.ERRNO_SUCCESS, data };
  }

  key(data) {
    if (data.startsWith("\x1b")) return; // arrows and the like: no editing
    for (const c of data) {
      if (c === "\r") {
        term.write("\r\n");
        this.hand_on(`${this.line}\n`);
        this.line = "";
      } else if (c === "\x7f" || c === "\b") {
        this.erase();
      } else if (c === "\x04") {
        const line = this.line;
        this.line = "";
        this.hand_on(line);
      } else if (c === "\x03") {
        term.write("^C\r\n");
        this.line = "";
        this.wake(false);
      } else if (c >= " ") {
        this.line += c;
        term.write(c);
      }
    }
  }

  // Backspace takes back the last character typed, however many bytes,
  // units or columns it takes.
  erase() {
    const characters = Array.from(
      new Intl.Segmenter().segment(this.line),
      (s) => s.segment,
    );
    const last = characters.pop();
    if (last === undefined) return;
    this.line = characters.join("");
    const n = columns(last);
    term.write("\b".repeat(n) + " ".repeat(n) + "\b".repeat(n));
  }
}

// The columns a character takes at the terminal: East Asian wide ones two,
// marks that combine none.
const wide =
  /[\u1100-\u115f\u2e80-\u303e\u3041-\u33ff\u3400-\u4dbf\u4e00-\u9fff\ua000-\ua4cf\uac00-\ud7a3\uf900-\ufaff\ufe30-\ufe4f\uff00-\uff60\uffe0-\uffe6\u{20000}-\u{3fffd}]/u;
function columns(character) {
  let n = 0;
  for (const c of character) if (!/\p{M}/u.test(c)) n += wide.test(c) ? 2 : 1;
  return n;
}

term.onData((data) => run?.stdin.key(data));

// Runs a program to its end: its status. What it writes to standard output
// is kept in output.
async function run_program(name, args, stdin, output) {
  const shim = new WASI(
    [name, ...args],
    [],
    [
      stdin,
      new TerminalOutput(output),
      new TerminalOutput(null),
      new RosterFolder(),
    ],
    { debug: false },
  );
  const asyncify = { data: 0, size: 65536 }; // where its stack is kept
  let exports = null;
  let typed = null; // resolves to false where the wait was cut short
  const imports = {
    ...shim.wasiImport,
    // The shim counts an argument's UTF-16 units, not its bytes.
    args_sizes_get(count, size) {
      const view = new DataView(exports.memory.buffer);
      const bytes = shim.args.reduce(
        (n, arg) => n + encoder.encode(arg).length + 1,
        0,
      );
      view.setUint32(count, shim.args.length, true);
      view.setUint32(size, bytes, true);
      return wasi.ERRNO_SUCCESS;
    },
    fd_read(fd, iovs, count, read) {
      if (fd === 0 && exports.asyncify_get_state() === rewinding) {
        exports.asyncify_stop_rewind();
      } else if (fd === 0 && !stdin.has_input()) {
        // Unwinds to run_program, which calls the program again once a
        // line is typed: it rewinds to this very read.
        const view = new DataView(exports.memory.buffer);
        view.setUint32(asyncify.data, asyncify.data + 8, true);
        view.setUint32(asyncify.data + 4, asyncify.data + asyncify.size, true);
        exports.asyncify_start_unwind(asyncify.data);
        typed = stdin.wait();
        return wasi.ERRNO_SUCCESS;
      }
      return shim.wasiImport.fd_read(fd, iovs, count, read);
    },
  };
  const instance = await WebAssembly.instantiate(await modules[name], {
    wasi_snapshot_preview1: imports,
  });
  exports = instance.exports;
  shim.inst = instance;
  // While it waits, the program's stack is kept in a page of its memory
  // of its own: past what it had.
  asyncify.data = exports.memory.grow(1) * 65536;
  for (;;) {
    let status = 0;
    try {
      exports._start();
    } catch (error) {
      if (!(error instanceof WASIProcExit)) throw error;
      status = error.code;
    }
    if (exports.asyncify_get_state() !== unwinding) return status;
    exports.asyncify_stop_unwind();
    if (!(await typed)) return interrupted;
    exports.asyncify_start_rewind(asyncify.data);
  }
}

let run = null; // the program running: { stdin, done }
let runs = 0; // how many have started
let output = { name: "", chunks: [] }; // the last run's standard output

// Starts a program at the terminal, as a shell would, ending the one that
// waits there first.
async function start(name, args) {
  if (run !== null) {
    const previous = run;
    previous.stdin.wake(false);
    await previous.done;
    if (run !== null) return; // another start came first
  }
  const this_run = ++runs;
  page.terminal.scrollIntoView({ block: "nearest" });
  term.reset();
  term.write(
    `\x1b[?45h\x1b[2m$ ${[name, ...args.map(quoted)].join(" ")}\x1b[22m\r\n`,
  );
  page.save.disabled = true;
  page.status.textContent = `${name} is running.`;
  const stdin = new TerminalInput();
  const kept = [];
  const done = run_program(name, args, stdin, kept).catch((error) => {
    term.write(`\r\n${error}\r\n`);
    return null;
  });
  run = { stdin, done };
  const status = await done;
  run = null;
  output = { name, chunks: kept };
  page.save.disabled = false;
  const ended =
    status === null
      ? `${name} failed`
      : status === interrupted
        ? `${name} was ended by Ctrl+C (status ${status})`
        : `${name} ended with status ${status}`;
  page.status.textContent = `${ended}.`;
  term.write("", () => {
    if (runs !== this_run) return; // the terminal is another run's now
    const line_start = term.buffer.active.cursorX === 0 ? "" : "\r\n";
    term.write(`${line_start}\x1b[2m[${ended}]\x1b[22m\r\n`);
  });
}

// An argument as a shell would take it back: quoted where it needs to be.
function quoted(arg) {
  return /^[\w@%+=:,./-]+$/u.test(arg)
    ? arg
    : `'${arg.replaceAll("'", "'\\''")}'`;
}

for (const name of ["csvroster", "wordroster"]) {
  document.getElementById(name).addEventListener("click", () => {
    term.focus();
    start(name, []);
  });
}
document.getElementById("duomatch").addEventListener("submit", (event) => {
  event.preventDefault();
  start("duomatch", [page.first.value, page.second.value]);
});

page.save.addEventListener("click", () => {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(
    new Blob(output.chunks, { type: "application/octet-stream" }),
  );
  link.download = `${output.name}-output.txt`;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
});

// The programs can run once they are compiled.
Promise.all(Object.values(modules)).then(
  () => {
    for (const button of document.querySelectorAll("[data-program]"))
      button.disabled = false;
  },
  (error) => {
    page.status.textContent = `The programs could not be loaded: ${error}`;
  },
);
