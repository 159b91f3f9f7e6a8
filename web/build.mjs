// node build.mjs VERSION PROGRAMS MODULES ZIG_LIB SITE SINGLE: the page, from
// the programs' modules in the folder PROGRAMS and the npm packages in
// MODULES (a node_modules folder). Writes the site into the folder SITE
// (index.html, roster.js, roster.css and the modules beside them, with a
// web app manifest, its icons and a service worker that keeps them
// offline) and the same page as the one file SINGLE, which holds
// everything, the modules in base64. ZIG_LIB is zig's lib folder, where the licences of the C library
// and runtime built into the modules lie. Both come out the same bytes
// from any folder.
import { mkdir, readFile, writeFile } from "node:fs/promises";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { argv } from "node:process";
import { fileURLToPath } from "node:url";
import { deflateSync } from "node:zlib";

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
// from any folder; the page's own modules are named by their file's name.
const own_modules = {
  name: "own modules",
  setup(build) {
    const page = join(dirname(modules), "roster.js");
    build.onResolve({ filter: /^\.\/[\w-]+\.js$/ }, ({ path, importer }) =>
      importer === page ? { path: path.slice(2), namespace: "web" } : null,
    );
    build.onLoad({ filter: /.*/, namespace: "web" }, async ({ path }) => ({
      contents: await text(join(here, path)),
      resolveDir: dirname(modules),
    }));
  },
};
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
  minify: true,
  plugins: [own_modules],
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

// The icon, drawn here so that it needs no image tool: a roster's three
// lines on a square of the theme's colour, as PNG.
function icon(size) {
  const row = 1 + 3 * size; // a filter byte, then RGB
  const pixels = Buffer.alloc(row * size);
  for (let y = 0; y < size; y++)
    for (let x = 0; x < size; x++) {
      const line = Math.floor((y / size - 0.25) / 0.2);
      const on =
        line >= 0 && line < 3 && (y / size - 0.25) % 0.2 < 0.1 &&
        x > size * 0.22 && x < size * (line === 2 ? 0.6 : 0.78);
      pixels.set(on ? [255, 255, 255] : [0x1b, 0x4b, 0x72], y * row + 1 + 3 * x);
    }
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type), data]);
    const sizes = Buffer.alloc(4);
    sizes.writeUInt32BE(data.length);
    const sum = Buffer.alloc(4);
    sum.writeUInt32BE(crc32(body));
    return Buffer.concat([sizes, body, sum]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 2, 0, 0, 0], 8); // 8 bits of RGB, not interlaced
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk("IHDR", header),
    chunk("IDAT", deflateSync(pixels, { level: 9 })),
    chunk("IEND", Buffer.alloc(0)),
  ]);
}

function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; k++) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc >>> 0;
}

await mkdir(site, { recursive: true });
await writeFile(join(site, "roster.js"), script);
await writeFile(join(site, "roster.css"), style);
for (const name of names)
  await writeFile(
    join(site, `${name}.wasm`),
    await readFile(join(programs, `${name}.wasm`)),
  );
for (const file of ["sw.js", "manifest.webmanifest"])
  await writeFile(
    join(site, file),
    (await text(join(here, file))).replaceAll("@VERSION@", version),
  );
for (const size of [192, 512])
  await writeFile(join(site, `icon-${size}.png`), icon(size));
await writeFile(
  join(site, "index.html"),
  template
    .replace(
      "<!-- style -->",
      '<link rel="stylesheet" href="roster.css">\n' +
        '<link rel="manifest" href="manifest.webmanifest">\n' +
        '<link rel="apple-touch-icon" href="icon-192.png">',
    )
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
