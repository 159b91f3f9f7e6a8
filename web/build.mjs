// node build.mjs VERSION PROGRAMS MODULES ZIG_LIB SITE SINGLE: the page, from
// the programs' modules in the folder PROGRAMS and the npm packages in
// MODULES (a node_modules folder). Writes the site into the folder SITE
// (index.html, roster.js, roster.css and the modules beside them) and the
// same page as the one file SINGLE, which holds everything, the modules in
// base64. ZIG_LIB is zig's lib folder, where the licences of the C library
// and runtime built into the modules lie. Both come out the same bytes
// from any folder.
import { mkdir, readFile, writeFile } from "node:fs/promises";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { argv } from "node:process";
import { fileURLToPath } from "node:url";

const [version, programs, modules, zig_lib, site, single] = argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));
const names = ["csvroster", "wordroster", "duomatch"];
const { build } = createRequire(join(modules, "esbuild", "package.json"))(
  "esbuild",
);

const text = (file) => readFile(file, "utf8");
const licences = [
  ["roster", join(here, "..", "LICENSE")],
  ["xterm.js", join(modules, "@xterm/xterm/LICENSE")],
  ["xterm.js's fit addon", join(modules, "@xterm/addon-fit/LICENSE")],
  [
    "browser_wasi_shim (under the MIT licence, one of its two)",
    join(modules, "@bjorn3/browser_wasi_shim/LICENSE-MIT"),
  ],
  ["wasi-libc, built into the programs", join(zig_lib, "libc/wasi/LICENSE")],
  [
    "wasi-libc (under the MIT licence, one of its three)",
    join(zig_lib, "libc/wasi/LICENSE-MIT"),
  ],
  [
    "wasi-libc's cloudlibc",
    join(zig_lib, "libc/wasi/libc-bottom-half/cloudlibc/LICENSE"),
  ],
  ["wasi-libc's musl", join(zig_lib, "libc/wasi/libc-top-half/musl/COPYRIGHT")],
  [
    "zig's compiler-rt, built into the programs",
    join(zig_lib, "..", "LICENSE"),
  ],
];

const escaped = (s) =>
  s.replaceAll("&", "&amp;").replaceAll("<", "&lt;").replaceAll(">", "&gt;");
// Text inside a script element ends at its first "</script".
const in_script = (s) => s.replaceAll("</script", "<\\/script");

// Bundled where the packages lie, so that the paths it names are the same
// from any folder.
const bundle = await build({
  stdin: {
    contents: await text(join(here, "roster.js")),
    resolveDir: dirname(modules),
    sourcefile: "roster.js",
  },
  absWorkingDir: dirname(modules),
  bundle: true,
  format: "iife",
  target: "es2022",
  legalComments: "none", // the licences are in the page, whole
  write: false,
});
const script = bundle.outputFiles[0].text;
const style =
  (await text(join(modules, "@xterm/xterm/css/xterm.css"))) +
  (await text(join(here, "roster.css")));
let licence_html = "";
for (const [what, file] of licences)
  licence_html += `<h3>${escaped(what)}</h3>\n<pre>${escaped(await text(file))}</pre>\n`;
const template = (await text(join(here, "index.html")))
  .replaceAll("@VERSION@", version)
  .replace("<!-- licences -->", () => licence_html);

await mkdir(site, { recursive: true });
await writeFile(join(site, "roster.js"), script);
await writeFile(join(site, "roster.css"), style);
for (const name of names)
  await writeFile(
    join(site, `${name}.wasm`),
    await readFile(join(programs, `${name}.wasm`)),
  );
await writeFile(
  join(site, "index.html"),
  template
    .replace("<!-- style -->", '<link rel="stylesheet" href="roster.css">')
    .replace("<!-- script -->", '<script src="roster.js"></script>'),
);

let embedded = "";
for (const name of names) {
  const bytes = await readFile(join(programs, `${name}.wasm`));
  embedded += `<script type="application/wasm" id="${name}.wasm">${bytes.toString("base64")}</script>\n`;
}
await writeFile(
  single,
  template
    .replace("<!-- style -->", () => `<style>\n${style}</style>`)
    .replace(
      "<!-- script -->",
      () => `${embedded}<script>\n${in_script(script)}</script>`,
    ),
);
