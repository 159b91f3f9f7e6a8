// The runner: starts a program's WebAssembly module on WASI and serves its
// streams, as a system would. The page says what the streams are.
//
// The page has one thread and no shared memory, so that it runs from a file
// as from any host: a program that has to wait is stopped where it stands
// (binaryen's Asyncify, at a read) and started again there later. It waits
// at a read of standard input until a line is typed, and at a read of a
// file while the terminal is behind or its turn is over, so that the page
// stays responsive and nothing it writes is lost.
import {
  Directory,
  Fd,
  PreopenDirectory,
  WASI,
  WASIProcExit,
  wasi,
} from "@bjorn3/browser_wasi_shim";

export const stopped = 130; // a shell's status for a program that was stopped
const turn_ms = 10; // how long a program runs before the page's events
const stack_size = 65536; // what is kept of a waiting program's stack
const unwinding = 1; // Asyncify's states, between the normal one and
const rewinding = 2; // the next
const encoder = new TextEncoder();

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
  constructor(streams, fd) {
    super();
    this.streams = streams;
    this.fd = fd;
  }

  fd_fdstat_get() {
    return {
      ret: wasi.ERRNO_SUCCESS,
      fdstat: new wasi.Fdstat(wasi.FILETYPE_CHARACTER_DEVICE, 0),
    };
  }

  fd_read(size) {
    return { ret: wasi.ERRNO_SUCCESS, data: this.streams.read(size) };
  }

  fd_write(data) {
    this.streams.write(this.fd, data);
    return { ret: wasi.ERRNO_SUCCESS, nwritten: data.byteLength };
  }
}

// Runs a program to its end: its status, or stopped. rosters is a Map of
// the shim's files by name; streams serves the terminal:
// - typed(): whether standard input has a line, or its end, to read;
// - read(size): at most size bytes of it, none at its end;
// - write(fd, bytes): standard output (1) or error (2);
// - behind(): whether the terminal holds more than it can take;
// - wait(for_input): resolves when the program may go on (a line typed, the
//   terminal caught up, or the page's events run), false once stopped.
export async function run_program(module, args, rosters, streams) {
  // The arguments as the program gets them, zero bytes included: counted
  // and written from the same bytes, so they fit the room it makes.
  const encoded = args.map((arg) => encoder.encode(`${arg}\0`));
  const argument_size = encoded.reduce((n, bytes) => n + bytes.length, 0);
  const shim = new WASI(
    args,
    [],
    [
      new TerminalStream(streams, 0),
      new TerminalStream(streams, 1),
      new TerminalStream(streams, 2),
      new RosterFolder("/", rosters),
    ],
    { debug: false },
  );
  let exports = null;
  let stack = 0; // where Asyncify keeps the stack of a waiting program
  let turn_start = 0;
  let going_on = null; // resolves to false where the program is stopped
  const imports = {
    ...shim.wasiImport,
    args_sizes_get(count, size) {
      const view = new DataView(exports.memory.buffer);
      view.setUint32(count, args.length, true);
      view.setUint32(size, argument_size, true);
      return wasi.ERRNO_SUCCESS;
    },
    args_get(argv, buffer) {
      const view = new DataView(exports.memory.buffer);
      let at = buffer;
      for (const [i, bytes] of encoded.entries()) {
        view.setUint32(argv + 4 * i, at, true);
        new Uint8Array(exports.memory.buffer).set(bytes, at);
        at += bytes.length;
      }
      return wasi.ERRNO_SUCCESS;
    },
    fd_read(fd, iovs, count, read) {
      if (exports.asyncify_get_state() === rewinding)
        exports.asyncify_stop_rewind();
      const input = fd === 0;
      const waits = input
        ? !streams.typed()
        : streams.behind() || performance.now() - turn_start > turn_ms;
      if (!waits) return shim.wasiImport.fd_read(fd, iovs, count, read);
      // Unwinds to the loop below, which calls the program again once it
      // may go on: it rewinds to this very read, which asks again.
      const view = new DataView(exports.memory.buffer);
      view.setUint32(stack, stack + 8, true);
      view.setUint32(stack + 4, stack + stack_size, true);
      exports.asyncify_start_unwind(stack);
      going_on = streams.wait(input);
      return wasi.ERRNO_SUCCESS;
    },
  };
  const instance = await WebAssembly.instantiate(module, {
    wasi_snapshot_preview1: imports,
  });
  exports = instance.exports;
  shim.inst = instance;
  // Past the memory the program had: a page of its own for the stack.
  stack = exports.memory.grow(stack_size / 65536) * 65536;
  for (;;) {
    let status = 0;
    turn_start = performance.now();
    try {
      exports._start();
    } catch (error) {
      if (!(error instanceof WASIProcExit)) throw error;
      status = error.code;
    }
    if (exports.asyncify_get_state() !== unwinding) return status;
    exports.asyncify_stop_unwind();
    if (!(await going_on)) return stopped;
    exports.asyncify_start_rewind(stack);
  }
}
