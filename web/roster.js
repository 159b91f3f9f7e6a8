// The page: rosters held in its memory alone, the programs run on them at
// a terminal of xterm.js's, what is typed in a text field of the browser's
// own, and a transcript of the session for assistive technology.
//
// The field, not the terminal, takes what is typed: the browser handles
// composition, suggestions, paste and Backspace as on any page, and Enter
// hands the line on and echoes it at the terminal, as a terminal would.
// The page never writes a program's text of its own.
import { File } from "@bjorn3/browser_wasi_shim";
import { FitAddon } from "@xterm/addon-fit";
import { Terminal } from "@xterm/xterm";
import { run_program, stopped } from "./runner.js";

const programs = ["csvroster", "wordroster", "duomatch"];
const name_limit = 39; // bytes of a name the listers open
// The lines the terminal and the transcript keep: a page lays out each of
// the transcript's, and Save output keeps them all.
const kept_lines = 1000;
const drawing_bytes = 1 << 17; // handed to xterm.js at a time
const slice_bytes = 1 << 13; // what xterm.js draws before the page's events
const behind_bytes = 1 << 23; // output waiting before a program waits too
const announced_every_ms = 1000; // how often output is announced
const heard_lines = 3; // announced whole; more are counted
const encoder = new TextEncoder();

const page = {
  terminal: document.getElementById("terminal"),
  transcript: document.getElementById("transcript"),
  heard: document.getElementById("heard"),
  status: document.getElementById("status"),
  save: document.getElementById("save"),
  add: document.getElementById("add"),
  rosters: document.getElementById("rosters"),
  none: document.getElementById("no-rosters"),
  first: document.getElementById("first"),
  second: document.getElementById("second"),
  input: document.getElementById("input"),
  line: document.getElementById("line"),
  end: document.getElementById("end"),
  stop: document.getElementById("stop"),
};

const term = new Terminal({
  convertEol: true, // a line end starts a line, as a Unix terminal's output does
  cursorBlink: true,
  disableStdin: true, // the field takes what is typed
  fontFamily: "ui-monospace, Menlo, Consolas, 'DejaVu Sans Mono', monospace",
  fontSize: 15,
  scrollback: kept_lines,
});
const fit = new FitAddon();
term.loadAddon(fit);
term.open(page.terminal);
term.textarea.tabIndex = -1; // Tab goes by: the field is the way in
fit.fit();
new ResizeObserver(() => fit.fit()).observe(page.terminal);
// Tab moves on through the page, and Ctrl+C copies what is selected, as in
// a terminal's window; the keys of End input and Stop work at the terminal
// as in the field.
term.attachCustomKeyEventHandler(
  (event) =>
    event.key !== "Tab" && (event.type !== "keydown" || !control_key(event)),
);
// A click that selects nothing is a way to the field.
page.terminal.addEventListener("click", () => {
  if (!term.hasSelection() && !page.line.disabled) page.line.focus();
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

// What the terminal shows, as text, for assistive technology: xterm.js
// draws its rows for the eye alone. The transcript is brought up to date
// whenever a program waits for input or ends. What comes meanwhile is
// announced now and then, a long listing as a count, so that a reader is
// not flooded.
const transcript = {
  decoder: new TextDecoder(),
  lines: [], // the ended lines, of which the last kept_lines are shown
  passed: 0, // lines ended before those
  open: "", // the line not yet ended
  fresh: 0, // lines ended since the transcript was shown
  heard: 0, // lines ended since output was announced
  timer: 0,
};

function transcribe(text) {
  const parts = (transcript.open + text).split("\n");
  transcript.open = parts.pop();
  for (const part of parts) transcript.lines.push(part);
  transcript.fresh += parts.length;
  transcript.heard += parts.length;
  const over = transcript.lines.length - kept_lines;
  if (over > kept_lines) {
    transcript.lines.splice(0, over);
    transcript.passed += over;
  }
  if (transcript.timer === 0)
    transcript.timer = setTimeout(announce, announced_every_ms);
}

function show_transcript() {
  const { lines, open } = transcript;
  const box = page.transcript;
  const row = (text, name = "") => {
    const div = document.createElement("div");
    div.textContent = text;
    div.className = name;
    return div;
  };
  box.querySelector(".open")?.remove();
  box.querySelector(".passed")?.remove();
  const fresh = Math.min(transcript.fresh, lines.length, kept_lines);
  box.append(...lines.slice(lines.length - fresh).map((line) => row(line)));
  for (let n = box.childElementCount - kept_lines; n > 0; n--)
    box.firstElementChild.remove();
  const passed = transcript.passed + Math.max(lines.length - kept_lines, 0);
  if (passed !== 0)
    box.prepend(
      row(`(${passed.toLocaleString()} lines before: Save output has them.)`, "passed"),
    );
  if (open !== "") box.append(row(open, "open"));
  transcript.fresh = 0;
  announce();
}

function announce() {
  clearTimeout(transcript.timer);
  transcript.timer = 0;
  const { lines, open, heard } = transcript;
  const said =
    heard > heard_lines
      ? [`${heard.toLocaleString()} lines.`]
      : lines.slice(lines.length - heard);
  if (open !== "") said.push(open);
  if (said.length !== 0) page.heard.textContent = said.join("\n");
  transcript.heard = 0;
}

// What is shown at the terminal waits here, in order, to be drawn: a
// program waits while too much does. Lines that would scroll out of the
// terminal's memory before they could be drawn are passed over, as a
// terminal's jump scroll does, where nothing in them changes its state.
const screen = {
  waiting: [], // { data, plain, line_ends }
  waiting_bytes: 0,
  drawing: 0, // bytes xterm.js has yet to draw
  clear: 0, // counts the terminal's resets
};
const changes_state = /[\0-\x08\v-\x1f\x7f-\x9f]/u;

function draw() {
  const { waiting } = screen;
  // A batch at a time, once the last is drawn: what comes meanwhile may be
  // passed over.
  let room = screen.drawing === 0 ? drawing_bytes : 0;
  while (waiting.length !== 0 && room > 0) {
    const { data, plain } = waiting.shift();
    screen.waiting_bytes -= data.length;
    let after = 0; // line ends that scroll it out
    for (let i = 0; i < waiting.length && waiting[i].plain; i++)
      after += waiting[i].line_ends;
    if (plain && after > kept_lines + term.rows) continue;
    const clear = screen.clear;
    room -= data.length;
    screen.drawing += data.length;
    for (let at = 0; at + slice_bytes < data.length; at += slice_bytes)
      term.write(data.slice(at, at + slice_bytes));
    const last = data.slice(Math.floor((data.length - 1) / slice_bytes) * slice_bytes);
    term.write(last, () => {
      if (clear !== screen.clear) return; // another run's
      screen.drawing -= data.length;
      draw();
    });
  }
  if (!behind()) run?.streams.caught_up();
}

function behind() {
  return screen.waiting_bytes + screen.drawing > behind_bytes;
}

function clear_screen() {
  term.reset();
  Object.assign(screen, { waiting: [], waiting_bytes: 0, drawing: 0 });
  screen.clear++;
  page.transcript.replaceChildren();
  Object.assign(transcript, { lines: [], passed: 0, open: "", fresh: 0 });
  transcript.heard = 0;
}

// Shows text, or a program's bytes, at the terminal and in the transcript.
function display(data, style = "") {
  const text =
    typeof data === "string"
      ? data
      : transcript.decoder.decode(data, { stream: true });
  transcribe(text);
  const line_ends = text.split("\n").length - 1;
  screen.waiting.push({
    data: style === "" ? data : `\x1b[${style}m${data}\x1b[22m`,
    plain: style === "" && !changes_state.test(text),
    line_ends,
  });
  screen.waiting_bytes += data.length;
  draw();
}

// Standard input and output of the program at the terminal: lines handed
// on from the field, and output shown and kept.
function terminal_streams(kept) {
  return {
    lines: [], // handed on, as bytes, not yet read
    ended: false, // End input on an empty line, not yet read
    waiting: null, // resolves the program's wait
    for_input: false,
    stopping: false,
    typed() {
      return this.lines.length !== 0 || this.ended;
    },
    read(size) {
      if (this.lines.length === 0) {
        this.ended = false;
        return new Uint8Array();
      }
      const data = this.lines[0].subarray(0, size);
      this.lines[0] = this.lines[0].subarray(data.length);
      if (this.lines[0].length === 0) this.lines.shift();
      return data;
    },
    write(fd, data) {
      if (fd === 1) kept.push(data);
      display(data);
    },
    behind,
    wait(for_input) {
      this.for_input = for_input;
      if (for_input) show_transcript();
      return new Promise((resolve) => {
        this.waiting = resolve;
        if (this.stopping) this.wake(false);
        else if (!for_input && !behind()) setTimeout(() => this.wake(true));
      });
    },
    caught_up() {
      if (!this.for_input) this.wake(true);
    },
    hand_on(bytes) {
      if (bytes.length !== 0) this.lines.push(bytes);
      else this.ended = true;
      this.wake(true);
    },
    stop() {
      this.stopping = true;
      this.wake(false);
    },
    wake(go_on) {
      const resume = this.waiting;
      this.waiting = null;
      resume?.(go_on);
    },
  };
}

// The keys of End input (Ctrl+D) and Stop (Ctrl+C, where nothing is
// selected to copy): true where the key was one of them.
function control_key(event) {
  const ctrl = event.ctrlKey && !event.altKey && !event.metaKey;
  if (!ctrl || run === null) return false;
  const selected =
    term.hasSelection() ||
    page.line.selectionStart !== page.line.selectionEnd ||
    String(window.getSelection()) !== "";
  if (event.key === "d") end_input();
  else if (event.key === "c" && !selected) stop();
  else return false;
  event.preventDefault();
  return true;
}

page.line.addEventListener("keydown", (event) => control_key(event));
page.input.addEventListener("submit", (event) => {
  event.preventDefault();
  hand_on(`${page.line.value}\n`);
});
page.end.addEventListener("click", end_input);
page.stop.addEventListener("click", stop);

// Enter hands on the line with its line end, End input the line without
// one, or the end of input where the line is empty.
function end_input() {
  hand_on(page.line.value);
}

function hand_on(text) {
  if (run === null) return;
  page.line.value = "";
  display(text);
  run.streams.hand_on(encoder.encode(text));
}

function stop() {
  if (run === null) return;
  run.streams.stop();
  page.line.value = "";
  display("^C\n");
}

let run = null; // the program running: { streams, done }
let output = { name: "", chunks: [] }; // the last run's standard output

// Starts a program at the terminal, as a shell would, ending the one that
// runs there first; typing, the field takes the focus.
async function start(name, args, typing) {
  if (run !== null) {
    const previous = run;
    previous.streams.stop();
    await previous.done;
    if (run !== null) return; // another start came first
  }
  page.terminal.scrollIntoView({ block: "nearest" });
  clear_screen();
  display(`$ ${[name, ...args.map(quoted)].join(" ")}\n`, "2");
  page.save.disabled = true;
  for (const control of page.input.elements) control.disabled = false;
  if (typing) page.line.focus();
  page.status.textContent = `${name} is running.`;
  const kept = [];
  const streams = terminal_streams(kept);
  const done = modules[name]
    .then((module) => run_program(module, [name, ...args], rosters, streams))
    .catch((error) => {
      display(`\n${error}\n`);
      return null;
    });
  run = { streams, done };
  const status = await done;
  run = null;
  output = { name, chunks: kept };
  const ended =
    status === null
      ? `${name} failed`
      : status === stopped
        ? `${name} was stopped (status ${status})`
        : `${name} ended with status ${status}`;
  page.status.textContent = `${ended}.`;
  const had_focus = page.input.contains(document.activeElement);
  for (const control of page.input.elements) control.disabled = true;
  page.save.disabled = false;
  if (had_focus) page.save.focus();
  display(`${transcript.open === "" ? "" : "\n"}[${ended}]\n`, "2");
  show_transcript();
}

// An argument as a shell would take it back: quoted where it needs to be.
function quoted(arg) {
  return /^[\w@%+=:,./-]+$/u.test(arg)
    ? arg
    : `'${arg.replaceAll("'", "'\\''")}'`;
}

for (const name of ["csvroster", "wordroster"]) {
  document.getElementById(name).addEventListener("click", () => {
    start(name, [], true);
  });
}
document.getElementById("duomatch").addEventListener("submit", (event) => {
  event.preventDefault();
  start("duomatch", [page.first.value, page.second.value], false);
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

// Each program can run once it is compiled.
for (const button of document.querySelectorAll("[data-program]"))
  modules[button.dataset.program].then(
    () => {
      button.disabled = false;
    },
    (error) => {
      page.status.textContent = `The programs could not be loaded: ${error}`;
    },
  );

// A site keeps itself for offline use; the one file needs nothing.
if (document.querySelector("link[rel=manifest]") && navigator.serviceWorker)
  navigator.serviceWorker.register("sw.js").catch(() => {});
