// node bench/page.mjs [--lines N] [--rounds N] [--wasi DIR]: the page in
// headless Chromium, against the native program on the same roster, the one
// bench/run lists (bench/roster.awk, with mawk). After the wasi and default
// presets are built (the wasi build in DIR, build-wasi by default);
// puppeteer-core comes from the wasi build's packages.
//
// - ready: from opening roster-VERSION.html from disk to csvroster's prompt
//   on the terminal, Run clicked as soon as the page allows it;
// - listed: from Enter after the roster's name to the terminal showing the
//   status after the last report line;
// - saved: from Save output to the file on disk, the same bytes as the
//   native program writes;
// - native: csvroster of the default build, its output to a file.
// Medians of the rounds, and the ratio of listed and saved to native.
import { spawnSync } from "node:child_process";
import { openSync, closeSync } from "node:fs";
import { mkdtemp, readdir, readFile, rm } from "node:fs/promises";
import { createRequire } from "node:module";
import { cpus, tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { argv } from "node:process";
import { fileURLToPath, pathToFileURL } from "node:url";
import { chromium } from "../tests/chromium.mjs";

const option = (name, fallback) => {
  const at = argv.indexOf(name);
  return at < 0 ? fallback : argv[at + 1];
};
const lines = Number(option("--lines", 100000));
const rounds = Number(option("--rounds", 5));
const root = resolve(fileURLToPath(import.meta.url), "../..");
const wasi = resolve(option("--wasi", join(root, "build-wasi")));
const version = /project\(roster VERSION ([0-9.]+)/.exec(
  await readFile(join(root, "CMakeLists.txt"), "utf8"),
)[1];
const single = join(wasi, `roster-${version}.html`);
const puppeteer = createRequire(join(wasi, "web/npm/node_modules/x.js"))(
  "puppeteer-core",
);

// The roster that bench/run lists, of the same count.
const scratch = await mkdtemp(join(tmpdir(), "roster-bench-"));
const roster = join(scratch, "roster.csv");
const roster_file = openSync(roster, "w");
const made = spawnSync(
  "mawk",
  ["-v", "sep=,", "-v", `n=${lines}`, "-f", join(root, "bench/roster.awk")],
  { stdio: ["ignore", roster_file, "inherit"] },
);
closeSync(roster_file);
if (made.status !== 0) throw new Error("mawk could not make the roster");
const median = (values) =>
  values.sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The native program, listing into a file.
const native_times = [];
for (let i = 0; i < rounds; i++) {
  const out = openSync(join(scratch, "native.out"), "w");
  const start = performance.now();
  spawnSync(join(root, "build/csvroster"), {
    cwd: scratch,
    input: "roster.csv\n",
    stdio: ["pipe", out, "inherit"],
  });
  native_times.push(performance.now() - start);
  closeSync(out);
}
const native_out = await readFile(join(scratch, "native.out"));

const downloads = join(scratch, "saved");
const browser = await puppeteer.launch({
  ...chromium,
  headless: true,
  downloadBehavior: { policy: "allow", downloadPath: downloads },
});
const ready = [],
  listed = [],
  saved = [];
let same = true;
try {
  for (let i = 0; i < rounds; i++) {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 900 });
    let start = performance.now();
    await page.goto(pathToFileURL(single).href);
    await page.waitForSelector("#csvroster:not([disabled])");
    await page.click("#csvroster");
    await page.waitForFunction(() =>
      document
        .querySelector(".xterm-rows")
        .textContent.includes("Enter the input file name:"),
    );
    ready.push(performance.now() - start);
    await (await page.$("#add")).uploadFile(roster);
    await page.waitForFunction(
      () => document.querySelectorAll("#rosters li").length === 1,
    );
    await page.keyboard.type("roster.csv");
    start = performance.now();
    await page.keyboard.press("Enter");
    await page.waitForFunction(
      () =>
        document
          .querySelector(".xterm-rows")
          .textContent.includes("[csvroster ended with status 0]"),
      { timeout: 60000, polling: 10 },
    );
    listed.push(performance.now() - start);
    start = performance.now();
    await page.click("#save");
    const file = join(downloads, "csvroster-output.txt");
    for (;;) {
      const names = await readdir(downloads).catch(() => []);
      if (
        names.includes("csvroster-output.txt") &&
        !names.some((n) => n.endsWith(".crdownload"))
      )
        break;
      await new Promise((later) => setTimeout(later, 5));
    }
    saved.push(performance.now() - start);
    same &&= (await readFile(file)).equals(native_out);
    await rm(file);
    await page.close();
  }
} finally {
  await browser.close();
  await rm(scratch, { recursive: true, force: true });
}

const ms = (t) => `${t.toFixed(0)} ms`;
const n = median(native_times),
  l = median(listed),
  s = median(saved);
console.log(
  `${lines} lines, ${rounds} rounds, medians; ${cpus().length} cores, ${cpus()[0].model}`,
);
console.log(`ready to type, from opening the file: ${ms(median(ready))}`);
console.log(
  `listed at the terminal: ${ms(l)}; saved: ${ms(s)}; both: ${ms(l + s)}`,
);
console.log(`native csvroster into a file: ${n.toFixed(1)} ms`);
console.log(
  `listed and saved: ${((l + s) / n).toFixed(0)} times the native program's time`,
);
console.log(
  `saved output ${same ? "is" : "is NOT"} the native program's, byte for byte`,
);
if (!same) process.exitCode = 1;
