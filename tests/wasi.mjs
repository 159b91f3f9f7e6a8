// node --no-warnings wasi.mjs PROGRAM.wasm [ARG...]: runs a WASI program
// under Node's WASI, as qemu-user runs another machine's: named by its path
// as given, with the runner's standard streams and no environment.
//
// WASI has no working folder: a name is looked up in the preopened folder
// whose name starts it, the longest such, and "." matches every name. So
// "." is this folder, and every folder at the root is preopened as itself:
// /tmp/x is found in /tmp, roster here. (A relative name whose first part
// names a folder at the root would be looked up there; no suite's does.)
import { readFile } from "node:fs/promises";
import { readdirSync, statSync } from "node:fs";
import { argv, cwd, exit } from "node:process";
import { WASI } from "node:wasi";

const [program, ...args] = argv.slice(2);
const preopens = { ".": cwd() };
for (const name of readdirSync("/")) {
  try {
    if (statSync(`/${name}`).isDirectory()) preopens[`/${name}`] = `/${name}`;
  } catch {
    // a dangling link, or one not ours to follow
  }
}
const wasi = new WASI({
  version: "preview1",
  args: [program, ...args],
  env: {},
  preopens,
  returnOnExit: true,
});
const module = await WebAssembly.compile(await readFile(program));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
exit(wasi.start(instance));
